// Selection and its drawing inset, drag thresholds and swaps, hit testing, maximising, and what
// the listener is told.
#include <string>

#include "CanvasFixture.h"

namespace nimbrel {
namespace {

TEST_F(CanvasTest, SelectionInsetsTheDrawRect) {
    Open(0, 2);
    ASSERT_TRUE(canvas.PressPane(0, 10, 10));
    EXPECT_EQ(canvas.SelectedCamera(), &cams[0]);
    EXPECT_EQ(State(0).drawRect, (PaneRect{1, 1, 398, 398}));
    ASSERT_TRUE(canvas.PressPane(1, 410, 10));
    EXPECT_EQ(State(0).drawRect, (PaneRect{0, 0, 400, 400}));
    EXPECT_TRUE(State(1).selected);
    EXPECT_FALSE(canvas.PressPane(2, 10, 410));  // no camera: selection stays
    EXPECT_EQ(canvas.SelectedCamera(), &cams[1]);

    ASSERT_TRUE(canvas.ReleasePane(cams[0]));  // another camera's stop keeps the selection
    EXPECT_EQ(canvas.SelectedCamera(), &cams[1]);
    ASSERT_TRUE(canvas.ReleasePane(cams[1]));
    EXPECT_EQ(canvas.SelectedCamera(), nullptr);
    EXPECT_EQ(State(1).drawRect, (PaneRect{0, 0, 400, 400}));
}

TEST_F(CanvasTest, PaneFollowsTheCursorFromTheFourthMove) {
    Open(0, 2);
    ASSERT_TRUE(canvas.PressPane(0, 100, 100));
    for (int i = 0; i < 3; ++i) canvas.MovePointer(300, 150);
    EXPECT_EQ(State(0).windowRect, (PaneRect{0, 0, 400, 400}));
    EXPECT_EQ(canvas.MovingPane(), -1);
    canvas.MovePointer(300, 150);
    EXPECT_EQ(State(0).windowRect, (PaneRect{200, 50, 400, 400}));
    EXPECT_EQ(canvas.MovingPane(), 0);
    canvas.MovePointer(50, 60);  // never left of or above the canvas
    EXPECT_EQ(State(0).windowRect, (PaneRect{0, 0, 400, 400}));
    canvas.MovePointer(500, 700);  // the far edges reach the canvas's right and bottom
    EXPECT_EQ(State(0).windowRect, (PaneRect{400, 400, 400, 400}));

    // Three moves and a release over another pane are a plain click.
    canvas.ReleasePointer(500, 700);
    ASSERT_TRUE(canvas.PressPane(1, 500, 100));
    for (int i = 0; i < 3; ++i) canvas.MovePointer(100, 100);
    canvas.ReleasePointer(100, 100);
    EXPECT_EQ(State(1).slotIndex, 1);
    EXPECT_EQ(State(1).windowRect, State(1).cellRect);
}

TEST_F(CanvasTest, DropOutsideEveryCellPutsThePaneBack) {
    canvas.PlacePanes(801, 801);  // one column and one row of uncovered pixels
    Open(0, 4);
    for (const auto& [x, y] : {std::pair(200, 200), std::pair(800, 100), std::pair(-5, -5)}) {
        Drag(0, x, y);
        EXPECT_EQ(State(0).windowRect, (PaneRect{0, 0, 400, 400})) << x << "," << y;
        EXPECT_EQ(State(0).slotIndex, 0);
    }
}

TEST_F(CanvasTest, DropSwapsCellsDrawRectsAndSlotIndexes) {
    ASSERT_TRUE(canvas.ChooseLayout(1021));
    canvas.PlacePanes(600, 300);
    Open(0, 2);
    ASSERT_TRUE(canvas.PressPane(1, 450, 50));
    canvas.ReleasePointer(450, 50);
    Drag(0, 450, 150);  // the big pane onto the second small cell
    EXPECT_EQ(canvas.SelectedCamera(), &cams[0]);
    const PaneState dragged = State(0);
    const PaneState target = State(2);
    EXPECT_EQ(dragged.cellRect, (PaneRect{400, 100, 200, 100}));
    EXPECT_EQ(dragged.windowRect, dragged.cellRect);
    EXPECT_EQ(dragged.slotIndex, 2);
    EXPECT_EQ(dragged.drawRect, (PaneRect{1, 1, 198, 98}));
    EXPECT_EQ(target.cellRect, (PaneRect{0, 0, 400, 200}));
    EXPECT_EQ(target.drawRect, (PaneRect{0, 0, 400, 200}));
    EXPECT_EQ(target.slotIndex, 0);
    EXPECT_EQ(State(1).drawRect, (PaneRect{0, 0, 200, 100}));  // no longer selected
    EXPECT_EQ(canvas.Slot(0, 0)->pane, 0);                     // entries keep their panes
    EXPECT_EQ(canvas.Slot(0, 0)->cell, dragged.cellRect);
    EXPECT_EQ(canvas.Surface(2)->DrawSize(), std::pair(400, 200));
}

TEST_F(CanvasTest, PaneAtCursorEdges) {
    EXPECT_EQ(canvas.PaneAtCursor(0, 0), 0);
    EXPECT_EQ(canvas.PaneAtCursor(399, 399), 0);
    EXPECT_EQ(canvas.PaneAtCursor(400, 0), 1);
    EXPECT_EQ(canvas.PaneAtCursor(0, 400), 2);
    EXPECT_EQ(canvas.PaneAtCursor(799, 799), 3);
    EXPECT_EQ(canvas.PaneAtCursor(800, 0), std::nullopt);
    EXPECT_EQ(canvas.PaneAtCursor(0, -1), std::nullopt);
    Open(0, 5);
    ASSERT_TRUE(canvas.NextPage());
    EXPECT_EQ(canvas.PaneAtCursor(799, 799), 7);
}

TEST_F(CanvasTest, MaximiseAndRestore) {
    Open(0, 6);
    Drag(0, 500, 100);
    ASSERT_TRUE(canvas.NextPage());
    EXPECT_FALSE(canvas.ToggleMaximise(6));  // no camera
    EXPECT_FALSE(canvas.ToggleMaximise(0));  // not shown
    ASSERT_TRUE(canvas.ToggleMaximise(5));
    EXPECT_EQ(Shown(), (std::vector<int>{5}));
    EXPECT_EQ(State(5).windowRect, (PaneRect{0, 0, 800, 800}));
    EXPECT_EQ(State(5).drawRect, (PaneRect{0, 0, 800, 800}));
    EXPECT_EQ(canvas.FullCamera(), &cams[5]);
    EXPECT_EQ(canvas.FullPosition(), (PanePosition{1, 1}));
    canvas.PlacePanes(600, 600);  // a resize keeps it maximised
    EXPECT_EQ(State(5).windowRect, (PaneRect{0, 0, 600, 600}));

    ASSERT_TRUE(canvas.ToggleMaximise(5));  // restore: repacked, page 0, swap forgotten
    EXPECT_EQ(canvas.CurrentPage(), 0);
    EXPECT_EQ(Shown(), (std::vector<int>{1, 0, 2, 3}));
    EXPECT_FALSE(State(5).maximised);
    EXPECT_EQ(canvas.FullCamera(), &cams[5]);

    ASSERT_TRUE(canvas.ToggleMaximise(0));
    canvas.MainWindowSizeModeChanged(false);
    EXPECT_EQ(State(0).windowRect, State(0).cellRect);
    EXPECT_EQ(Shown().size(), 4u);
    ASSERT_TRUE(canvas.NextPage());
    ASSERT_TRUE(canvas.ToggleMaximise(4));
    canvas.MainWindowSizeModeChanged(true);  // re-laid: page 0, nothing maximised
    EXPECT_EQ(canvas.CurrentPage(), 0);
    EXPECT_FALSE(State(4).maximised);

    ASSERT_TRUE(canvas.ToggleMaximise(2));
    ASSERT_TRUE(canvas.ReleasePane(*State(2).owner));  // an emptied maximised pane goes back
    EXPECT_FALSE(State(2).maximised);
    EXPECT_EQ(Shown().size(), 4u);
}

class RecordingListener : public CanvasListener {
  public:
    explicit RecordingListener(const CCanvas& canvas) : canvas_(canvas) {}
    void PaneGeometryChanged(int pane) override { Add("geometry", pane); }
    void PaneVisibilityChanged(int pane) override { Add("visibility", pane); }
    void PaneInvalidated(int pane) override { Add("invalidated", pane); }
    void SelectionChanged() override { events.push_back("selection"); }

