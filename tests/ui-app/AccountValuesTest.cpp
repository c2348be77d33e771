// What the desktop program keeps in the account file: the window's placement with the wall's
// layout under "config2", and the exit dialog's "ShowClose".
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "app/CloseFlow.h"
#include "app/WindowPlacement.h"
#include "devices/DeviceGroupsFile.h"
#include "devices/DeviceTreeModel.h"
#include "service/AccountFile.h"
#include "wall/StoredLayout.h"

namespace nimbrel {
namespace {

namespace fs = std::filesystem;

class AccountValuesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("nimbrel-values-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        path = dir / "anna_config.xml";
        AccountFile file;
        ASSERT_TRUE(file.Create(path, {"/v/", "/p/"}));
        record.m_ConfigPath = path;
    }
    void TearDown() override { fs::remove_all(dir); }
    AccountFile Load() const {
        AccountFile file;
        EXPECT_TRUE(file.Load(path));
        return file;
    }

    fs::path dir;
    fs::path path;
    AppRecord record;
};

TEST_F(AccountValuesTest, ANewFilePlacesTheWindowByDefault) {
    const WindowPlacement p = ReadWindowPlacement(Load());
    EXPECT_FALSE(p.maximised);
    EXPECT_EQ(p.rect.right, 0);
    EXPECT_EQ(p.rect.bottom, 0);
}

TEST_F(AccountValuesTest, TheSaveAtExitWritesPlacementAndLayoutAndKeepsTheRest) {
    ASSERT_TRUE(
        SaveWindowAndLayout(path, {true, {40, 30, 1540, 839}}, *SplitLayoutForCommand(1021)));
    const AccountFile file = Load();
    EXPECT_EQ(ReadWindowPlacement(file), (WindowPlacement{true, {40, 30, 1540, 839}}));
    const SplitLayout layout = ReadStoredLayout(file);
    EXPECT_EQ(layout.mode, SplitLayout::kFeatured);
    EXPECT_EQ(layout.cols, 3);
    EXPECT_EQ(file.Document().Root().Find("config2/MainX1").Text(), "1540");
    EXPECT_EQ(file.Document().Root().Find("config2/IsMax").Text(), "1");
    EXPECT_EQ(file.Setting("VideoPath"), "/v/");
    EXPECT_EQ(file.Document().Root().Find("config4/GroupList/Group").Text(), "Выбрать вручную");
}

TEST_F(AccountValuesTest, PlacementValuesAreAddedToAFileThatLacksThem) {
    AccountFile file = Load();
    file.Document().Root().Child("config2").Remove();
    ASSERT_TRUE(WriteWindowPlacement(file, {false, {1, 2, 903, 504}}));
    ASSERT_TRUE(file.Save());
    EXPECT_EQ(ReadWindowPlacement(Load()), (WindowPlacement{false, {1, 2, 903, 504}}));
}

TEST_F(AccountValuesTest, TheSaveAtExitFailsWithoutTheFile) {
    fs::remove(path);
    EXPECT_FALSE(SaveWindowAndLayout(path, {}, DefaultSplitLayout()));
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(AccountValuesTest, TheCloseRequestAsksTraysOrQuits) {
    record.ShowClose = 1;
    record.ToTray = 1;
    EXPECT_EQ(CloseRequestAction(record), CloseAction::Ask);
    record.ShowClose = 0;
    EXPECT_EQ(CloseRequestAction(record), CloseAction::HideToTray);
    record.ToTray = 0;
    EXPECT_EQ(CloseRequestAction(record), CloseAction::Quit);
}

TEST_F(AccountValuesTest, TheExitDialogOpensWithTheStoredChoices) {
    CloseFlow flow(record);
    record.ShowClose = 1;
    record.ToTray = 0;
    EXPECT_FALSE(flow.Opening().minimise);
    EXPECT_FALSE(flow.Opening().dontAsk);
    record.ToTray = 1;
    record.ShowClose = 0;
    EXPECT_TRUE(flow.Opening().minimise);
    EXPECT_TRUE(flow.Opening().dontAsk);
}

TEST_F(AccountValuesTest, NotAskingAgainIsStoredAndTheNextCloseFollowsTheTraySetting) {
    record.ShowClose = 1;
    record.ToTray = 0;
    CloseFlow flow(record);
    ASSERT_TRUE(flow.Confirm({true, true}));
    EXPECT_EQ(record.ShowClose, 0);
    EXPECT_EQ(Load().Setting("ShowClose"), "0");
    // The dialog did not change "ToTray": the next close request quits without asking.
    EXPECT_EQ(Load().Setting("ToTray"), "0");
    EXPECT_EQ(CloseRequestAction(record), CloseAction::Quit);
    ASSERT_TRUE(flow.Confirm({false, false}));
    EXPECT_EQ(record.ShowClose, 1);
    EXPECT_EQ(Load().Setting("ShowClose"), "1");
}

TEST_F(AccountValuesTest, AnUnreadableFileLeavesTheChoiceUnstored) {
    record.ShowClose = 1;
    fs::remove(path);
    CloseFlow flow(record);
    EXPECT_FALSE(flow.Confirm({true, true}));
    EXPECT_EQ(record.ShowClose, 1);
    EXPECT_FALSE(fs::exists(path));
}

// The exit's saves and the exit dialog while a refresh thread still edits the tree's groups: each
// loads, changes and saves the file, and none may undo another's change.
TEST_F(AccountValuesTest, ExitSavesAndTreeEditsAtOnceLoseNothing) {
    DeviceList list;
    for (const char* sid : {"A", "B", "C"}) {
        DeviceFields f;
        f.sid = sid;
        list.Append(f);
    }
    DeviceTreeModel tree(list, path);
    ASSERT_TRUE(tree.Fill());
    std::atomic<bool> editing{true};
    std::thread edits([&] {
        for (int i = 1; i < DeviceTreeModel::kMaxGroups; ++i) {
            const auto gid = tree.AddGroup();
            ASSERT_TRUE(gid) << i;
            EXPECT_TRUE(tree.MoveDevice(i % 3, *gid));
        }
        editing = false;
    });
    CloseFlow flow(record);
    int saves = 0;
    for (; editing || saves < 2; ++saves) {
        EXPECT_TRUE(
            SaveWindowAndLayout(path, {false, {saves, 0, 900 + saves, 500}}, DefaultSplitLayout()));
        EXPECT_TRUE(flow.Confirm({true, saves % 2 == 0}));
    }
    edits.join();

    const AccountFile file = Load();
    EXPECT_EQ(ReadWindowPlacement(file).rect.left, saves - 1);
    EXPECT_EQ(file.Setting("ShowClose"), (saves - 1) % 2 == 0 ? "0" : "1");
    EXPECT_EQ(ReadGroupList(file, 100).size(), 32u);
    for (int i = 0; i < 3; ++i) {
        const auto camera = FindCamera(file, list.At(i)->Sid());
        ASSERT_TRUE(camera) << i;
        EXPECT_EQ(camera->groupId, tree.GroupOf(i)) << i;
    }
}

}  // namespace
}  // namespace nimbrel
