// Keeps the client signed in: a request without a readable reply (service out of reach, or its
// keys changed) marks the session lost, and a renewal repeats the handshake and the login with
// the name and password digest of the sign-in, held in memory. One renewal runs at a time.
// Threading: any thread. The listener runs on the thread whose request or renewal changed the
// state, outside the locks of the state, one call at a time in the order of the changes; it
// must only hand the news on (it must not make requests of the session: they would wait for it).
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

#include "service/AppRecord.h"
#include "service/GlobalSettings.h"
#include "service/HttpTransport.h"

namespace nimbrel {

// Whoever notices the loss first renews; callers meanwhile wait for its outcome, and after a
// failed renewal the next waits out a short gap (callers fail at once until then).
class SessionRecovery {
  public:
    enum class State { Connected, Reconnecting };

    struct Options {
        HttpOptions http;  // of the renewal's own requests
        // After a failed renewal, the next may start this much later.
        std::chrono::milliseconds retryGap{std::chrono::seconds(2)};
    };

    SessionRecovery(GlobalSettings& g, const AppRecord& app, Options options);
    SessionRecovery(const SessionRecovery&) = delete;
    SessionRecovery& operator=(const SessionRecovery&) = delete;

    // The session requests are sent under now; each renewal counts it up.
    uint64_t Generation() const;
    State CurrentState() const;
    std::chrono::milliseconds RetryGap() const { return options_.retryGap; }

    // What became of a request sent under `generation`: no readable reply, or an answer. Only
    // news of the current session changes the state.
    void RequestFailed(uint64_t generation);
    void RequestAnswered(uint64_t generation);

    // Renews the session `generation` names, unless a newer one exists already; while another
    // caller renews, waits for its outcome. Soon after a failed renewal it fails at once: try
    // again later. True when a session newer than `generation` exists; false too when `cancel`
    // is raised while waiting.
    bool Renew(uint64_t generation, const std::atomic<bool>* cancel = nullptr);

    void SetListener(std::function<void(State)> listener);

  private:
    using Clock = std::chrono::steady_clock;

    bool HandshakeAndLogin();
    // Sets the state; calls the listener when it changed. Takes lock_ itself.
    void Announce(State state);

    GlobalSettings& g_;
    const AppRecord& app_;
    const Options options_;

    mutable std::mutex lock_;
    std::condition_variable renewed_;
    uint64_t generation_ = 0;
    State state_ = State::Connected;
    bool renewing_ = false;
    Clock::time_point nextAttempt_{};

    std::mutex announceLock_;  // held from a change of state to the listener's return
    std::mutex listenerLock_;
    std::function<void(State)> listener_;
};

}  // namespace nimbrel
