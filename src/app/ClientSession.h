// What the signed-in program shares between its windows and workers: the video wall model, the
// account's device list (whose records are cameras), the tree model over the account file, the
// thumbnails and the refreshes. LAN discovery is started before login and lent in.
// Threading: built and destroyed on the UI thread; the parts have their own rules. The tree
// listener is set before any worker starts and is then only read.
#pragma once

#include <functional>

#include "devices/DeviceList.h"
#include "devices/DeviceListLoader.h"
#include "devices/DeviceRefresher.h"
#include "devices/DeviceThumbnails.h"
#include "devices/DeviceTreeModel.h"
#include "devices/LanDiscovery.h"
#include "live/CCamera.h"
#include "live/LiveContext.h"
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

    GlobalSettings& Settings() { return g_; }
    AppRecord& App() { return app_; }
    UserNotifier& Notifier() { return notifier_; }
    DeviceServiceContext Service() const { return {g_, app_, notifier_, http_}; }
    LanDiscovery::Options LanOptions() const;

    CCanvas& Canvas() { return canvas_; }
    CanvasPaneHost& PaneHost() { return panes_; }
    LiveContext& Live() { return live_; }
    DeviceList& List() { return list_; }
    DeviceTreeModel& Tree() { return tree_; }
    DeviceThumbnails& Thumbnails() { return thumbnails_; }
    DeviceRefresher& Refresher() { return refresher_; }
    LanDiscovery& Lan() { return lan_; }

    // The camera at `index` of the device list, or null.
    CCamera* Camera(int index) const;
    // Stops every camera's view for good (program exit).
    void ShutdownCameras();
    void NotifyTreeChanged() const;

  private:
    GlobalSettings& g_;
    AppRecord& app_;
    UserNotifier& notifier_;
    LanDiscovery& lan_;
    HttpOptions http_;
    std::function<void()> treeChanged_;

    CCanvas canvas_;
    CanvasPaneHost panes_{canvas_};
    LiveContext live_;
    DeviceList list_;  // after the wall and the live context: its cameras use both
    DeviceTreeModel tree_;
    DeviceThumbnails thumbnails_;
    DeviceRefresher refresher_;
};

}  // namespace nimbrel
