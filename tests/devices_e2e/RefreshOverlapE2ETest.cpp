// Refreshes, group edits and saves of the account file that overlap, against the simulator: a
// manual refresh started while the periodic one runs, the user moving devices and renaming a
// group meanwhile, and the exit's save of the wall layout. No device may change group, no edit
// may be lost, and the list must not gain a second record of any device.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <thread>

#include "DeviceE2E.h"
#include "Polling.h"
#include "devices/DeviceGroupsFile.h"
#include "devices/DeviceRefresher.h"
#include "devices/DeviceThumbnails.h"
#include "devices/DeviceTreeModel.h"
#include "platform/FixedText.h"
#include "service/AccountFile.h"
#include "service/AccountStore.h"
#include "wall/StoredLayout.h"

namespace nimbrel::test {
namespace {

using namespace std::chrono_literals;

int CameraEntries(const AccountFile& file, const std::string& sid) {
    int n = 0;
    for (XmlElement c = file.Document().Root().Child("config4").Child("CameraList").Child("Camera");
         c; c = c.Next("Camera"))
        n += c.Attribute("Id") == sid ? 1 : 0;
    return n;
}

TEST(RefreshOverlap, ManualAndPeriodicRefreshesEditsAndExitSaveLoseNothing) {
    // Every page held back a little, so that each refresh spends most of its time waiting on
    // the service; no thumbnails, so that the periodic rounds are refreshes only.
    ScenarioVariant scenario("devices-25.json", [](Json::Value& s) {
        s["service"]["deviceList"]["delayMs"] = 30;
        ListOnly(s);
    });
    SimProcess sim(scenario.Path());
    DeviceClient client(sim, "many_user", "many1234");
    ASSERT_TRUE(client.signedIn);
    const std::filesystem::path accountFile = client.session.app.m_ConfigPath;

    DeviceTreeModel tree(client.list, accountFile);
    DeviceThumbnails thumbnails;
    LanDiscovery::Options quiet;  // no address: nothing is probed, the listener ends soon
    quiet.listenRounds = 2;
    quiet.listenWaitMs = 10;
    DeviceRefresher refresher(DeviceRefresher::Parts{
        client.Context(), client.list, client.lan, quiet, tree, thumbnails, {}});
    ASSERT_TRUE(client.lan.Start(quiet));
    ASSERT_TRUE(refresher.FirstLoad(client.Context(), {}));
    ASSERT_EQ(client.list.Count(), 25);

    // Two groups of the user's, and devices placed in them before any refresh.
    const auto home = tree.AddGroup();
    const auto office = tree.AddGroup();
    ASSERT_TRUE(home && office);
    std::vector<int32_t> expected(25, 0);
    for (int i = 0; i < 25; ++i) {
        expected[static_cast<std::size_t>(i)] = i % 3 == 0 ? *home : i % 3 == 1 ? *office : 0;
        ASSERT_TRUE(tree.MoveDevice(i, expected[static_cast<std::size_t>(i)]));
    }

    refresher.StartPeriodic(10ms);
    const std::array<int, 3> columns{1, 3, 4};
    std::string homeName;
    const SplitLayout* lastLayout = nullptr;
    for (int round = 0; round < 4; ++round) {
        // A refresh asked for while one runs only makes that one go round again: each round's
        // own refresh starts once the previous one has ended.
        ASSERT_TRUE(WaitUntil([&] { return !refresher.ManualRunning(); }, 120s, 5ms));
        ASSERT_TRUE(refresher.StartManual());
        // While the refreshes run: the user moves a device and renames a group, and the program
        // saves the layout as it does at exit (through the file's owner, as every writer does).
        const int device = (round * 7) % 25;
        const int32_t target = round % 2 == 0 ? *home : *office;
        ASSERT_TRUE(tree.MoveDevice(device, target));
        expected[static_cast<std::size_t>(device)] = target;
        homeName = "Дом " + std::to_string(round);
        ASSERT_TRUE(tree.RenameGroup(*home, homeName));
        lastLayout = FindSplitLayout(SplitLayout::kGrid, columns[round % 3], columns[round % 3]);
        ASSERT_TRUE(lastLayout);
        ASSERT_TRUE(AccountStore::For(accountFile).Change([&](AccountFile& file) {
            return WriteStoredLayout(file, *lastLayout);
        }));
    }
    ASSERT_TRUE(WaitUntil([&] { return !refresher.ManualRunning(); }, 120s));
    refresher.Stop();
    EXPECT_GE(sim.Requests("devList.do").size(), 3u * (1 + 4));

    ASSERT_EQ(client.list.Count(), 25);
    AccountFile file;
    ASSERT_TRUE(file.Load(accountFile));
    for (int i = 0; i < 25; ++i) {
        const std::string sid(client.list.At(i)->Sid());
        EXPECT_EQ(client.list.At(i)->seen, 1) << sid;
        EXPECT_EQ(tree.GroupOf(i), expected[static_cast<std::size_t>(i)]) << sid;
        const auto camera = FindCamera(file, sid);
        ASSERT_TRUE(camera) << sid;
        EXPECT_EQ(camera->groupId, expected[static_cast<std::size_t>(i)]) << sid;
        EXPECT_EQ(CameraEntries(file, sid), 1) << sid;
    }
    const auto groups = ReadGroupList(file, DeviceTreeModel::kMaxGroups);
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ(groups[1].name, homeName);
    EXPECT_TRUE(ReadStoredLayout(file).SameLayout(*lastLayout));
}

// "Обновить список" pressed before the start-up worker's first load: nothing is loaded twice.
TEST(RefreshOverlap, ManualRefreshBeforeTheFirstLoadLoadsNothingTwice) {
    ScenarioVariant scenario("devices-25.json", ListOnly);
    SimProcess sim(scenario.Path());
    DeviceClient client(sim, "many_user", "many1234");
    ASSERT_TRUE(client.signedIn);
    DeviceTreeModel tree(client.list, client.session.app.m_ConfigPath);
    DeviceThumbnails thumbnails;
    LanDiscovery::Options quiet;
    quiet.listenRounds = 1;
    DeviceRefresher refresher(DeviceRefresher::Parts{
        client.Context(), client.list, client.lan, quiet, tree, thumbnails, {}});

    ASSERT_TRUE(refresher.StartManual());
    ASSERT_TRUE(WaitUntil([&] { return !refresher.ManualRunning(); }, 120s));
    ASSERT_TRUE(client.lan.Start(quiet));
    ASSERT_TRUE(refresher.FirstLoad(client.Context(), {}));
    EXPECT_EQ(client.list.Count(), 25);
    ASSERT_FALSE(tree.Groups().empty());
    EXPECT_EQ(tree.Groups()[0].devices.size(), 25u);

    // Afterwards a manual refresh reloads as usual.
    const std::size_t pages = sim.Requests("devList.do").size();
    ASSERT_TRUE(refresher.StartManual());
    ASSERT_TRUE(WaitUntil([&] { return !refresher.ManualRunning(); }, 120s));
    EXPECT_EQ(sim.Requests("devList.do").size(), pages + 3);
    EXPECT_EQ(client.list.Count(), 25);
}

// A refresh asked for while one runs (the service came back while the list was being read, and
// every device was marked offline meanwhile) is not lost: the running refresh reads the list once
// more when it ends — once, however often it was asked.
TEST(RefreshOverlap, ARefreshAskedForWhileOneRunsReadsTheListOnceMoreAfterIt) {
    ScenarioVariant scenario("devices-25.json", [](Json::Value& s) {
        s["service"]["deviceList"]["delayMs"] = 500;
        ListOnly(s);
    });
    SimProcess sim(scenario.Path());
    DeviceClient client(sim, "many_user", "many1234");
    ASSERT_TRUE(client.signedIn);
    DeviceTreeModel tree(client.list, client.session.app.m_ConfigPath);
    DeviceThumbnails thumbnails;
    LanDiscovery::Options quiet;
    quiet.listenRounds = 1;
    DeviceRefresher refresher(DeviceRefresher::Parts{
        client.Context(), client.list, client.lan, quiet, tree, thumbnails, {}});
    ASSERT_TRUE(client.lan.Start(quiet));
    ASSERT_TRUE(refresher.FirstLoad(client.Context(), {}));
    const std::size_t before = sim.Requests("devList.do").size();

    // Three pages, each held back half a second: the two later asks come while it runs.
    ASSERT_TRUE(refresher.StartManual());
    EXPECT_FALSE(refresher.StartManual());
    EXPECT_FALSE(refresher.StartManual());
    ASSERT_TRUE(WaitUntil([&] { return !refresher.ManualRunning(); }, 120s));
    EXPECT_EQ(sim.Requests("devList.do").size(), before + 6) << "not two rounds of three pages";
    EXPECT_EQ(client.list.Count(), 25);

    // Asked for alone, a refresh reads the list once.
    ASSERT_TRUE(refresher.StartManual());
    ASSERT_TRUE(WaitUntil([&] { return !refresher.ManualRunning(); }, 120s));
    EXPECT_EQ(sim.Requests("devList.do").size(), before + 9);
}

// The start-up discovery, the first load's LAN marks and a manual refresh may all drive the one
// discovery at once: starts, collections and matches from several threads against the
// simulator's responder leave it whole, and a discovery afterwards still marks the devices.
TEST(LanDiscoveryOverlap, StartsCollectsAndMatchesFromSeveralThreads) {
    ScenarioVariant scenario("lan-faults.json", [](Json::Value& s) { s["lan"]["port"] = 0; });
    SimProcess sim(scenario.Path());
    DeviceClient client(sim, "lan_user", "lan12345");
    ASSERT_TRUE(client.signedIn);
    ASSERT_TRUE(client.Fetch());
    ASSERT_EQ(client.list.Count(), 5);

    LanDiscovery::Options quick;
    quick.localIp = GetText(client.session.g.m_LocalIp);
    quick.localMask = GetText(client.session.g.m_LocalMask);
    quick.port = static_cast<uint16_t>(sim.Info()["lan"]["port"].asInt());
    ASSERT_NE(quick.port, 0);
    quick.probes = 3;
    quick.probeGapMs = 5;
    quick.listenRounds = 4;
    quick.listenWaitMs = 10;

    LanDiscovery lan;
    std::vector<std::thread> drivers;
    for (int t = 0; t < 3; ++t)
        drivers.emplace_back([&] {
            for (int k = 0; k < 4; ++k) {
                lan.Start(quick);
                lan.Match(client.list);
            }
        });
    drivers.emplace_back([&] {
        for (int k = 0; k < 8; ++k) {
            lan.Collect();
            std::this_thread::sleep_for(1ms);
        }
    });
    for (auto& d : drivers) d.join();

    // The listener waits long enough for a slow simulator; the responder answers every probe.
    LanDiscovery::Options patient = quick;
    patient.listenRounds = 20;
    patient.listenWaitMs = 3000;
    ASSERT_TRUE(lan.Start(patient));
    lan.Match(client.list);
    EXPECT_EQ(client.Record("LN0000000001").onLan, 1);
    EXPECT_EQ(client.Record("LN000000000a").Lan().ip, "127.0.0.7");
    EXPECT_EQ(client.Record("LN0000000004").onLan, 0);
}

}  // namespace
}  // namespace nimbrel::test
