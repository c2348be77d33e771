// Keeping the device list and tree current: the manual refresh ("Обновить список": LAN discovery,
// reload, LAN marks, tree update; one at a time) and the periodic refresh (thumbnails, then a
// reload and tree update every period, without LAN discovery).
// Threading: Start*/Stop from the UI thread; the refreshes run on their own threads, serialised
// with every other load by the device list's writer lock. Stop wakes and joins them.
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

    // Starts a manual refresh unless one is running; false when one is.
    bool StartManual();
    bool ManualRunning() const { return manualRunning_; }
    void StartPeriodic(std::chrono::milliseconds period = std::chrono::minutes(5));
    // Ends the periodic refresh and waits for both threads; a request in flight is cut short.
    void Stop();

private:
    void Manual();
    void Periodic(std::chrono::milliseconds period);
    void Changed() const;

    std::atomic<bool> cancel_{false};
    Parts parts_;
    std::atomic<bool> manualRunning_{false};
    std::thread manual_;
    std::thread periodic_;
    std::mutex waitLock_;
    std::condition_variable wake_;
    bool stopping_ = false;
};

}  // namespace nimbrel
