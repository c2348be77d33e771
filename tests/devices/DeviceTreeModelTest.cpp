// The tree model over a real account file: fill, refresh updates, groups, moves, menus, layout.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "devices/DeviceGroupsFile.h"
#include "devices/DeviceTreeModel.h"
#include "devices/TreeMenus.h"
#include "service/AccountFile.h"

namespace nimbrel {
namespace {

class TreeModel : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("nimbrel-tree-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        path = dir / "demo_config.xml";
        AccountFile file;
        ASSERT_TRUE(file.Create(path, {}));
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    int AddDevice(const std::string& sid, int status) {
        DeviceFields f;
        f.sid = sid;
        f.name = sid;
        f.status = status;
        return list.Append(f);
    }
    AccountFile Reload() {
        AccountFile file;
        EXPECT_TRUE(file.Load(path));
        return file;
    }

    std::filesystem::path dir, path;
    DeviceList list;
};

TEST_F(TreeModel, FirstFillPutsEveryDeviceInTheDefaultGroupOnlineFirst) {
    AddDevice("A", 0);
    AddDevice("B", 1);
    AddDevice("C", 0);
    AddDevice("D", 1);
    DeviceTreeModel tree(list, path);
    ASSERT_TRUE(tree.Fill());
    const auto groups = tree.Groups();
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].name, "Выбрать вручную");
    EXPECT_EQ(tree.Counts(0), std::make_pair(2, 4));

    const auto rows = tree.Rows();
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].kind, TreeRow::Kind::Group);
    std::vector<int> order;
    for (std::size_t i = 1; i < rows.size(); ++i) order.push_back(rows[i].deviceIndex);
    EXPECT_EQ(order, (std::vector<int>{1, 3, 0, 2}));  // B, D online; A, C offline
    EXPECT_EQ(rows[2].top, 22 + 82);
    EXPECT_EQ(tree.ContentHeight(), 22 + 4 * 82);

    const AccountFile file = Reload();
    for (const char* sid : {"A", "B", "C", "D"}) {
        const auto camera = FindCamera(file, sid);
        ASSERT_TRUE(camera) << sid;
        EXPECT_EQ(camera->groupId, 0);
        EXPECT_FALSE(camera->videoStore);
    }
}

TEST_F(TreeModel, HitTestUsesBottomEdgesAndTogglesHeaders) {
    AddDevice("A", 1);
    DeviceTreeModel tree(list, path);
    ASSERT_TRUE(tree.Fill());
    EXPECT_EQ(tree.ItemAt(0, 0, false)->kind, TreeRow::Kind::Group);
    EXPECT_EQ(tree.ItemAt(22, 0, false)->kind, TreeRow::Kind::Group);  // bottom edge at the cursor
    EXPECT_EQ(tree.ItemAt(23, 0, false)->deviceIndex, 0);
    EXPECT_EQ(tree.ItemAt(30, 20, false)->deviceIndex, 0);
    EXPECT_FALSE(tree.ItemAt(105, 0, false));
    ASSERT_TRUE(tree.ItemAt(5, 0, true));  // collapses the group
    EXPECT_EQ(tree.Rows().size(), 1u);
    EXPECT_FALSE(tree.ItemAt(30, 0, false));
}

TEST_F(TreeModel, UnknownGroupAndVideoStoreFromTheFile) {
    {
        AccountFile file = Reload();
        AddCamera(file, "REC", 0);
        AddCamera(file, "LOST", 77);  // a group that does not exist
        file.Document()
            .Root()
            .Child("config4")
            .Child("CameraList")
            .Child("Camera")
            .SetAttribute("VideoStore", "1");
        AddCamera(file, "REC", 5);  // a duplicate id: the first entry counts
        ASSERT_TRUE(file.Save());
    }
    AddDevice("REC", 1);
    AddDevice("LOST", 1);
    std::vector<std::string> recording;
    DeviceTreeModel tree(list, path);
    ASSERT_TRUE(tree.Fill([&](DeviceRecord& d) { recording.emplace_back(d.Sid()); }));
    EXPECT_EQ(recording, std::vector<std::string>{"REC"});
    EXPECT_EQ(tree.Counts(0), std::make_pair(1, 1));
    EXPECT_FALSE(tree.GroupOf(1));
}

TEST_F(TreeModel, RefreshRemovesUnseenAndAddsNewDevices) {
    AddDevice("A", 1);
    AddDevice("B", 1);
    DeviceTreeModel tree(list, path);
    ASSERT_TRUE(tree.Fill());
    list.At(0)->seen = 0;
    AddDevice("C", 1);
    ASSERT_TRUE(tree.Update());
    EXPECT_EQ(tree.Groups()[0].devices, (std::vector<int>{1, 2}));
    const AccountFile file = Reload();
    EXPECT_FALSE(FindCamera(file, "A"));
    EXPECT_TRUE(FindCamera(file, "C"));
}

TEST_F(TreeModel, GroupsAddRenameDeleteAndMove) {
    for (const char* sid : {"A", "B", "C", "D", "E", "F"}) AddDevice(sid, 1);
    DeviceTreeModel tree(list, path);
    ASSERT_TRUE(tree.Fill());
    const auto g1 = tree.AddGroup();
    const auto g2 = tree.AddGroup();
    ASSERT_TRUE(g1 && g2);
    EXPECT_EQ(*g1, 1);
    EXPECT_EQ(*g2, 2);
    EXPECT_EQ(tree.Groups()[1].name, "Моя группа");
    EXPECT_FALSE(tree.Groups()[1].expanded);
    ASSERT_TRUE(tree.RenameGroup(*g1, "Дом"));
    for (int i : {1, 2, 3, 4, 5}) ASSERT_TRUE(tree.MoveDevice(i, *g1));
    EXPECT_EQ(tree.Counts(1), std::make_pair(5, 5));

    ASSERT_TRUE(tree.DeleteGroup(*g1));
    const auto groups = tree.Groups();
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[1].gid, *g2);  // the neighbour closes up
    EXPECT_EQ(groups[0].devices, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_FALSE(tree.DeleteGroup(0));

    const AccountFile file = Reload();
    const auto entries = ReadGroupList(file, 32);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].gid, *g2);
    EXPECT_EQ(FindCamera(file, "C")->groupId, 0);
    // The next new group is numbered above the largest GID that remains.
    EXPECT_EQ(tree.AddGroup(), *g2 + 1);
}