    std::vector<std::string> events;

  private:
    // Reading the canvas from inside a call must not deadlock.
    void Add(const char* what, int pane) {
        const bool shown = canvas_.Pane(pane)->visible;
        events.push_back(std::string(what) + " " + std::to_string(pane) + (shown ? "" : " hidden"));
    }
    const CCanvas& canvas_;
};

TEST_F(CanvasTest, ListenerHearsWhatChanged) {
    RecordingListener listener(canvas);
    canvas.SetListener(&listener);
    Open(0, 5);
    EXPECT_EQ(listener.events,
              (std::vector<std::string>{"invalidated 0", "invalidated 1", "invalidated 2",
                                        "invalidated 3", "invalidated 4 hidden"}));
    listener.events.clear();
    ASSERT_TRUE(canvas.PressPane(1, 500, 10));
    EXPECT_EQ(listener.events,
              (std::vector<std::string>{"geometry 1", "invalidated 1", "selection"}));
    listener.events.clear();
    canvas.ReleasePointer(500, 10);
    EXPECT_FALSE(canvas.ChooseLayout(1002));
    EXPECT_TRUE(listener.events.empty());
    ASSERT_TRUE(canvas.NextPage());
    EXPECT_EQ(listener.events.size(), 8u);
    EXPECT_EQ(listener.events.front(), "visibility 0 hidden");
    EXPECT_EQ(listener.events.back(), "visibility 7");
    canvas.SetListener(nullptr);
}

}  // namespace
}  // namespace nimbrel
