// The refreshes across a restart of the whole service, whose new run no longer opens the
// session's keys: the periodic refresh, whose period is far off, tries again soon while the
// service is lost, taking turns with a manual refresh pressed meanwhile, and once the service is
// back renews the session and reloads; a manual refresh that fails is tried again soon.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "DeviceE2E.h"
#include "Polling.h"
#include "devices/DeviceRefresher.h"
#include "devices/DeviceThumbnails.h"
#include "devices/DeviceTreeModel.h"
#include "service/SessionRecovery.h"

namespace nimbrel::test {
namespace {

using namespace std::chrono_literals;

TEST(RefreshRecovery, PeriodicRefreshRenewsTheLostSessionAndReloadsOnceTheServiceIsBack) {
    ScenarioVariant scenario("devices-25.json", ListOnly);
    SimProcess sim(scenario.Path());
    DeviceClient client(sim, "many_user", "many1234");
    ASSERT_TRUE(client.signedIn);
    HttpOptions http;
    http.connectTimeoutMs = 2000;
    http.totalTimeoutMs = 5000;
    SessionRecovery recovery(client.session.g, client.session.app, {.http = http});
    DeviceServiceContext service = client.Context();
    service.http = http;
    service.http.session = &recovery;

    DeviceTreeModel tree(client.list, client.session.app.m_ConfigPath);
    DeviceThumbnails thumbnails;
    LanDiscovery::Options quiet;  // no address: nothing is probed
    quiet.listenRounds = 1;
    quiet.listenWaitMs = 10;
    DeviceRefresher refresher(
        DeviceRefresher::Parts{service, client.list, client.lan, quiet, tree, thumbnails, {}});
    ASSERT_TRUE(refresher.FirstLoad(service, {}));
    ASSERT_EQ(client.list.Count(), 25);

    sim.Kill();
    // The first periodic round finds the service gone; the next one is due in ten minutes.
    refresher.StartPeriodic(10min);
    ASSERT_TRUE(WaitUntil(
        [&] { return recovery.CurrentState() == SessionRecovery::State::Reconnecting; }, 60s));
    // A manual refresh pressed while the service is gone takes its turn among the retries and
    // fails.
    ASSERT_TRUE(WaitUntil([&] { return refresher.StartManual(); }, 60s));
    ASSERT_TRUE(WaitUntil([&] { return !refresher.ManualRunning(); }, 60s));
    sim.StartAgain();

    // Only the periodic refresh's retry can reload now: it signs in again by itself (the new
    // run's keys and token) and reloads the list.
    EXPECT_TRUE(WaitUntil([&] { return sim.Requests("devList.do").size() >= 3; }, 60s));
    EXPECT_EQ(recovery.CurrentState(), SessionRecovery::State::Connected);
    EXPECT_EQ(sim.Requests("security.do").size(), 1u);
    EXPECT_EQ(sim.Requests("login.do").size(), 1u);
    refresher.Stop();
    EXPECT_EQ(client.list.Count(), 25);
}

// A manual refresh that fails while the service answers other requests (a frozen service here,
// which no renewal is tried for: the refresher carries no session recovery) would leave the
// devices as the failure left them until the periodic refresh's next period, minutes later:
// the periodic refresh tries again a retry delay after the failure.
TEST(RefreshRecovery, AFailedManualRefreshIsTriedAgainSoonNotAtTheNextPeriod) {
    ScenarioVariant scenario("devices-25.json", ListOnly);
    SimProcess sim(scenario.Path());
    DeviceClient client(sim, "many_user", "many1234");
    ASSERT_TRUE(client.signedIn);
    DeviceServiceContext service = client.Context();
    service.http.connectTimeoutMs = 1000;
    service.http.totalTimeoutMs = 1500;
    DeviceTreeModel tree(client.list, client.session.app.m_ConfigPath);
    DeviceThumbnails thumbnails;
    LanDiscovery::Options quiet;
    quiet.listenRounds = 1;
    quiet.listenWaitMs = 10;
    DeviceRefresher refresher(
        DeviceRefresher::Parts{service, client.list, client.lan, quiet, tree, thumbnails, {}});
    ASSERT_TRUE(refresher.FirstLoad(service, {}));
    const std::size_t firstLoad = sim.Requests("devList.do").size();

    // The periodic refresh reads the list at once, then waits ten minutes.
    refresher.StartPeriodic(10min);
    ASSERT_TRUE(WaitUntil([&] { return sim.Requests("devList.do").size() >= 2 * firstLoad; }));
    sim.Freeze();
    ASSERT_TRUE(refresher.StartManual());
    ASSERT_TRUE(WaitUntil([&] { return !refresher.ManualRunning(); }, 60s));
    sim.Thaw();
    const std::size_t afterFailure = sim.Requests("devList.do").size();
    EXPECT_TRUE(WaitUntil(
        [&] { return sim.Requests("devList.do").size() >= afterFailure + firstLoad; }, 60s))
        << "no reload within a minute of the failed refresh";
    refresher.Stop();
    EXPECT_EQ(client.list.Count(), 25);
}

}  // namespace
}  // namespace nimbrel::test
