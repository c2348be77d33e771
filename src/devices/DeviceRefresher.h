// Keeping the device list and tree current: the first load (list, LAN marks, tree fill), the
// manual refresh ("Обновить список": LAN discovery, reload, LAN marks, tree update; one at a time)
// and the periodic refresh (thumbnails, then a reload and tree update every period, without LAN
// discovery; sooner while the service is lost; no more once the service ended the session).
// Threading: Start*/Stop from the UI thread, FirstLoad from the start-up worker; the refreshes
// run on their own threads. The first load and every refresh take turns, whichever thread runs
// them: a reload and the tree update after it are one step that no other reload interleaves.
// Stop wakes and joins the refresh threads.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "devices/DeviceListLoader.h"
#include "devices/DeviceThumbnails.h"
#include "devices/DeviceTreeModel.h"
#include "devices/LanDiscovery.h"

namespace nimbrel {

class DeviceRefresher {
  public:
    struct Parts {
        DeviceServiceContext service;
        DeviceList& list;
        LanDiscovery& lan;
        LanDiscovery::Options lanOptions;
        DeviceTreeModel& tree;
        DeviceThumbnails& thumbnails;
        std::function<void()> treeChanged;  // asks the window to repaint; may be empty
    };

    explicit DeviceRefresher(Parts parts);
    ~DeviceRefresher();

    // The first load: every page into the empty list with the marks of the LAN discovery started
    // at start-up, then the tree filled from list and account file (whatever loaded, unless the
    // load was cancelled through `service`, which carries the caller's cancel flag). False when
    // the list did not load completely.
    bool FirstLoad(const DeviceServiceContext& service, const DeviceTreeModel::RecordingMark& mark);
    // Starts a manual refresh unless one is running; false when one is, and that one then runs
    // once more when it ends (what changed since it read the list, a reconnection that marked
    // every device offline say, is read again). A manual refresh that gets its turn before the
    // first load has nothing to refresh and ends at once.
    bool StartManual();
    bool ManualRunning() const { return manualRunning_; }
    void StartPeriodic(std::chrono::milliseconds period = std::chrono::minutes(5));
    // Ends the periodic refresh and waits for both threads; a request in flight is cut short.
    void Stop();

    // How soon the periodic refresh tries again while the service cannot be reached, or after a
    // refresh that failed (the devices would otherwise show what the failure left for a whole
    // period).
    static constexpr std::chrono::seconds kUnreachableRetry{5};

  private:
    // RefreshDeviceList, called in turn; when it went unanswered and the requests carry a session
    // recovery, once more after renewing the session (the turn held: any other reload would
    // only fail meanwhile). A session known lost is renewed before the request; an ended one
    // is asked nothing.
    bool Reload();
    void Manual();
    void ManualRound();
    void Periodic(std::chrono::milliseconds period);
    // One periodic round's reload and tree update, in turn with the others.
    bool RefreshInTurn();
    void Changed() const;

    std::atomic<bool> cancel_{false};
    Parts parts_;
    // Held for a whole load or refresh, tree update included.
    std::mutex turn_;
    bool loaded_ = false;  // the first load has run; guarded by turn_
    std::atomic<bool> manualRunning_{false};
    std::atomic<bool> manualAgain_{false};  // asked for while a manual refresh ran
    std::thread manual_;
    std::thread periodic_;
    std::mutex waitLock_;
    std::condition_variable wake_;
    bool stopping_ = false;
    bool retrySoon_ = false;  // a manual refresh failed: the periodic one tries again soon
};

}  // namespace nimbrel
