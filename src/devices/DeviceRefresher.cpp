#include "devices/DeviceRefresher.h"

#include <pthread.h>

#include <algorithm>

#include "platform/Log.h"
#include "service/SessionRecovery.h"

namespace nimbrel {

DeviceRefresher::DeviceRefresher(Parts parts) : parts_(std::move(parts)) {
    parts_.service.http.cancel = &cancel_;
}

DeviceRefresher::~DeviceRefresher() {
    Stop();
}

void DeviceRefresher::Changed() const {
    if (parts_.treeChanged) parts_.treeChanged();
}

bool DeviceRefresher::FirstLoad(const DeviceServiceContext& service,
                                const DeviceTreeModel::RecordingMark& mark) {
    std::lock_guard turn(turn_);
    const bool complete = FetchDeviceList(service, parts_.list, parts_.lan);
    if (!complete) NLOG_DEBUG("DeviceRefresher: the device list did not load completely");
    if (service.http.cancel && service.http.cancel->load()) return false;
    parts_.tree.Fill(mark);
    loaded_ = true;
    return complete;
}

bool DeviceRefresher::StartManual() {
    // Marked before the running one can see that nothing more is asked of it and end.
    manualAgain_ = true;
    if (manualRunning_.exchange(true)) return false;
    manualAgain_ = false;                    // the round started here reads everything
    if (manual_.joinable()) manual_.join();  // the previous run has ended: it cleared the mark
    manual_ = std::thread(&DeviceRefresher::Manual, this);
    return true;
}

bool DeviceRefresher::Reload() {
    SessionRecovery* session = parts_.service.http.session;
    if (!session) return RefreshDeviceList(parts_.service, parts_.list);
    const uint64_t generation = session->Generation();
    switch (session->CurrentState()) {
        case SessionRecovery::State::Ended:
            return false;  // nothing is asked of the service until the user signs in again
        case SessionRecovery::State::Reconnecting:
            // A request of the lost session would only fail: the renewal first (which asks
            // nothing within its gap after a failed one).
            return session->Renew(generation, &cancel_) &&
                   RefreshDeviceList(parts_.service, parts_.list);
        case SessionRecovery::State::Connected:
            break;
    }
    if (RefreshDeviceList(parts_.service, parts_.list)) return true;
    if (cancel_ || session->CurrentState() != SessionRecovery::State::Reconnecting) return false;
    return session->Renew(generation, &cancel_) && RefreshDeviceList(parts_.service, parts_.list);
}

void DeviceRefresher::Manual() {
    pthread_setname_np(pthread_self(), "dev-refresh");
    do {
        ManualRound();
        manualRunning_ = false;
        // Asked for again while this round ran: one more round, unless a refresh started by
        // then has taken it over.
    } while (!cancel_ && manualAgain_.exchange(false) && !manualRunning_.exchange(true));
}

void DeviceRefresher::ManualRound() {
    std::lock_guard turn(turn_);
    if (!loaded_) return;
    parts_.lan.Start(parts_.lanOptions);
    if (Reload()) {
        parts_.lan.Match(parts_.list);
        parts_.tree.Update();
        Changed();
    } else {
        parts_.lan.Collect();
        {
            std::lock_guard guard(waitLock_);
            retrySoon_ = true;
        }
        wake_.notify_all();
    }
}

void DeviceRefresher::StartPeriodic(std::chrono::milliseconds period) {
    if (periodic_.joinable()) return;
    {
        std::lock_guard guard(waitLock_);
        stopping_ = false;
    }
    cancel_ = false;
    periodic_ = std::thread(&DeviceRefresher::Periodic, this, period);
}

bool DeviceRefresher::RefreshInTurn() {
    std::lock_guard turn(turn_);
    return Reload() && parts_.tree.Update();
}

void DeviceRefresher::Periodic(std::chrono::milliseconds period) {
    pthread_setname_np(pthread_self(), "dev-periodic");
    parts_.thumbnails.Load(parts_.service, parts_.tree, parts_.list);
    Changed();
    const auto retry = std::min<std::chrono::milliseconds>(period, kUnreachableRetry);
    for (;;) {
        const bool reloaded = RefreshInTurn();
        if (reloaded) {
            parts_.thumbnails.Load(parts_.service, parts_.tree, parts_.list);
            Changed();
        }
        // A reload that went unanswered left the session reconnecting; one that was answered
        // left it connected. Either way a failed one is tried again soon. A session the service
        // ended is asked nothing more: the refresh waits for its stop.
        const SessionRecovery* session = parts_.service.http.session;
        const auto state = session ? session->CurrentState() : SessionRecovery::State::Connected;
        const bool unreachable = state == SessionRecovery::State::Reconnecting;
        std::unique_lock lock(waitLock_);
        if (state == SessionRecovery::State::Ended) {
            wake_.wait(lock, [this] { return stopping_; });
            return;
        }
        retrySoon_ = false;  // this round read the list after any earlier failure
        const auto wait = unreachable || !reloaded ? retry : period;
        // A manual refresh that fails meanwhile cuts the wait short: the retry comes a retry
        // delay after that failure.
        if (wake_.wait_for(lock, wait, [this] { return stopping_ || retrySoon_; })) {
            if (stopping_) return;
            retrySoon_ = false;
            if (wake_.wait_for(lock, retry, [this] { return stopping_; })) return;
        }
    }
}

void DeviceRefresher::Stop() {
    {
        std::lock_guard guard(waitLock_);
        stopping_ = true;
    }
    cancel_ = true;
    wake_.notify_all();
    if (periodic_.joinable()) periodic_.join();
    if (manual_.joinable()) manual_.join();
}

}  // namespace nimbrel
