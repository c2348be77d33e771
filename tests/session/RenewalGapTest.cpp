// Renewals while the service is out of reach, against the simulator's outage: however many
// callers need the session, one renewal runs at a time and each failed one makes the next wait
// twice as long, up to the longest gap; once the service is back one renewal brings the session
// back. The gaps run a hundred times faster here: 20 ms growing to 600 ms stand for 2 s growing
// to a minute, and an outage of 3 s for one of five minutes.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <iostream>
#include <thread>
#include <vector>

#include "DeviceE2E.h"
#include "Polling.h"
#include "service/SessionRecovery.h"

namespace nimbrel::test {
namespace {

using namespace std::chrono_literals;
using State = SessionRecovery::State;

TEST(RenewalGap, AnOutageIsAskedAtMostOnceAMinuteOnceTheGapHasGrown) {
    ScenarioVariant scenario("demo.json", ListOnly);
    SimProcess sim(scenario.Path());
    DeviceClient client(sim, "demo_user", "demo1234");
    ASSERT_TRUE(client.signedIn);
    ASSERT_TRUE(client.Fetch());
    SessionRecovery recovery(client.session.g, client.session.app,
                             {.http = {}, .firstGap = 20ms, .longestGap = 600ms});
    DeviceServiceContext service = client.Context();
    service.http.session = &recovery;
    const uint64_t generation = recovery.Generation();

    ASSERT_TRUE(sim.Control("outage?seconds=3"));
    EXPECT_FALSE(RefreshDeviceList(service, client.list));
    ASSERT_EQ(recovery.CurrentState(), State::Reconnecting);

    // Four callers (cameras, the refresh) ask for the session all the time.
    std::atomic<bool> back{false};
    std::vector<std::thread> callers;
    for (int i = 0; i < 4; ++i)
        callers.emplace_back([&] {
            while (!back) {
                if (recovery.CurrentState() == State::Reconnecting)
                    recovery.Renew(recovery.Generation());
                std::this_thread::sleep_for(2ms);
            }
        });
    const bool connected = WaitUntil([&] { return recovery.CurrentState() == State::Connected; }, 60s);
    back = true;
    for (std::thread& caller : callers) caller.join();
    ASSERT_TRUE(connected);

    int duringOutage = 0, answered = 0, logins = 0;
    for (const Json::Value& line : sim.RequestLog()) {
        const std::string path = line["path"].asString();
        if (path == "security.do") ++(line["error"].asString() == "outage" ? duringOutage : answered);
        if (path == "login.do") ++logins;
    }
    std::cout << "renewals tried during the outage: " << duringOutage << "\n";
    // Attempts start at least 20, 40, 80, 160, 320, 600, 600, 600 ms apart: nine fit in 3 s
    // (one more may meet the outage's last moment).
    EXPECT_LE(duringOutage, 10);
    EXPECT_GE(duringOutage, 3) << "the renewals gave up instead of trying again";
    EXPECT_EQ(answered, 2) << "the sign-in's handshake, then one renewal once the service is back";
    EXPECT_EQ(logins, 2);
    EXPECT_EQ(recovery.Generation(), generation + 1);
}

}  // namespace
}  // namespace nimbrel::test