TEST_F(TreeModel, ThirtyThirdGroupIsRefused) {
    DeviceTreeModel tree(list, path);
    ASSERT_TRUE(tree.Fill());
    for (int i = 1; i < DeviceTreeModel::kMaxGroups; ++i) ASSERT_TRUE(tree.AddGroup());
    EXPECT_FALSE(tree.AddGroup());
    EXPECT_EQ(ReadGroupList(Reload(), 100).size(), 32u);
}

TEST_F(TreeModel, ExpansionIsWrittenBack) {
    DeviceTreeModel tree(list, path);
    ASSERT_TRUE(tree.Fill());
    tree.CollapseAll();
    ASSERT_TRUE(tree.SaveExpansion());
    EXPECT_FALSE(ReadGroupList(Reload(), 32)[0].expanded);
}

// The tree's edits on one thread and the login's saves on another, each a load, a change and a
// save of the same file: every change must reach the file, none overwritten by the other's.
TEST_F(TreeModel, EditsAndOtherSavesOfTheFileAtOnceLoseNothing) {
    for (const char* sid : {"A", "B", "C", "D"}) AddDevice(sid, 1);
    DeviceTreeModel tree(list, path);
    ASSERT_TRUE(tree.Fill());
    std::atomic<bool> editing{true};
    std::vector<int32_t> placed(4, 0);
    std::thread edits([&] {
        for (int i = 1; i < DeviceTreeModel::kMaxGroups; ++i) {
            const auto gid = tree.AddGroup();
            ASSERT_TRUE(gid) << i;
            EXPECT_TRUE(tree.RenameGroup(*gid, "Группа " + std::to_string(i)));
            EXPECT_TRUE(tree.MoveDevice(i % 4, *gid));
            placed[static_cast<std::size_t>(i % 4)] = *gid;
        }
        editing = false;
    });
    int saves = 0;
    for (; editing || saves < 2; ++saves) {
        EXPECT_TRUE(AccountFile::SavePassword(path, "stored-" + std::to_string(saves)));
        EXPECT_TRUE(AccountFile::SaveAutoLogin(path, saves % 2 == 0));
    }
    edits.join();

    const AccountFile file = Reload();
    EXPECT_EQ(file.UserAttribute("Password"), "stored-" + std::to_string(saves - 1));
    EXPECT_EQ(file.Setting("AutoLogin"), (saves - 1) % 2 == 0 ? "1" : "0");
    const auto groups = ReadGroupList(file, 100);
    ASSERT_EQ(groups.size(), 32u);
    for (int i = 1; i < 32; ++i)
        EXPECT_EQ(groups[static_cast<std::size_t>(i)].name, "Группа " + std::to_string(i));
    for (int i = 0; i < 4; ++i) {
        const auto camera = FindCamera(file, list.At(i)->Sid());
        ASSERT_TRUE(camera) << i;
        EXPECT_EQ(camera->groupId, placed[static_cast<std::size_t>(i)]) << i;
    }
}

TEST(TreeMenus, ItemsFollowTheDeviceState) {
    DeviceRecord d;
    d.status = 1;
    d.init = 1;
    d.showAlarm = 1;
    d.showLED = 1;
    d.ledStatus = 1;
    d.showSound = 1;
    d.soundLeadStatus = 0;
    std::vector<TreeGroup> groups{
        {0, "Выбрать вручную", true, {}}, {4, "Дом", true, {}}, {9, "Офис", true, {}}};
    auto menu = DeviceMenu(d, groups, 4);
    std::vector<int> commands;
    for (const auto& item : menu) commands.push_back(item.command);
    EXPECT_EQ(commands,
              (std::vector<int>{1034, 1035, 1036, 1040, 1041, 1042, 1043, 1038, 1039, 0, 1044}));
    EXPECT_EQ(menu[5].label, "Отключить индикатор состояния");
    EXPECT_EQ(menu[6].label, "Включить голосовые подсказки");
    const MenuItem& move = menu[menu.size() - 2];  // before the archive, which comes last
    ASSERT_EQ(move.submenu.size(), 2u);
    EXPECT_EQ(move.submenu[0].command, 3000);
    EXPECT_EQ(move.submenu[1].command, 3002);  // position counts the skipped own group

    d.status = 0;
    d.init = 2;
    d.showLED = 0;
    menu = DeviceMenu(d, {groups[0]}, 0);
    commands.clear();
    for (const auto& item : menu) commands.push_back(item.command);
    EXPECT_EQ(commands, (std::vector<int>{1034, 1036, 1043, 1038, 1044}));  // no move with one group

    // Every group, the first too, can be toured; only the others deleted and renamed.
    EXPECT_EQ(GroupMenu(0).size(), 2u);
    EXPECT_EQ(GroupMenu(3).size(), 4u);
    EXPECT_EQ(GroupMenu(0).back().command, kCmdTourGroup);
    EXPECT_EQ(EmptySpaceMenu()[1].command, 1034);
}

}  // namespace
}  // namespace nimbrel
