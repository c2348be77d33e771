// The wall's window: pane layout on resize, selection inset and frame, drag-swap and maximise
// by mouse, and the layout chooser's placement and hiding.
#include <algorithm>
#include <cstdlib>

#include <QSignalSpy>

#include "TreeFixture.h"
#include "wall/ui/CanvasWidget.h"
#include "wall/ui/PanePainter.h"
#include "wall/ui/PaneWidget.h"
#include "wall/ui/PictureButton.h"
#include "wall/ui/SplitChooser.h"

namespace nimbrel {
namespace {

class CanvasWidgetTest : public ::testing::Test {
  protected:
    void SetUp() override {
        widget.resize(800, 600);
        widget.show();
    }
    PaneWidget* Pane(int i) const { return widget.Pane(i); }
    QImage Shot(int i) const { return Pane(i)->grab().toImage(); }
    QPoint Centre(int i) const { return {Pane(i)->width() / 2, Pane(i)->height() / 2}; }
    // Sends a move to the pane at a point given in canvas coordinates (the pane moves as it
    // follows the cursor, so the local point is taken afresh each time).
    void MoveTo(int i, QPoint canvasPoint) {
        Move(Pane(i), Pane(i)->mapFromParent(canvasPoint), Qt::LeftButton);
    }
    void ReleaseAt(int i, QPoint canvasPoint) {
        SendMouse(Pane(i), QEvent::MouseButtonRelease, Pane(i)->mapFromParent(canvasPoint),
                  Qt::LeftButton, Qt::NoButton);
    }

