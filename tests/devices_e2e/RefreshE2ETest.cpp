// Refreshing the device list while other accounts change the service: a device the owner deletes
// stays in the list unseen and leaves the tree and the account file; a device shared with the
// account meanwhile is appended and joins the default group; a rename made elsewhere is taken
// over, switch states are not.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <mutex>

#include "DeviceE2E.h"
#include "devices/DeviceGroupsFile.h"
#include "devices/DeviceOperations.h"
#include "devices/DeviceTreeModel.h"
#include "service/AccountFile.h"
#include "service/SharingFlow.h"

namespace nimbrel::test {
namespace {

constexpr const char* kGone = "DV0000000011";  // other_user's, shared with many_user
constexpr const char* kNew = "DV0000000026";   // other_user's, shared during the test

AccountFile LoadAccountFile(const std::filesystem::path& path) {
    AccountFile file;
    EXPECT_TRUE(file.Load(path)) << path;
    return file;
}

// Shares `sid` with `user` through the sharing flow of `owner`'s client (which then reloads its
// user list).
void Share(DeviceClient& owner, const std::string& sid, const std::string& user) {
    SharingFlow flow(owner.session.g, owner.session.app, owner.session.notifier, sid);
    std::vector<SharingEvent> events;
    std::mutex lock;
    flow.SetEventHandler([&](const SharingEvent& e) {
        std::lock_guard guard(lock);
        events.push_back(e);
    });
    ASSERT_TRUE(flow.Add(user).started);
    ASSERT_TRUE(flow.WaitIdle(std::chrono::seconds(60)));
    std::lock_guard guard(lock);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events[0].kind, SharingEvent::Kind::Added) << events[0].status;
    const auto users = flow.Users();
    EXPECT_TRUE(std::any_of(users.begin(), users.end(),
                            [&](const SharedUser& u) { return u.uid == user; }));
}

TEST(DeviceRefresh, GoneDeviceKeepsItsIndexUnseenNewOneIsAppendedAndTheTreeFollows) {
    // The new device comes first in the service's order, so its page position differs from
    // where the list must put it.
    ScenarioVariant scenario("devices-25.json", [](Json::Value& s) {
        Json::Value fresh(Json::objectValue);
        fresh["sid"] = kNew;
        fresh["name"] = "Новая камера";
        fresh["owner"] = "other_user";
        fresh["reach"] = "relay";
        fresh["type"] = "c2";
        fresh["version"] = "3.3.0";
        fresh["img"] = "/velkor/img/DV0000000026.png";
        fresh["ledStatus"] = 0;
        Json::Value devices(Json::arrayValue);
        devices.append(fresh);
        for (const Json::Value& d : s["devices"]) devices.append(d);
        s["devices"] = devices;
        WithoutLan(s);
    });
    SimProcess sim(scenario.Path());
    DeviceClient client(sim, "many_user", "many1234");
    ASSERT_TRUE(client.signedIn);
    ASSERT_TRUE(client.Fetch());
    ASSERT_EQ(client.list.Count(), 25);
    const int gone = client.IndexOf(kGone);
    ASSERT_EQ(gone, 10);
    EXPECT_EQ(client.IndexOf(kNew), -1);

    const std::filesystem::path accountFile = client.session.app.m_ConfigPath;
    DeviceTreeModel tree(client.list, accountFile);
    ASSERT_TRUE(tree.Fill());
    // The device about to go sits in a group of its own, which must be left empty.
    const auto own = tree.AddGroup();
    ASSERT_TRUE(own);
    ASSERT_TRUE(tree.MoveDevice(gone, *own));

    // Elsewhere: the owner deletes one shared device and shares another.
    DeviceClient owner(sim, "other_user", "other1234");
    ASSERT_TRUE(owner.signedIn);
    ASSERT_TRUE(owner.Fetch());
    const DeviceOpOutcome removed = DeleteDevice(owner.Context(), owner.Record(kGone));
    EXPECT_TRUE(removed.ok) << removed.message;
    Share(owner, kNew, "many_user");
    ASSERT_FALSE(HasFatalFailure());

    const std::size_t pagesBefore = sim.Requests("devList.do").size();
    ASSERT_TRUE(RefreshDeviceList(client.Context(), client.list));
    EXPECT_EQ(sim.Requests("devList.do").size(), pagesBefore + 3);
    EXPECT_TRUE(client.session.notifier.Messages().empty());

    ASSERT_EQ(client.list.Count(), 26);
    EXPECT_EQ(client.list.At(gone)->Sid(), kGone);
    EXPECT_EQ(client.list.At(gone)->seen, 0);
    EXPECT_EQ(client.IndexOf(kNew), 25);
    ExpectAsScenario(*client.list.At(25), ScenarioDevice(sim.Scenario(), kNew), 2);
    for (int i = 0; i < 25; ++i) {
        if (i == gone) continue;
        EXPECT_EQ(client.list.At(i)->seen, 1) << client.list.At(i)->Sid();
    }

    ASSERT_TRUE(tree.Update());
    EXPECT_FALSE(tree.GroupOf(gone));
    EXPECT_EQ(tree.GroupOf(25), 0);
    const auto groups = tree.Groups();
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_TRUE(groups[1].devices.empty());
    ASSERT_EQ(groups[0].devices.size(), 25u);
    EXPECT_EQ(groups[0].devices.back(), 25);

    AccountFile file = LoadAccountFile(accountFile);
    EXPECT_FALSE(FindCamera(file, kGone));
    const auto added = FindCamera(file, kNew);
    ASSERT_TRUE(added);
    EXPECT_EQ(added->groupId, 0);
    EXPECT_FALSE(added->videoStore);

    // A second refresh with nothing changed leaves list, tree and file as they are.
    ASSERT_TRUE(RefreshDeviceList(client.Context(), client.list));
    ASSERT_TRUE(tree.Update());
    EXPECT_EQ(client.list.Count(), 26);
    EXPECT_EQ(client.list.At(gone)->seen, 0);
    EXPECT_EQ(tree.Groups()[0].devices.size(), 25u);
    EXPECT_FALSE(FindCamera(LoadAccountFile(accountFile), kGone));
}

TEST(DeviceRefresh, TakesOverNamesButNotSwitchStates) {
    ScenarioVariant scenario("demo.json", WithoutLan);
    SimProcess sim(scenario.Path());
    DeviceClient client(sim, "demo_user", "demo1234");
    ASSERT_TRUE(client.signedIn);
    ASSERT_TRUE(client.Fetch());
    constexpr const char* kShared = "NB0000000006";  // friend_user's, shared with demo_user
    DeviceRecord& seenHere = client.Record(kShared);
    ASSERT_EQ(seenHere.ledStatus, 1);
    ASSERT_EQ(seenHere.soundLeadStatus, 1);

    // The owner renames the device and switches its LED and voice prompts off.
    DeviceClient owner(sim, "friend_user", "friend1234");
    ASSERT_TRUE(owner.signedIn);
    ASSERT_TRUE(owner.Fetch());
    DeviceRecord& atOwner = owner.Record(kShared);
    EXPECT_TRUE(RenameDevice(owner.Context(), atOwner, "Офис на Ленина").ok);
    EXPECT_TRUE(ToggleDeviceSwitch(owner.Context(), atOwner, DeviceSwitch::Led).ok);
    EXPECT_TRUE(ToggleDeviceSwitch(owner.Context(), atOwner, DeviceSwitch::Voice).ok);

    const int index = client.IndexOf(kShared);
    ASSERT_TRUE(RefreshDeviceList(client.Context(), client.list));
    EXPECT_EQ(client.IndexOf(kShared), index);
    EXPECT_EQ(seenHere.Name(), "Офис на Ленина");
    EXPECT_EQ(seenHere.ledStatus, 1);
    EXPECT_EQ(seenHere.soundLeadStatus, 1);
    EXPECT_EQ(client.list.Count(), 24);

    // A first load sees what the service now holds.
    DeviceClient fresh(sim, "demo_user", "demo1234");
    ASSERT_TRUE(fresh.signedIn);
    ASSERT_TRUE(fresh.Fetch());
    EXPECT_EQ(fresh.Record(kShared).Name(), "Офис на Ленина");
    EXPECT_EQ(fresh.Record(kShared).ledStatus, 0);
    EXPECT_EQ(fresh.Record(kShared).soundLeadStatus, 0);
}

}  // namespace
}  // namespace nimbrel::test
