#include "service/SessionRecovery.h"

#include "platform/FixedText.h"
#include "platform/Log.h"
#include "service/LoginRequest.h"
#include "service/SecurityHandshake.h"

namespace nimbrel {
namespace {

using namespace std::chrono_literals;

// A renewal shows nothing itself: a demanded update or a refused login leaves the session lost,
// which the program already tells the user.
class QuietNotifier : public UserNotifier {
  public:
    void MessageBox(std::string_view text, std::string_view, Icon) override {
        NLOG_DEBUG("SessionRecovery: not shown: " << text);
    }
    void ShowTip(std::string_view, int) override {}
};

}  // namespace

SessionRecovery::SessionRecovery(GlobalSettings& g, const AppRecord& app, Options options)
    : g_(g), app_(app), options_(std::move(options)) {}

uint64_t SessionRecovery::Generation() const {
    std::lock_guard guard(lock_);
    return generation_;
}

SessionRecovery::State SessionRecovery::CurrentState() const {
    std::lock_guard guard(lock_);
    return state_;
}

void SessionRecovery::SetListener(std::function<void(State)> listener) {
    std::lock_guard guard(listenerLock_);
    listener_ = std::move(listener);
}

void SessionRecovery::Announce(State state) {
    // One announcement at a time, from the change to the listener's return: two threads'
    // announcements reach the listener in the order the state changed, so the last news it had
    // is the state (a loss heard after the answer that ended it would leave the devices marked
    // offline and the notice up while the session works).
    std::lock_guard announcing(announceLock_);
    {
        std::lock_guard guard(lock_);
        if (state_ == state) return;
        state_ = state;
    }
    NLOG_DEBUG("SessionRecovery: " << (state == State::Connected ? "connected" : "reconnecting"));
    std::function<void(State)> listener;
    {
        std::lock_guard guard(listenerLock_);
        listener = listener_;
    }
    if (listener) listener(state);
}

void SessionRecovery::RequestFailed(uint64_t generation) {
    if (generation == Generation()) Announce(State::Reconnecting);
}

void SessionRecovery::RequestAnswered(uint64_t generation) {
    if (generation == Generation()) Announce(State::Connected);
}

bool SessionRecovery::Renew(uint64_t generation, const std::atomic<bool>* cancel) {
    {
        std::unique_lock lock(lock_);
        // Another caller renews: its outcome is this caller's too.
        while (renewing_ && generation_ == generation) {
            renewed_.wait_for(lock, 200ms);
            if (cancel && cancel->load()) return false;
        }
        if (generation_ != generation) return true;
        if (Clock::now() < nextAttempt_) return false;
        renewing_ = true;
    }
    const bool renewed = HandshakeAndLogin();
    {
        std::lock_guard guard(lock_);
        renewing_ = false;
        if (renewed)
            ++generation_;
        else
            nextAttempt_ = Clock::now() + options_.retryGap;
    }
    renewed_.notify_all();
    Announce(renewed ? State::Connected : State::Reconnecting);
    return renewed;
}

bool SessionRecovery::HandshakeAndLogin() {
    NLOG_DEBUG("SessionRecovery: handshake and login again");
    static QuietNotifier quiet;
    HandshakeOptions handshake;
    handshake.startUpdater = false;
    handshake.http = options_.http;
    if (SecurityHandshake(g_, app_, quiet, handshake) != HandshakeResult::Ok) {
        NLOG_DEBUG("SessionRecovery: the handshake failed");
        return false;
    }
    const std::string name(GetText(app_.m_UserName));
    const std::string passwordMd5(GetText(g_.m_PasswordMd5));
    // Not typed anew: the service may ask for the password to be typed again ("DUE").
    const LoginAnswer answer = RequestLogin(g_, name, passwordMd5, 0, options_.http);
    if (!answer.complete) {
        NLOG_DEBUG("SessionRecovery: the login failed, status '" << answer.status << "'");
        return false;
    }
    const auto writer = g_.SessionWriter();
    g_.m_DefTran = answer.defTran;
    g_.m_FirstDetection = answer.firstDetection;
    g_.m_SecondDetection = answer.secondDetection;
    SetText(g_.m_Token, answer.token);
    return true;
}

}  // namespace nimbrel