    CCanvas canvas;
    CanvasWidget widget{canvas};
    std::array<PaneOwner, 4> owners;
};

TEST_F(CanvasWidgetTest, ResizeLaysOutTheSixtyFourPanes) {
    EXPECT_EQ(widget.findChildren<PaneWidget*>().size(), 64);
    EXPECT_EQ(Pane(0)->geometry(), QRect(0, 0, 400, 300));
    EXPECT_EQ(Pane(3)->geometry(), QRect(400, 300, 400, 300));
    for (int i = 0; i < 64; ++i) EXPECT_EQ(Pane(i)->isVisible(), i < 4) << i;

    widget.resize(603, 301);
    EXPECT_EQ(Pane(1)->geometry(), QRect(301, 0, 301, 150));
    // The canvas itself is white where no pane covers it (the remainder pixels).
    EXPECT_EQ(widget.grab().toImage().pixelColor(602, 300), QColor(Qt::white));
}

TEST_F(CanvasWidgetTest, PressSelectsWithAnInsetAndAFrameThatStandsOut) {
    QSignalSpy pressed(&widget, &CanvasWidget::CameraPressed);
    QSignalSpy selection(&widget, &CanvasWidget::SelectedCameraChanged);
    Click(Pane(0), Centre(0));  // an empty pane does not react
    EXPECT_EQ(canvas.SelectedCamera(), nullptr);
    EXPECT_EQ(pressed.count(), 0);

    for (auto& owner : owners) ASSERT_TRUE(canvas.AcquirePane(owner));
    Click(Pane(0), Centre(0));
    EXPECT_EQ(canvas.SelectedCamera(), &owners[0]);
    ASSERT_EQ(pressed.count(), 1);
    EXPECT_EQ(pressed[0][0].value<PaneOwner*>(), &owners[0]);
    EXPECT_EQ(selection.count(), 1);
    EXPECT_EQ(canvas.Pane(0)->drawRect, (PaneRect{1, 1, 398, 298}));

    // The selected pane's edge is a three-pixel frame in the accent colour, over the border.
    QImage shot = Shot(0);
    for (int d = 0; d < 3; ++d) {
        EXPECT_EQ(Pixel(shot, d, 150), pane_colours::kSelection) << d;
        EXPECT_EQ(Pixel(shot, 200, d), pane_colours::kSelection) << d;
        EXPECT_EQ(Pixel(shot, 399 - d, 299 - d), pane_colours::kSelection) << d;
    }
    EXPECT_EQ(Pixel(shot, 3, 150), pane_colours::kIdleFallback);
    // Beside it an unselected pane's border is clearly another colour: at least a quarter of
    // the range apart in some channel.
    const QColor border = Pixel(Shot(1), 0, 150);
    EXPECT_EQ(border, pane_colours::kBorder);
    const QColor frame = pane_colours::kSelection;
    const int apart =
        std::max({std::abs(border.red() - frame.red()), std::abs(border.green() - frame.green()),
                  std::abs(border.blue() - frame.blue())});
    EXPECT_GE(apart, 64);
    EXPECT_EQ(Pixel(Shot(1), 1, 150), pane_colours::kIdleFallback);

    // Selecting another pane gives the first its full drawing rectangle and plain edge back.
    Click(Pane(1), Centre(1));
    EXPECT_EQ(canvas.Pane(0)->drawRect, (PaneRect{0, 0, 400, 300}));
    shot = Shot(0);
    EXPECT_EQ(Pixel(shot, 0, 150), pane_colours::kBorder);
    EXPECT_EQ(Pixel(shot, 1, 150), pane_colours::kIdleFallback);
    EXPECT_EQ(Pixel(Shot(1), 2, 150), pane_colours::kSelection);
}

TEST_F(CanvasWidgetTest, DraggingAPaneOntoAnotherSwapsThem) {
    for (auto& owner : owners) ASSERT_TRUE(canvas.AcquirePane(owner));
    const QPoint target(600, 150);  // the middle of pane 1's cell

    // Three moves are not yet a drag: the pane stays and nothing swaps.
    SendMouse(Pane(0), QEvent::MouseButtonPress, Centre(0));
    for (int i = 0; i < 3; ++i) MoveTo(0, target);
    EXPECT_EQ(Pane(0)->geometry(), QRect(0, 0, 400, 300));
    ReleaseAt(0, target);
    EXPECT_EQ(Pane(0)->geometry(), QRect(0, 0, 400, 300));

    SendMouse(Pane(0), QEvent::MouseButtonPress, Centre(0));
    for (int i = 0; i < 4; ++i) MoveTo(0, target);
    // The pane follows the cursor, held inside the canvas.
    EXPECT_EQ(Pane(0)->geometry(), QRect(400, 0, 400, 300));
    ReleaseAt(0, target);
    EXPECT_EQ(Pane(0)->geometry(), QRect(400, 0, 400, 300));
    EXPECT_EQ(Pane(1)->geometry(), QRect(0, 0, 400, 300));
    EXPECT_EQ(canvas.Pane(0)->slotIndex, 1);
    EXPECT_EQ(canvas.SelectedCamera(), &owners[0]);
    EXPECT_EQ(canvas.PaneAtCursor(100, 100), 1);
}

TEST_F(CanvasWidgetTest, DoubleClickMaximisesAndRestores) {
    for (auto& owner : owners) ASSERT_TRUE(canvas.AcquirePane(owner));
    DoubleClick(Pane(2), Centre(2));
    EXPECT_EQ(Pane(2)->geometry(), QRect(0, 0, 800, 600));
    for (int i : {0, 1, 3}) EXPECT_FALSE(Pane(i)->isVisible()) << i;
    EXPECT_EQ(canvas.FullCamera(), &owners[2]);
    DoubleClick(Pane(2), Centre(2));
    EXPECT_EQ(Pane(2)->geometry(), QRect(0, 300, 400, 300));
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(Pane(i)->isVisible()) << i;
}

TEST_F(CanvasWidgetTest, ChooserOpensBesideItsButtonAndHides) {
    SplitChooser* chooser = widget.Chooser();
    ASSERT_FALSE(chooser->isVisible());
    const QRect button(100, 500, 30, 24);
    widget.ToggleChooser(button);
    ASSERT_TRUE(chooser->isVisible());
    // Left edge at the button's right edge, bottom edge at its top edge.
    EXPECT_EQ(chooser->geometry().topLeft(), QPoint(130, 500 - SplitChooser::kHeight));
    EXPECT_EQ(chooser->geometry().bottom() + 1, 500);
    const QImage face = chooser->grab().toImage();
    EXPECT_EQ(Pixel(face, 0, 0), QColor(64, 155, 228));
    EXPECT_EQ(Pixel(face, SplitChooser::kWidth - 1, 50), QColor(64, 155, 228));
    EXPECT_EQ(Pixel(face, 3, 50), QColor(Qt::white));
    widget.ToggleChooser(button);
    EXPECT_FALSE(chooser->isVisible());

    widget.ToggleChooser(button);
    QTest::keyClick(chooser, Qt::Key_Escape);
    EXPECT_FALSE(chooser->isVisible());

    widget.ToggleChooser(button);
    Click(Pane(3), Centre(3));  // a press on any pane, even an empty one
    EXPECT_FALSE(chooser->isVisible());
}

TEST_F(CanvasWidgetTest, ChooserFramesTheLayoutInUse) {
    SplitChooser* chooser = widget.Chooser();
    // Accent pixels in the gap left of a button, at its middle height.
    const auto marked = [&](int commandId) {
        const QImage face = chooser->grab().toImage();
        const QRect button = chooser->Button(commandId)->geometry();
        int n = 0;
        for (int x = button.left() - 4; x < button.left(); ++x)  // not the neighbour's frame
            if (Pixel(face, x, button.center().y()) == QColor(64, 155, 225)) ++n;
        return n > 0;
    };
    widget.ToggleChooser(QRect(0, 300, 10, 10));
    EXPECT_TRUE(marked(1002));  // 2×2, the default
    for (int id : {1001, 1018, 1020, 1021, 1022}) EXPECT_FALSE(marked(id)) << id;
    QTest::mouseClick(chooser->Button(1021), Qt::LeftButton);
    widget.ToggleChooser(QRect(0, 300, 10, 10));
    EXPECT_TRUE(marked(1021));
    EXPECT_FALSE(marked(1002));
}

TEST_F(CanvasWidgetTest, ChooserButtonsSwitchTheLayoutOnce) {
    SplitChooser* chooser = widget.Chooser();
    QSignalSpy chosen(chooser, &SplitChooser::LayoutChosen);
    // Top row 1001, 1002, 1018; bottom row 1020, 1021, 1022.
    EXPECT_LT(chooser->Button(1002)->x(), chooser->Button(1018)->x());
    EXPECT_EQ(chooser->Button(1001)->x(), chooser->Button(1020)->x());
    EXPECT_LT(chooser->Button(1001)->y(), chooser->Button(1020)->y());

    for (auto& owner : owners) ASSERT_TRUE(canvas.AcquirePane(owner));
    widget.ToggleChooser(QRect(0, 300, 10, 10));
    QTest::mouseClick(chooser->Button(1018), Qt::LeftButton);
    EXPECT_FALSE(chooser->isVisible());
    EXPECT_EQ(canvas.Layout().cols, 3);
    EXPECT_EQ(Pane(0)->geometry(), QRect(0, 0, 266, 200));
    for (int i = 0; i < 10; ++i) EXPECT_EQ(Pane(i)->isVisible(), i < 9) << i;

    widget.ToggleChooser(QRect(0, 300, 10, 10));
    QTest::mouseClick(chooser->Button(1018), Qt::LeftButton);
    ASSERT_EQ(chosen.count(), 2);
    EXPECT_TRUE(chosen[0][1].toBool());
    EXPECT_FALSE(chosen[1][1].toBool());  // already active: nothing repacked
    EXPECT_FALSE(chooser->isVisible());
}

}  // namespace
}  // namespace nimbrel
