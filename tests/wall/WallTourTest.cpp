// The tour of a wall: the order of its pages and of a group's cameras page by page, the warm-up a
// second before each switch, the pause rules (the user, a maximised pane, a drag), a page turned
// by hand, and the tour file that brings it back at the next start.
#include <filesystem>
#include <fstream>

#include "CanvasFixture.h"
#include "wall/StoredTour.h"
#include "wall/WallTour.h"

namespace nimbrel {
namespace {

using namespace std::chrono_literals;
using Clock = WallTour::Clock;

class WallTourTest : public CanvasTest {
  protected:
    // Steps the tour every 100 ms up to `t` after the start, as the window's timer does, and
    // returns the pages it showed on the way (the one shown at each switch).
    std::vector<int> RunUntil(std::chrono::milliseconds t) {
        std::vector<int> shown;
        for (; elapsed <= t; elapsed += 100ms) {
            const int before = canvas.CurrentPage();
            tour.Step(start + elapsed);
            if (canvas.CurrentPage() != before) shown.push_back(canvas.CurrentPage());
        }
        return shown;
    }

    WallTour tour{canvas};
    Clock::time_point start = Clock::time_point{} + 1h;
    std::chrono::milliseconds elapsed{0};
};

TEST_F(WallTourTest, ShowsEveryPageInTurnAndWarmsTheNextOneASecondAhead) {
    Open(0, 10);  // pages 0, 1 and 2 of a 2 × 2 wall
    tour.SetInterval(5, start);
    tour.Start(start);
    EXPECT_EQ(tour.SecondsLeft(start), 5);

    RunUntil(3900ms);
    EXPECT_EQ(canvas.WarmPage(), -1) << "too early to warm up";
    EXPECT_FALSE(canvas.IsWarming(cams[4]));
    RunUntil(4000ms);
    EXPECT_EQ(canvas.WarmPage(), 1);
    EXPECT_TRUE(canvas.IsWarming(cams[4]));
    EXPECT_FALSE(canvas.IsWarming(cams[0])) << "on the page shown";
    EXPECT_FALSE(canvas.IsWarming(cams[8]));
    EXPECT_EQ(canvas.CurrentPage(), 0);

    EXPECT_EQ(RunUntil(5000ms), std::vector<int>{1});
    EXPECT_EQ(canvas.WarmPage(), -1) << "shown now";
    EXPECT_EQ(tour.SecondsLeft(start + 5000ms), 5);
    EXPECT_EQ(RunUntil(20000ms), (std::vector<int>{2, 0, 1}));

    tour.Stop();
    EXPECT_EQ(RunUntil(40000ms), std::vector<int>{});
    EXPECT_EQ(tour.SecondsLeft(start + elapsed), std::nullopt);
}

TEST_F(WallTourTest, AGroupTourGathersItsCamerasAndShowsOnlyTheirPages) {
    Open(0, 9);
    // The group: cameras 7, 2, 5, 8 and 1, in that order; camera 20 is closed.
    const std::vector<const PaneOwner*> group{&cams[7], &cams[2], &cams[5], &cams[8], &cams[1],
                                              &cams[20]};
    EXPECT_EQ(canvas.GatherFirst(group), 2);
    EXPECT_EQ(Position(7), (PanePosition{0, 0}));
    EXPECT_EQ(Position(2), (PanePosition{0, 1}));
    EXPECT_EQ(Position(8), (PanePosition{0, 3}));
    EXPECT_EQ(Position(1), (PanePosition{1, 0}));
    // The others keep their order from the page after the group's, leaving its gaps.
    EXPECT_EQ(Position(0), (PanePosition{2, 0}));
    EXPECT_EQ(Position(6), (PanePosition{2, 3}));
    EXPECT_EQ(canvas.Slot(1, 1)->used, false);

    tour.SetSource(3, group);
    tour.SetInterval(5, start);
    tour.Start(start);
    EXPECT_EQ(tour.Pages(), (std::vector<int>{0, 1}));
    EXPECT_EQ(RunUntil(21000ms), (std::vector<int>{1, 0, 1, 0}));

    // Shown by hand, a page outside the group is left for the group's first page.
    ASSERT_TRUE(canvas.ShowPage(2));
    EXPECT_EQ(RunUntil(26000ms), std::vector<int>{});
    EXPECT_EQ(RunUntil(27000ms), std::vector<int>{0});
}

TEST_F(WallTourTest, GatheringNeverTakesAPaneAwayFromAnOpenCamera) {
    Open(0, 63);
    const std::vector<const PaneOwner*> group{&cams[10]};
    EXPECT_EQ(canvas.GatherFirst(group), 1);
    EXPECT_EQ(Position(10), (PanePosition{0, 0}));
    // 62 others after page 0 would need 62 of the 60 panes left: they fill the gaps.
    for (int i = 0; i < 63; ++i) EXPECT_GE(cams[i].m_nPage, 0) << i;
    EXPECT_EQ(Position(0), (PanePosition{0, 1}));
}

TEST_F(WallTourTest, PausedByTheUserByAMaximisedPaneAndByADrag) {
    Open(0, 8);
    tour.SetInterval(5, start);
    tour.Start(start);
    RunUntil(4500ms);
    ASSERT_EQ(canvas.WarmPage(), 1);

    tour.TogglePause(start + elapsed);
    EXPECT_TRUE(tour.Paused());
    EXPECT_EQ(canvas.WarmPage(), -1) << "a paused tour switches nothing soon";
    EXPECT_EQ(tour.SecondsLeft(start + elapsed), std::nullopt);
    EXPECT_EQ(RunUntil(30000ms), std::vector<int>{});
    // Going on, the page shown gets a whole interval.
    tour.TogglePause(start + elapsed);
    EXPECT_EQ(tour.SecondsLeft(start + elapsed), 5);
    EXPECT_EQ(RunUntil(elapsed + 4800ms), std::vector<int>{});
    EXPECT_EQ(RunUntil(elapsed + 300ms), std::vector<int>{1});

    // A pane maximised stops the tour until it is restored (which shows page 0 again).
    ASSERT_TRUE(canvas.ToggleMaximise(*canvas.PaneAt(1, 0)));
    EXPECT_TRUE(tour.Paused());
    EXPECT_EQ(RunUntil(elapsed + 20000ms), std::vector<int>{});
    ASSERT_TRUE(canvas.ToggleMaximise(*canvas.PaneAt(1, 0)));
    EXPECT_FALSE(tour.Paused());
    RunUntil(elapsed + 100ms);
    EXPECT_EQ(tour.SecondsLeft(start + elapsed), 5);

    // A pane that follows the cursor holds the tour as long as it is dragged.
    const int pane = *canvas.PaneAt(0, 0);
    const PaneRect cell = State(pane).cellRect;
    ASSERT_TRUE(canvas.PressPane(pane, cell.x + 10, cell.y + 10));
    for (int i = 0; i < 4; ++i) canvas.MovePointer(cell.x + 100, cell.y + 100);
    EXPECT_TRUE(tour.Paused());
    EXPECT_EQ(RunUntil(elapsed + 20000ms), std::vector<int>{});
    canvas.ReleasePointer(cell.x + 10, cell.y + 10);
    EXPECT_FALSE(tour.Paused());
}

TEST_F(WallTourTest, APageTurnedByHandGetsAWholeIntervalAndOnePageIsNoTour) {
    Open(0, 3);
    tour.SetInterval(5, start);
    tour.Start(start);
    EXPECT_EQ(tour.NextPage(), 0);
    EXPECT_EQ(RunUntil(12000ms), std::vector<int>{}) << "one page: nothing to switch";
    EXPECT_EQ(canvas.WarmPage(), -1);

    Open(3, 3);  // a second page
    RunUntil(14000ms);
    ASSERT_TRUE(canvas.NextPage());
    RunUntil(elapsed);
    EXPECT_EQ(tour.SecondsLeft(start + elapsed), 5);
    EXPECT_EQ(RunUntil(elapsed + 4800ms), std::vector<int>{});
    EXPECT_EQ(RunUntil(elapsed + 300ms), std::vector<int>{0});

    EXPECT_EQ(WallTour::ClampInterval(1), 5);
    EXPECT_EQ(WallTour::ClampInterval(1000), 300);
}

TEST(StoredTourTest, EachWallsTourIsKeptAndBadValuesAreBroughtWithinBounds) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("nimbrel-tour-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto file = TourFileFor(dir / "anna_config.xml");
    EXPECT_EQ(file, dir / "anna_tour.xml");
    EXPECT_EQ(ReadStoredTour(file, 0), WallTour::Settings{}) << "no file: the defaults";

    ASSERT_TRUE(WriteStoredTour(file, 0, {30, 4, true}));
    ASSERT_TRUE(WriteStoredTour(file, 1, {7, std::nullopt, false}));
    ASSERT_TRUE(WriteStoredTour(file, 0, {45, 4, true}));
    EXPECT_EQ(ReadStoredTour(file, 0), (WallTour::Settings{45, 4, true}));
    EXPECT_EQ(ReadStoredTour(file, 1), (WallTour::Settings{7, std::nullopt, false}));
    EXPECT_EQ(std::filesystem::status(file).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    std::ofstream(file) << R"(<tours><wall number="0" interval="9999" group="x" running="yes"/>)"
                        << R"(<wall number="2" interval="-3"/></tours>)";
    EXPECT_EQ(ReadStoredTour(file, 0), (WallTour::Settings{300, std::nullopt, false}));
    EXPECT_EQ(ReadStoredTour(file, 2).intervalSeconds, 5);
    std::ofstream(file) << "<tours><wall";
    EXPECT_EQ(ReadStoredTour(file, 0), WallTour::Settings{});
    ASSERT_TRUE(WriteStoredTour(file, 0, {12, std::nullopt, true}));
    EXPECT_EQ(ReadStoredTour(file, 0), (WallTour::Settings{12, std::nullopt, true}));
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace nimbrel
