// What the signed-in program shares between its windows and workers: the wall model, the device
// list (whose records are cameras), the tree model, thumbnails, refreshes and the renewal of the
// service session (devices show offline while it is lost, and nothing is asked of the service
// once it has ended the session). LAN discovery is lent in.
// Threading: built and destroyed on the UI thread; the parts have their own rules. The tree
// listener is set before any worker starts and is then only read; the service state listeners
// may be set and cleared at any time.
#pragma once

#include <functional>
#include <mutex>

#include "archive/ArchiveKeeper.h"
#include "devices/DeviceList.h"
#include "devices/DeviceListLoader.h"
#include "devices/DeviceRefresher.h"
#include "devices/DeviceThumbnails.h"
#include "devices/DeviceTreeModel.h"
#include "devices/LanDiscovery.h"
#include "live/CCamera.h"
#include "live/LiveContext.h"
#include "service/SessionRecovery.h"
#include "wall/CCanvas.h"
#include "wall/CanvasPaneHost.h"

namespace nimbrel {

class ClientSession {
  public:
    struct Parts {
        GlobalSettings& g;
        AppRecord& app;
        UserNotifier& notifier;
        LanDiscovery& lan;
        SplitLayout layout = DefaultSplitLayout();
        HttpOptions http{};
    };

    explicit ClientSession(Parts parts);
    // Stops the refreshes and every camera before the wall they draw into goes.
    ~ClientSession();
    ClientSession(const ClientSession&) = delete;
    ClientSession& operator=(const ClientSession&) = delete;

    // Called (on a worker thread) whenever the tree's content changed. Set before AllInit runs.
    void SetTreeChanged(std::function<void()> changed) { treeChanged_ = std::move(changed); }
    // Called (on a worker thread) when the service is lost (false) or reached again (true); the
    // devices are already marked offline when it is told of a loss.
    void SetServiceStateChanged(std::function<void(bool connected)> changed);
    // Called (on a worker thread) once the service has refused the renewed login: the session
    // has ended (Recovery().EndedBy() says why), the devices are marked offline, and the
    // refreshes and views ask nothing more of the service.
    void SetSessionEnded(std::function<void()> ended);

    GlobalSettings& Settings() { return g_; }
    AppRecord& App() { return app_; }
    UserNotifier& Notifier() { return notifier_; }
    DeviceServiceContext Service() { return {g_, app_, notifier_, ServiceHttp()}; }
    LanDiscovery::Options LanOptions() const;

    CCanvas& Canvas() { return canvas_; }
    CanvasPaneHost& PaneHost() { return panes_; }
    LiveContext& Live() { return live_; }
    DeviceList& List() { return list_; }
    DeviceTreeModel& Tree() { return tree_; }
    DeviceThumbnails& Thumbnails() { return thumbnails_; }
    DeviceRefresher& Refresher() { return refresher_; }
    LanDiscovery& Lan() { return lan_; }
    SessionRecovery& Recovery() { return recovery_; }
    // The account's recordings: index, retention, the cameras' recorders report to it.
    archive::ArchiveKeeper& Archive() { return archive_; }

    // The camera at `index` of the device list, or null.
    CCamera* Camera(int index) const;
    // Stops every camera's view for good (program exit).
    void ShutdownCameras();
    void NotifyTreeChanged() const;

  private:
    // Requests that report to the session recovery.
    HttpOptions ServiceHttp();
    void OnServiceState(SessionRecovery::State state);

    GlobalSettings& g_;
    AppRecord& app_;
    UserNotifier& notifier_;
    LanDiscovery& lan_;
    HttpOptions http_;
    std::function<void()> treeChanged_;
    std::mutex serviceListenerLock_;
    std::function<void(bool)> serviceChanged_;
    std::function<void()> sessionEnded_;

    SessionRecovery recovery_;
    CCanvas canvas_;
    CanvasPaneHost panes_{canvas_};
    archive::ArchiveKeeper archive_;  // before the live context, whose cameras report to it
    LiveContext live_;
    DeviceList list_;  // after the wall and the live context: its cameras use both
    DeviceTreeModel tree_;
    DeviceThumbnails thumbnails_;
    DeviceRefresher refresher_;
};

}  // namespace nimbrel
