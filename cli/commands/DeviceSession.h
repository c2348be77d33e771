// What the device and live-view commands share: LAN discovery started before signing in (as the
// desktop program does), the sign-in, the account's device list — whose records are cameras, so
// a view can be started on any of them — a video wall without a window, and the renewal of the
// session when the service stops answering it (a refused renewal ends the command).
// Threading: the main thread of nimbrelctl; cameras run their own threads.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "AccountSession.h"
#include "CliContext.h"
#include "devices/DeviceList.h"
#include "devices/DeviceListLoader.h"
#include "devices/LanDiscovery.h"
#include "live/CCamera.h"
#include "live/LiveContext.h"
#include "service/SessionRecovery.h"
#include "wall/CCanvas.h"
#include "wall/CanvasPaneHost.h"

namespace nimbrel::cli {

class DeviceSession {
  public:
    explicit DeviceSession(CliContext& ctx);
    ~DeviceSession();

    // Signs in and loads the device list. kExitOk, or the printed failure's exit code.
    int Open(const AccountOptions& options);

    DeviceServiceContext Service() {
        return {ctx_.g, ctx_.app, ctx_.notifier, HttpOptions{.session = &recovery_}};
    }
    LanDiscovery::Options LanOptions() const;
    DeviceList& List() { return list_; }
    LanDiscovery& Lan() { return lan_; }
    CCanvas& Canvas() { return canvas_; }
    LiveContext& Live() { return live_; }
    // The device with this sid, or null after printing why not.
    DeviceRecord* Find(const std::string& sid);
    SessionRecovery& Recovery() { return recovery_; }
    // Once the service has refused the renewed login: prints its message and gives the exit
    // code; nothing while the session lasts.
    std::optional<int> FailIfSignedOut();
    CCamera* Camera(const std::string& sid) { return dynamic_cast<CCamera*>(Find(sid)); }

  private:
    CliContext& ctx_;
    SessionRecovery recovery_;
    CCanvas canvas_;
    CanvasPaneHost panes_{canvas_};
    LiveContext live_;
    LanDiscovery lan_;
    DeviceList list_;  // last: its cameras go before what they use
};

// One record as a JSON object with every field.
Json::Value DeviceJson(const DeviceRecord& device);

}  // namespace nimbrel::cli
