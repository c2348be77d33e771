#include "service/SessionRecovery.h"

#include "platform/FixedText.h"
#include "platform/Log.h"
#include "platform/WipedText.h"
#include "service/LoginFlow.h"
#include "service/LoginRequest.h"
#include "service/SecurityHandshake.h"
#include "text/ShownText.h"

namespace nimbrel {
namespace {

using namespace std::chrono_literals;

// A renewal shows nothing itself: a demanded update leaves the session lost and a refused login
// ends it, which the program tells the user.
class QuietNotifier : public UserNotifier {
  public:
    void MessageBox(std::string_view text, std::string_view, Icon) override {
        NLOG_DEBUG("SessionRecovery: not shown: " << text);
    }
    void ShowTip(std::string_view, int) override {}
};

const char* StateName(SessionRecovery::State state) {
    switch (state) {
        case SessionRecovery::State::Connected:
            return "connected";
        case SessionRecovery::State::Reconnecting:
            return "reconnecting";
        case SessionRecovery::State::Ended:
            return "ended";
    }
    return "";
}

}  // namespace

void WipeSignIn(GlobalSettings& g, AppRecord& app) {
    g.WipeCredentials();
    SetText(app.m_StoredPassword, "");
    g.m_LoggedIn = 0;
}

SessionRecovery::SessionRecovery(GlobalSettings& g, AppRecord& app, Options options)
    : g_(g), app_(app), options_(std::move(options)) {}

uint64_t SessionRecovery::Generation() const {
    std::lock_guard guard(lock_);
    return generation_;
}

SessionRecovery::State SessionRecovery::CurrentState() const {
    std::lock_guard guard(lock_);
    return state_;
}

std::optional<SessionRecovery::Refusal> SessionRecovery::EndedBy() const {
    std::lock_guard guard(lock_);
    return refusal_;
}

void SessionRecovery::SetListener(std::function<void(State)> listener) {
    std::lock_guard guard(listenerLock_);
    listener_ = std::move(listener);
}

void SessionRecovery::Update(const std::function<State()>& apply) {
    // One change at a time, from the change to the listener's return: two threads' changes
    // reach the listener in the order the state changed, so the last news it had is the state
    // (a loss heard after the answer that ended it would leave the devices marked offline and
    // the notice up while the session works).
    std::lock_guard announcing(announceLock_);
    State before, after;
    {
        std::lock_guard guard(lock_);
        before = state_;
        after = state_ = apply();
    }
    renewed_.notify_all();
    if (before == after) return;
    NLOG_DEBUG("SessionRecovery: " << StateName(after));
    std::function<void(State)> listener;
    {
        std::lock_guard guard(listenerLock_);
        listener = listener_;
    }
    if (listener) listener(after);
}

void SessionRecovery::RequestFailed(uint64_t generation) {
    Update([&] {
        return generation == generation_ && state_ == State::Connected ? State::Reconnecting
                                                                       : state_;
    });
}

void SessionRecovery::RequestAnswered(uint64_t generation) {
    // While a renewal runs its outcome decides; keys of a handshake without a login prove nothing.
    Update([&] {
        return generation == generation_ && state_ == State::Reconnecting && !renewing_ &&
                       sessionKeys_
                   ? State::Connected
                   : state_;
    });
}

std::chrono::milliseconds SessionRecovery::GapAfter(int failures) const {
    std::chrono::milliseconds gap = options_.firstGap;
    for (int i = 1; i < failures && gap < options_.longestGap; ++i) gap *= 2;
    return std::min(gap, options_.longestGap);
}

bool SessionRecovery::Renew(uint64_t generation, const std::atomic<bool>* cancel) {
    {
        std::unique_lock lock(lock_);
        for (;;) {
            if (state_ == State::Ended) return false;
            if (generation_ != generation) return true;
            if (cancel && cancel->load()) return false;
            if (!renewing_) break;
            // Another caller renews: its outcome is this caller's too.
            renewed_.wait_for(lock, 200ms);
        }
        if (Clock::now() < nextAttempt_) return false;
        renewing_ = true;
    }
    const Attempt attempt = HandshakeAndLogin(cancel);
    if (attempt.outcome == Outcome::Refused) {
        NLOG_INFO("SessionRecovery: the service refused the login ("
                  << ShownText(attempt.refusal.status) << "): the session has ended");
        WipeSignIn(g_, app_);
    }
    Update([&] {
        renewing_ = false;
        if (attempt.keysReplaced) sessionKeys_ = false;
        switch (attempt.outcome) {
            case Outcome::Renewed:
                ++generation_;
                sessionKeys_ = true;
                failures_ = 0;
                nextAttempt_ = {};
                return State::Connected;
            case Outcome::Failed:
                ++failures_;
                nextAttempt_ = Clock::now() + GapAfter(failures_);
                return state_ == State::Connected ? State::Reconnecting : state_;
            case Outcome::Refused:
                refusal_ = attempt.refusal;
                return State::Ended;
            case Outcome::Cancelled:
                break;
        }
        // Given up half-way: keys without a login leave no working session.
        return attempt.keysReplaced && state_ == State::Connected ? State::Reconnecting : state_;
    });
    return attempt.outcome == Outcome::Renewed;
}

SessionRecovery::Attempt SessionRecovery::HandshakeAndLogin(const std::atomic<bool>* cancel) {
    NLOG_DEBUG("SessionRecovery: handshake and login again");
    Attempt attempt;
    const auto cancelled = [cancel] { return cancel && cancel->load(); };
    static QuietNotifier quiet;
    HandshakeOptions handshake;
    handshake.startUpdater = false;
    handshake.http = options_.http;
    handshake.http.cancel = cancel;
    handshake.http.session = nullptr;
    if (SecurityHandshake(g_, app_, quiet, handshake) != HandshakeResult::Ok) {
        NLOG_DEBUG("SessionRecovery: the handshake failed");
        attempt.outcome = cancelled() ? Outcome::Cancelled : Outcome::Failed;
        return attempt;
    }
    attempt.keysReplaced = true;
    const std::string name(GetText(app_.m_UserName));
    LoginAnswer answer;
    {
        WipedText passwordMd5;
        g_.AppendPasswordMd5(*passwordMd5);
        // Not typed anew: the service may ask for the password to be typed again ("DUE").
        answer = RequestLogin(g_, name, *passwordMd5, 0, handshake.http);
    }
    if (answer.refused) {
        attempt.outcome = Outcome::Refused;
        attempt.refusal = {answer.status, LoginRefusalMessage(answer.status)};
        return attempt;
    }
    if (!answer.complete) {
        NLOG_DEBUG("SessionRecovery: the login went unanswered");
        attempt.outcome = cancelled() ? Outcome::Cancelled : Outcome::Failed;
        return attempt;
    }
    const auto writer = g_.SessionWriter();
    g_.m_DefTran = answer.defTran;
    g_.m_FirstDetection = answer.firstDetection;
    g_.m_SecondDetection = answer.secondDetection;
    SetText(g_.m_Token, answer.token);
    attempt.outcome = Outcome::Renewed;
    return attempt;
}

}  // namespace nimbrel
