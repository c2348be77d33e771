// Stopping live views against the simulator: a start that lands while the check thread stops a
// failed view, and the program's exit with a full wall of cameras that froze.
#include <gtest/gtest.h>

#include <iostream>

#include "LiveFixture.h"

namespace nimbrel {

// Holds a camera's stop at a chosen step and waits for its stop thread.
class CameraTestAccess {
  public:
    // The lock a stop takes when it clears the camera's address.
    static std::mutex& AddressLock(CCamera& c) { return c.route_.AddressLock(); }
    static bool Stopping(CCamera& c) {
        std::lock_guard guard(c.lifecycleLock_);
        return c.stopping_;
    }
    static void JoinStopThread(CCamera& c) {
        std::thread stopper;
        {
            std::lock_guard guard(c.lifecycleLock_);
            stopper = std::move(c.stopThread_);
        }
        if (stopper.joinable()) stopper.join();
    }
};

namespace test {
namespace {

using namespace std::chrono_literals;

class ViewStop : public LiveFixture {};

TEST_F(ViewStop, AStartDuringTheCheckThreadsStopIsNotReplayedByTheNextStop) {
    Start("live-faults.json", "live_user", "live1234", [](LiveContext& l) {
        l.checkPeriod = 1s;
        l.firstRetry = 1s;
    });
    CCamera& camera = Camera("LF0000000002");  // drops the stream after 3 s
    camera.CameraStart();
    ASSERT_TRUE(WaitUntil([&] { return camera.m_nStatus == kStatusPlaying; }));
    {
        // The check thread's stop of the failed view waits here, before it releases the pane.
        std::unique_lock address(CameraTestAccess::AddressLock(camera));
        ASSERT_TRUE(WaitUntil([&] { return camera.m_nStatus == kStatusFailed; }));
        ASSERT_TRUE(WaitUntil([&] { return CameraTestAccess::Stopping(camera); }));
        camera.CameraStart();  // the user's start meanwhile
    }
    // The check thread starts the view again; then the user stops it, and it stays stopped.
    ASSERT_TRUE(WaitUntil([&] { return camera.m_nStatus == kStatusPlaying; }));
    camera.RequestStop();
    CameraTestAccess::JoinStopThread(camera);
    EXPECT_EQ(camera.m_nStatus, kStatusReady);
    EXPECT_EQ(camera.m_nPage, -1);
}

TEST_F(ViewStop, AWallOfFrozenCamerasStopsInAFewSeconds) {
    Start("wall-16.json", "wall_user", "wall1234");
    canvas.Relayout(0, 4, 4);
    canvas.PlacePanes(1280, 720);
    const std::vector<CCamera*> cameras = Cameras();
    ASSERT_EQ(cameras.size(), 16u);
    for (CCamera* c : cameras) c->CameraStart();
    for (CCamera* c : cameras)
        ASSERT_TRUE(WaitUntil([&] { return c->m_nStatus == kStatusPlaying; }, 60s)) << c->Sid();

    sim->Freeze();
    // Each stream has data on its way that the frozen cameras never acknowledge: a keep-alive.
    std::vector<uint64_t> sent;
    for (CCamera* c : cameras) sent.push_back(c->counters.keepAlivesSent);
    ASSERT_TRUE(WaitUntil([&] {
        for (std::size_t i = 0; i < cameras.size(); ++i)
            if (cameras[i]->counters.keepAlivesSent <= sent[i]) return false;
        return true;
    }));

    const auto start = std::chrono::steady_clock::now();
    ShutdownCameras(cameras);  // what the program does at exit
    const auto took = std::chrono::steady_clock::now() - start;
    std::cout << "16 frozen cameras stopped in "
              << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms\n";
    EXPECT_LT(took, 10s);
    for (CCamera* c : cameras) EXPECT_EQ(c->m_nStatus, kStatusReady) << c->Sid();
}

}  // namespace
}  // namespace test
}  // namespace nimbrel
