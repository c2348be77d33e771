// A live-view test bench: a simulator, a client signed in to it that renews its session when
// needed, the account's devices loaded as cameras, and a video wall without a window whose
// panes match the cameras' picture size.
// Threading: the test's thread; cameras run their own.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "ClientSession.h"
#include "SimProcess.h"
#include "devices/DeviceList.h"
#include "devices/LanDiscovery.h"
#include "live/CCamera.h"
#include "live/LiveContext.h"
#include "wall/CCanvas.h"
#include "wall/CanvasPaneHost.h"

namespace nimbrel::test {

class LiveFixture : public ::testing::Test {
  public:
    // Polls `done` every 20 ms for up to `limit`; true when it became true.
    static bool WaitUntil(const std::function<bool()>& done,
                          std::chrono::milliseconds limit = std::chrono::seconds(20));

  protected:
    void TearDown() override;

    // Starts the simulator, signs in and loads the device list; `tune` may change the live
    // context's time limits first.
    void Start(const std::string& scenario, const std::string& user, const std::string& password,
               const std::function<void(LiveContext&)>& tune = {});
    CCamera& Camera(const std::string& sid);
    // The stream messages the simulated camera logged for `sid` ("message" members).
    std::vector<Json::Value> StreamMessages(const std::string& sid) const;
    // Every camera of the device list.
    std::vector<CCamera*> Cameras();

    std::unique_ptr<SimProcess> sim;
    ClientSession client;
    CCanvas canvas;
    CanvasPaneHost host{canvas};
    PaneHost* panes = &host;  // what the cameras see of the wall; a test may put a wrapper here
    std::unique_ptr<LiveContext> live;
    // Renews the session with the live context's HTTP options (as tuned).
    std::unique_ptr<SessionRecovery> recovery;
    LanDiscovery lan;
    DeviceList list;  // last: its cameras stop before what they use goes away
};

}  // namespace nimbrel::test
