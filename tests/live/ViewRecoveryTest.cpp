// Live views that come back by themselves, against the simulator over loopback: a camera that
// reboots, the whole service and its cameras killed and started again on the same ports, and a
// camera that freezes and resumes.
#include <gtest/gtest.h>

#include "LiveFixture.h"

namespace nimbrel::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class ViewRecovery : public LiveFixture {};

// Playing, with pictures shown after `shown` had been counted.
bool PlaysAgain(const CCamera& c, uint64_t shown) {
    return c.m_nStatus == kStatusPlaying && c.counters.framesShown > shown;
}

// The limits are twice the times a view is meant to take, so that a loaded machine passes, and
// far below the five-minute check period: a view back within them was retried, not rechecked.
std::chrono::milliseconds Until(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(t - Clock::now());
}

TEST_F(ViewRecovery, RebootedCameraPlaysAgainSoonAfterItIsBack) {
    // The five-minute check period stays: only the retries of the failed view can be in time.
    Start("live-faults.json", "live_user", "live1234");
    CCamera& camera = Camera("LF0000000019");  // down for 3 s after 2 s of streaming
    camera.CameraStart();
    ASSERT_TRUE(WaitUntil([&] { return camera.m_nStatus == kStatusPlaying; }));
    ASSERT_TRUE(WaitUntil([&] { return camera.m_nStatus == kStatusFailed; }));
    const auto back = Clock::now() + 3s;
    const uint64_t shown = camera.counters.framesShown;
    EXPECT_TRUE(WaitUntil([&] { return PlaysAgain(camera, shown); }, Until(back + 30s)))
        << "status " << camera.m_nStatus;
}

TEST_F(ViewRecovery, ViewsPlayAgainAfterTheServiceIsRestarted) {
    Start("demo.json", "demo_user", "demo1234", [](LiveContext& l) {
        l.http.connectTimeoutMs = 2000;
        l.http.totalTimeoutMs = 5000;
    });
    CCamera& lan = Camera("NB0000000001");
    CCamera& punched = Camera("NB0000000003");
    for (CCamera* c : {&lan, &punched}) c->CameraStart();
    for (CCamera* c : {&lan, &punched})
        ASSERT_TRUE(WaitUntil([&] { return c->m_nStatus == kStatusPlaying; })) << c->Sid();

    sim->Kill();
    for (CCamera* c : {&lan, &punched})
        ASSERT_TRUE(WaitUntil([&] { return c->m_nStatus == kStatusFailed; })) << c->Sid();
    // The new run has new keys: the session's requests no longer open until it is renewed.
    sim->StartAgain();
    const auto back = Clock::now();
    for (CCamera* c : {&lan, &punched}) {
        const uint64_t shown = c->counters.framesShown;
        EXPECT_TRUE(WaitUntil([&] { return PlaysAgain(*c, shown); }, Until(back + 60s)))
            << c->Sid() << " status " << c->m_nStatus;
    }
    EXPECT_EQ(sim->Requests("security.do").size(), 1u);
    EXPECT_EQ(sim->Requests("login.do").size(), 1u);
    EXPECT_EQ(recovery->CurrentState(), SessionRecovery::State::Connected);
}

TEST_F(ViewRecovery, FrozenCameraFailsAndPlaysAgainOnceItResumes) {
    Start("live-faults.json", "live_user", "live1234", [](LiveContext& l) {
        l.stallLimit = 2s;
        l.firstRetry = 1s;
        l.http.connectTimeoutMs = 2000;
        l.http.totalTimeoutMs = 3000;
    });
    CCamera& camera = Camera("LF0000000014");
    camera.CameraStart();
    ASSERT_TRUE(WaitUntil([&] { return camera.m_nStatus == kStatusPlaying; }));

    sim->Freeze();
    ASSERT_TRUE(WaitUntil([&] { return camera.m_nStatus == kStatusFailed; }, 12s))
        << "status " << camera.m_nStatus;
    sim->Thaw();
    const uint64_t shown = camera.counters.framesShown;
    EXPECT_TRUE(WaitUntil([&] { return PlaysAgain(camera, shown); }, 30s))
        << "status " << camera.m_nStatus;
}

}  // namespace
}  // namespace nimbrel::test
