// Dealing panes over pages, repacking on a layout change, taking and giving back panes, paging,
// and the audio and talk hand-over.
#include <thread>

#include "CanvasFixture.h"

namespace nimbrel {
namespace {

TEST_F(CanvasTest, PanesAreDealtPageByPageAndIndexesAreChecked) {
    EXPECT_EQ(State(5).page, 1);
    EXPECT_EQ(State(5).cellRect, (PaneRect{400, 0, 400, 400}));
    EXPECT_EQ(Shown(), (std::vector<int>{-1, -1, -1, -1}));

    ASSERT_TRUE(canvas.Relayout(SplitLayout::kGrid, 3, 3));
    EXPECT_EQ(canvas.PaneAt(7, 0), 63);
    EXPECT_EQ(canvas.PaneAt(7, 1), std::nullopt);
    EXPECT_FALSE(canvas.Relayout(SplitLayout::kGrid, 5, 5));
    EXPECT_EQ(canvas.Layout().commandId, 1018);

    EXPECT_EQ(canvas.Pane(-1), std::nullopt);
    EXPECT_EQ(canvas.Pane(64), std::nullopt);
    EXPECT_EQ(canvas.Slot(64, 0), std::nullopt);
    EXPECT_EQ(canvas.Slot(0, 16), std::nullopt);
    EXPECT_EQ(canvas.Surface(64), nullptr);
    EXPECT_FALSE(canvas.PressPane(64, 0, 0));
    EXPECT_FALSE(canvas.ToggleMaximise(-1));

    CCanvas broken(SplitLayout{0, SplitLayout::kFeatured, 2, 2});
    EXPECT_EQ(broken.Layout().commandId, 1002);
}

TEST_F(CanvasTest, FiveCamerasOnTwoByTwoMakeTwoPages) {
    Open(0, 4);
    EXPECT_FALSE(canvas.NextPage());
    EXPECT_FALSE(canvas.PrevPage());
    Open(4, 1);
    EXPECT_EQ(Position(4), (PanePosition{1, 0}));
    EXPECT_FALSE(canvas.IsOnCurrentPage(cams[4]));

    ASSERT_TRUE(canvas.NextPage());
    EXPECT_EQ(canvas.CurrentPage(), 1);
    EXPECT_EQ(Shown(), (std::vector<int>{4, -1, -1, -1}));
    EXPECT_TRUE(canvas.IsOnCurrentPage(cams[4]));
    ASSERT_TRUE(canvas.NextPage());
    EXPECT_EQ(canvas.CurrentPage(), 0);
    EXPECT_EQ(Shown(), (std::vector<int>{0, 1, 2, 3}));
    ASSERT_TRUE(canvas.PrevPage());
    EXPECT_EQ(canvas.CurrentPage(), 1);

    // Two cameras left, but one sits on page 1: that page stays reachable.
    for (int i : {0, 1, 2}) ASSERT_TRUE(canvas.ReleasePane(cams[i]));
    EXPECT_EQ(canvas.PageCount(), 2);
    EXPECT_TRUE(canvas.NextPage());
}

TEST_F(CanvasTest, ThePageShownAlwaysExistsWhenItsCamerasGo) {
    Open(0, 9);  // pages 0 and 1 full, camera 8 alone on page 2
    ASSERT_TRUE(canvas.ShowPage(2));
    // A page in the middle that empties still counts while a camera sits after it.
    ASSERT_TRUE(canvas.ShowPage(1));
    for (int i : {4, 5, 6, 7}) ASSERT_TRUE(canvas.ReleasePane(cams[i]));
    EXPECT_EQ(canvas.CurrentPage(), 1);
    EXPECT_EQ(canvas.PageCount(), 3);

    // The last page empties while shown: the last page left comes up with its panes, and the
    // paging buttons turn again.
    ASSERT_TRUE(canvas.ShowPage(2));
    ASSERT_TRUE(canvas.ReleasePane(cams[8]));
    EXPECT_EQ(canvas.PageCount(), 1);
    EXPECT_EQ(canvas.CurrentPage(), 0);
    EXPECT_EQ(Shown(), (std::vector<int>{0, 1, 2, 3}));

    // A page turned to after the emptied one is left alone; with no camera, page 0 is shown.
    Open(4, 1);
    ASSERT_TRUE(canvas.NextPage());
    ASSERT_EQ(canvas.CurrentPage(), 1);
    ASSERT_TRUE(canvas.ReleasePane(cams[0]));
    EXPECT_EQ(canvas.CurrentPage(), 1);
    for (int i : {1, 2, 3, 4}) ASSERT_TRUE(canvas.ReleasePane(cams[i]));
    EXPECT_EQ(canvas.PageCount(), 0);
    EXPECT_EQ(canvas.CurrentPage(), 0);
}

TEST_F(CanvasTest, ShowPageGoesToAnExistingPageOnly) {
    Open(0, 9);  // three pages of four
    ASSERT_EQ(canvas.PageCount(), 3);
    ASSERT_TRUE(canvas.ShowPage(2));
    EXPECT_EQ(canvas.CurrentPage(), 2);
    EXPECT_EQ(Shown(), (std::vector<int>{8, -1, -1, -1}));
    EXPECT_TRUE(canvas.IsOnCurrentPage(cams[8]));
    for (int page : {-1, 3, CCanvas::kPages}) {
        EXPECT_FALSE(canvas.ShowPage(page)) << page;
        EXPECT_EQ(canvas.CurrentPage(), 2);
    }
    ASSERT_TRUE(canvas.ShowPage(0));
    EXPECT_EQ(Shown(), (std::vector<int>{0, 1, 2, 3}));
}

TEST_F(CanvasTest, LayoutChangeRepacksInDisplayOrder) {
    ASSERT_TRUE(canvas.ChooseLayout(1020));
    Open(0, 10);
    Drag(0, 250, 50);  // cameras 0 and 1 swap places on the screen
    ASSERT_TRUE(canvas.ChooseLayout(1001));
    const int expected[] = {1, 0, 2, 3, 4, 5, 6, 7, 8, 9};
    for (int page = 0; page < 10; ++page)
        EXPECT_EQ(Position(expected[page]), (PanePosition{page, 0})) << page;
    EXPECT_EQ(canvas.CurrentPage(), 0);
    EXPECT_EQ(Shown(), (std::vector<int>{1}));
    EXPECT_EQ(State(0).cellRect, (PaneRect{0, 0, 800, 800}));
}

TEST_F(CanvasTest, ChoosingTheActiveLayoutDoesNothing) {
    Open(0, 5);
    Drag(0, 500, 100);
    ASSERT_TRUE(canvas.NextPage());
    EXPECT_FALSE(canvas.ChooseLayout(1002));
    EXPECT_FALSE(canvas.ChooseLayout(1003));
    EXPECT_EQ(canvas.CurrentPage(), 1);
    EXPECT_EQ(State(0).slotIndex, 1);  // the swap is kept
}

TEST_F(CanvasTest, NextCameraGoesToThePaneShownFirst) {
    Open(0, 4);
    Drag(0, 100, 500);  // pane 2 now shows at the first position, pane 0 at the third
    EXPECT_EQ(Shown(), (std::vector<int>{2, 1, 0, 3}));
    ASSERT_TRUE(canvas.ReleasePane(cams[2]));
    ASSERT_TRUE(canvas.ReleasePane(cams[0]));
    EXPECT_EQ(canvas.AcquirePane(cams[4]), (PanePosition{0, 2}));
    EXPECT_EQ(Shown(), (std::vector<int>{4, 1, -1, 3}));
    EXPECT_EQ(canvas.AcquirePane(cams[5]), (PanePosition{0, 0}));
}

TEST_F(CanvasTest, AcquireAndReleaseGuardTheirCamera) {
    Open(0, 64);
    EXPECT_EQ(canvas.AcquirePane(cams[64]), std::nullopt);
    EXPECT_EQ(Position(64), (PanePosition{-1, -1}));
    EXPECT_EQ(canvas.AcquirePane(cams[9]), (PanePosition{2, 1}));  // keeps its pane

    cams[65].m_nPage = 0;  // a stale position naming camera 0's entry
    cams[65].m_nSlot = 0;
    EXPECT_FALSE(canvas.ReleasePane(cams[65]));
    EXPECT_EQ(Position(65), (PanePosition{-1, -1}));
    EXPECT_EQ(State(0).owner, &cams[0]);
    cams[66].m_nPage = 99;
    EXPECT_FALSE(canvas.ReleasePane(cams[66]));

    PanePicture mine;
    mine.Resize(2, 2);
    ASSERT_TRUE(canvas.Surface(0)->Publish(cams[0], mine));
    ASSERT_TRUE(canvas.ReleasePane(cams[0]));
    PanePicture picture;
    EXPECT_FALSE(canvas.Surface(0)->TakeFront(picture));  // the old picture is gone
    EXPECT_EQ(canvas.SurfaceOf(cams[0]), nullptr);
    EXPECT_EQ(canvas.SurfaceOf(cams[1]), canvas.Surface(1));
}

TEST_F(CanvasTest, SurfacesTakePicturesOnlyFromTheirPanesOccupant) {
    Open(0, 3);
    auto publish = [&](int cam, int pane) {
        PanePicture picture;
        picture.Resize(4, 4);
        return canvas.Surface(pane)->Publish(cams[cam], picture);
    };
    for (int pane = 0; pane < CCanvas::kPanes; ++pane)
        ASSERT_EQ(canvas.Surface(pane)->Occupant(), State(pane).owner) << pane;
    EXPECT_TRUE(publish(1, 1));
    EXPECT_FALSE(publish(1, 0));  // camera 0's pane
    EXPECT_FALSE(publish(1, 5));  // nobody's

    // Camera 1 is dragged before camera 0; the repack gives pane 0 to camera 1 and pane 1 to
    // camera 0. A picture camera 1 made for pane 1 is refused there, and what it left there
    // is gone.
    Drag(1, 100, 100);
    ASSERT_TRUE(canvas.Relayout(SplitLayout::kGrid, 2, 2));
    ASSERT_EQ(State(0).owner, &cams[1]);
    ASSERT_EQ(State(1).owner, &cams[0]);
    PanePicture left;
    EXPECT_FALSE(canvas.Surface(1)->TakeFront(left));
    EXPECT_FALSE(publish(1, 1));
    EXPECT_TRUE(publish(0, 1));
    EXPECT_TRUE(publish(1, 0));
    ASSERT_TRUE(canvas.Surface(0)->TakeFront(left));
    EXPECT_EQ(left.owner, &cams[1]);

    // A maximise and its restore keep every pane with its occupant; a release empties it.
    ASSERT_TRUE(canvas.ToggleMaximise(2));
    ASSERT_TRUE(canvas.ToggleMaximise(2));
    for (int pane = 0; pane < CCanvas::kPanes; ++pane)
        ASSERT_EQ(canvas.Surface(pane)->Occupant(), State(pane).owner) << pane;
    ASSERT_TRUE(canvas.ReleasePane(cams[2]));
    EXPECT_EQ(canvas.Surface(2)->Occupant(), nullptr);
    EXPECT_FALSE(publish(2, 2));
}

TEST_F(CanvasTest, ResizeMovesCellsAndDrawSizes) {
    Open(0, 2);
    ASSERT_TRUE(canvas.PressPane(1, 500, 100));
    canvas.PlacePanes(401, 201);
    EXPECT_EQ(canvas.Slot(0, 1)->cell, (PaneRect{200, 0, 200, 100}));
    EXPECT_EQ(State(1).owner, &cams[1]);
    EXPECT_EQ(canvas.Surface(1)->DrawSize(), std::pair(198, 98));
    EXPECT_EQ(canvas.Surface(0)->DrawSize(), std::pair(200, 100));
}

TEST_F(CanvasTest, AudioAndTalkHandOver) {
    using enum CCanvas::Claim;
    EXPECT_EQ(canvas.ClaimRole(CameraRole::Audio, cams[0]), Taken);
    EXPECT_EQ(canvas.ClaimRole(CameraRole::Audio, cams[0]), AlreadyOwner);
    EXPECT_EQ(canvas.ClaimRole(CameraRole::Audio, cams[1]), Queued);
    EXPECT_EQ(canvas.RoleCamera(CameraRole::Audio), &cams[0]);
    EXPECT_EQ(canvas.RoleCamera(CameraRole::Talk), nullptr);
    EXPECT_EQ(canvas.PromoteNextRoleCamera(CameraRole::Audio), &cams[1]);
    EXPECT_EQ(canvas.NextRoleCamera(CameraRole::Audio), nullptr);
    EXPECT_EQ(canvas.PromoteNextRoleCamera(CameraRole::Audio), nullptr);
    EXPECT_EQ(canvas.RoleCamera(CameraRole::Audio), nullptr);
}

TEST_F(CanvasTest, CameraThreadsTakeAndGiveBackPanesDuringLayoutChanges) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([this, t] {
            for (int round = 0; round < 300; ++round) {
                for (int i = t * 16; i < t * 16 + 16; ++i) {
                    EXPECT_TRUE(canvas.AcquirePane(cams[i]));
                    EXPECT_NE(canvas.SurfaceOf(cams[i]), nullptr);
                    if (round % 3 == 0) {
                        EXPECT_TRUE(canvas.ReleasePane(cams[i]));
                    }
                }
                for (int i = t * 16; i < t * 16 + 16; ++i) canvas.ReleasePane(cams[i]);
            }
        });
    }
    const int commands[] = {1001, 1002, 1018, 1020, 1021, 1022};
    for (int round = 0; round < 300; ++round) {
        canvas.ChooseLayout(commands[round % 6]);
        canvas.NextPage();
        canvas.PlacePanes(600 + round, 400);
    }
    for (auto& thread : threads) thread.join();
    for (const PaneState& pane : canvas.Panes()) EXPECT_EQ(pane.owner, nullptr);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(Position(i), (PanePosition{-1, -1}));
    EXPECT_EQ(canvas.PageCount(), 0);
    EXPECT_EQ(canvas.CurrentPage(), 0);
}

TEST_F(CanvasTest, CameraThreadsEmptyingTheShownPageBringUpAPageThatExists) {
    // The UI thread keeps showing the last page while camera threads give back the panes on it.
    Open(0, 4);
    for (int round = 0; round < 50; ++round) {
        Open(4, 8);  // pages 1 and 2
        ASSERT_TRUE(canvas.ShowPage(2));
        std::vector<std::thread> threads;
        for (int t = 0; t < 2; ++t) {
            threads.emplace_back([this, t] {
                for (int i = 11 - t * 4; i > 7 - t * 4; --i)
                    EXPECT_TRUE(canvas.ReleasePane(cams[i]));
            });
        }
        for (int turn = 0; turn < 20; ++turn) {
            canvas.PrevPage();
            canvas.NextPage();
        }
        for (auto& thread : threads) thread.join();
        EXPECT_EQ(canvas.PageCount(), 1);
        EXPECT_EQ(canvas.CurrentPage(), 0) << round;
        EXPECT_EQ(Shown(), (std::vector<int>{0, 1, 2, 3})) << round;
    }
}

}  // namespace
}  // namespace nimbrel
