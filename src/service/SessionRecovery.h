// Keeps the client signed in: a request without a readable reply (service out of reach, or its
// keys changed) marks the session lost, and a renewal repeats the handshake and the login with
// the name and password digest of the sign-in. One renewal runs at a time for the whole
// program; a renewal that failed for the network waits out a growing gap before the next, and a
// login the service refuses ends the session until the user signs in again.
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
#include <optional>
#include <string>

#include "service/AppRecord.h"
#include "service/GlobalSettings.h"
#include "service/HttpTransport.h"

namespace nimbrel {

// Whoever needs the lost session first renews it; callers meanwhile wait for the outcome.
class SessionRecovery {
  public:
    enum class State {
        Connected,     // requests are answered
        Reconnecting,  // lost: renewals are tried, further and further apart
        Ended,         // the service refused the login: nothing is asked of it any more
    };

    // Why the session ended: the login's status word ("" or "OK" for an OK without a usable
    // token) and the login window's text for it (a core text, untranslated).
    struct Refusal {
        std::string status;
        std::string message;
    };

    struct Options {
        // Time limits of the renewal's requests; each one is cut short by the stop flag of the
        // caller that runs the renewal.
        HttpOptions http;
        // After a failed renewal the next may start this much later, twice as late after each
        // further failure, never later than longestGap.
        std::chrono::milliseconds firstGap{std::chrono::seconds(2)};
        std::chrono::milliseconds longestGap{std::chrono::seconds(60)};
    };

    SessionRecovery(GlobalSettings& g, AppRecord& app, Options options);
    SessionRecovery(const SessionRecovery&) = delete;
    SessionRecovery& operator=(const SessionRecovery&) = delete;

    // The session requests are sent under now; each renewal counts it up.
    uint64_t Generation() const;
    State CurrentState() const;
    // Set once the session has ended.
    std::optional<Refusal> EndedBy() const;

    // What became of a request sent under `generation`: no readable reply, or an answer. Only
    // news of the current session changes the state, and an ended session stays ended.
    void RequestFailed(uint64_t generation);
    void RequestAnswered(uint64_t generation);

    // Renews the session `generation` names, unless a newer one exists already; while another
    // caller renews, waits for its outcome. Within the gap after a failed renewal, and once the
    // session has ended, it fails at once without a request. `cancel` (may be null) ends the
    // wait and cuts the renewal's requests short. True when a session newer than `generation`
    // exists.
    bool Renew(uint64_t generation, const std::atomic<bool>* cancel = nullptr);

    void SetListener(std::function<void(State)> listener);

  private:
    using Clock = std::chrono::steady_clock;

    enum class Outcome { Renewed, Failed, Refused, Cancelled };
    struct Attempt {
        Outcome outcome = Outcome::Failed;
        bool keysReplaced = false;  // the handshake gave the client new keys
        Refusal refusal;
    };
    Attempt HandshakeAndLogin(const std::atomic<bool>* cancel);
    std::chrono::milliseconds GapAfter(int failures) const;
    // Changes the fields under lock_ through `apply`, which returns the new state; wakes the
    // callers waiting for a renewal and tells the listener when the state changed.
    void Update(const std::function<State()>& apply);

    GlobalSettings& g_;
    AppRecord& app_;
    const Options options_;

    mutable std::mutex lock_;
    std::condition_variable renewed_;
    uint64_t generation_ = 0;
    State state_ = State::Connected;
    bool renewing_ = false;
    // False once a renewal's handshake replaced the keys without a login: answers under those
    // keys prove nothing of the session until a renewal completes.
    bool sessionKeys_ = true;
    int failures_ = 0;  // renewals failed in a row
    Clock::time_point nextAttempt_{};
    std::optional<Refusal> refusal_;

    std::mutex announceLock_;  // held from a change of state to the listener's return
    std::mutex listenerLock_;
    std::function<void(State)> listener_;
};

// Wipes what the sign-in left in memory: the password digest, the login token and the stored
// form of the password; the program is signed out (m_LoggedIn 0).
void WipeSignIn(GlobalSettings& g, AppRecord& app);

}  // namespace nimbrel
