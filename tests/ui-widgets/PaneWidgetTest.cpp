// A pane with a real camera object in it: the state pictures, the live picture handed over by
// its surface (turned and with icons), the pan/tilt arrows and keys, the health overlay and the
// tooltip.
#include <algorithm>

#include <QDialog>
#include <QHelpEvent>
#include <QToolTip>
#include <QVBoxLayout>

#include "TreeFixture.h"
#include "live/CCamera.h"
#include "live/ConnectingAnimation.h"
#include "platform/FixedText.h"
#include "wall/CanvasPaneHost.h"
#include "wall/ui/CanvasWidget.h"
#include "wall/ui/PanePainter.h"
#include "wall/ui/PaneWidget.h"
#include "wall/ui/PictureButton.h"

namespace nimbrel {
namespace {

using Direction = PtzRequests::Direction;

class PaneWidgetTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(widget);
        window.resize(800, 600);
        window.show();
        ASSERT_EQ(widget->size(), QSize(800, 600));
        SetText(camera.type, "y-ptz");
        camera.m_nStatus = kStatusPlaying;
        ASSERT_TRUE(canvas.AcquirePane(camera));
        pane = widget->Pane(0);
    }

    // Publishes a picture of the pane's drawing size (transposed for a quarter turn) whose top
    // ten rows are red and the rest blue, and waits until the pane has taken it.
    void Publish(int rotation, PaneOverlay overlay = {}) {
        PaneSurface* surface = canvas.Surface(0);
        auto [w, h] = surface->DrawSize();
        if (rotation & 1) std::swap(w, h);
        PanePicture picture;
        const BgrxTarget target = picture.Resize(w, h);
        uint8_t* bgrx = target.pixels;
        const int stride = target.stride;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                uint8_t* px = bgrx + y * stride + x * 4;
                px[0] = y < 10 ? 0 : 255;  // blue
                px[1] = 0;
                px[2] = y < 10 ? 255 : 0;  // red
                px[3] = 255;
            }
        overlay.rotation = rotation;
        picture.overlay = overlay;
        const uint64_t sequence = surface->Published() + 1;
        ASSERT_TRUE(surface->Publish(camera, picture));
        ASSERT_TRUE(WaitFor([&] { return canvas.Surface(0)->Published() == sequence; }));
        QCoreApplication::processEvents();
    }
    QImage Shot() const { return pane->grab().toImage(); }

    CCanvas canvas;
    CanvasPaneHost host{canvas};
    GlobalSettings g;
    AppRecord app;
    test::RecordingNotifier notifier;
    LiveContext live{g,
                     app,
                     notifier,
                     host,
                     HttpOptions{},
                     5000,
                     3000,
                     std::chrono::minutes(5),
                     {},
                     std::chrono::minutes(1)};
    QDialog window;
    CanvasWidget* widget = new CanvasWidget(canvas, &window);
    CCamera camera{live};
    PaneWidget* pane = nullptr;
};

TEST_F(PaneWidgetTest, ArrowsShowOverAPlayingPanTiltCameraWellInsideThePane) {
    EXPECT_EQ(pane->Arrow(Direction::Up)->geometry(), QRect(190, 15, 40, 40));
    EXPECT_EQ(pane->Arrow(Direction::Down)->geometry(), QRect(190, 245, 40, 40));
    EXPECT_EQ(pane->Arrow(Direction::Left)->geometry(), QRect(15, 140, 40, 40));
    EXPECT_EQ(pane->Arrow(Direction::Right)->geometry(), QRect(345, 140, 40, 40));

    Move(pane, {25, 25});
    for (Direction d : {Direction::Up, Direction::Down, Direction::Left, Direction::Right})
        EXPECT_TRUE(pane->Arrow(d)->isVisible());
    Move(pane, {19, 150});
    EXPECT_FALSE(pane->Arrow(Direction::Up)->isVisible());

    camera.m_nStatus = kStatusConnecting;
    Move(pane, {200, 150});
    EXPECT_FALSE(pane->Arrow(Direction::Up)->isVisible());

    camera.m_nStatus = kStatusPlaying;
    SetText(camera.type, "x-fixed");
    Move(pane, {200, 150});
    EXPECT_FALSE(pane->Arrow(Direction::Up)->isVisible());
}

TEST_F(PaneWidgetTest, ArrowsHideWhenTheCursorLeavesAndWhenThePaneIsLaidOutAgain) {
    const auto shown = [&] { return pane->Arrow(Direction::Left)->isVisible(); };
    Move(pane, {200, 150});
    ASSERT_TRUE(shown());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(pane, &leave);
    EXPECT_FALSE(shown());

    // Another layout: the pane gets a new cell, which the cursor is not known to be over.
    Move(pane, {200, 150});
    ASSERT_TRUE(shown());
    ASSERT_TRUE(canvas.Relayout(SplitLayout::kGrid, 3, 3));
    EXPECT_NE(pane->size(), QSize(400, 300));
    EXPECT_FALSE(shown());

    // The same size in another place (the wall's pane moved to another cell).
    Move(pane, {100, 100});
    ASSERT_TRUE(shown());
    pane->move(pane->pos() + QPoint(10, 0));
    EXPECT_FALSE(shown());
}

TEST_F(PaneWidgetTest, ArrowButtonsAndKeysSetTheirOwnRequestOnly) {
    Move(pane, {200, 150});
    QTest::mouseClick(pane->Arrow(Direction::Down), Qt::LeftButton);
    EXPECT_EQ(pane->Ptz().down.load(), 1);
    EXPECT_EQ(pane->Ptz().up.load() + pane->Ptz().left.load() + pane->Ptz().right.load(), 0);
    EXPECT_EQ(pane->Ptz().TakeNext(), Direction::Down);
    EXPECT_EQ(pane->Ptz().TakeNext(), std::nullopt);

    QTest::keyClick(pane, Qt::Key_Right);
    EXPECT_EQ(pane->Ptz().right.load(), 1);
    EXPECT_EQ(pane->Ptz().up.load() + pane->Ptz().down.load() + pane->Ptz().left.load(), 0);
    QTest::keyClick(pane, Qt::Key_Up);
    // Taken in the order left, right, up, down.
    EXPECT_EQ(pane->Ptz().TakeNext(), Direction::Right);
    EXPECT_EQ(pane->Ptz().TakeNext(), Direction::Up);

    // Enter and Escape over a pane close nothing around it.
    QTest::keyClick(pane, Qt::Key_Return);
    QTest::keyClick(pane, Qt::Key_Escape);
    EXPECT_TRUE(window.isVisible());
}

TEST_F(PaneWidgetTest, LivePictureFillsTheDrawingRectangleAsTurned) {
    PaneOverlay overlay;
    overlay.devAudioIcon = true;
    Publish(0, overlay);
    QImage shot = Shot();
    EXPECT_EQ(Pixel(shot, 200, 3), QColor(255, 0, 0));  // the top rows stay on top
    EXPECT_EQ(Pixel(shot, 200, 200), QColor(0, 0, 255));
    // The device-audio icon at (w / 5, h - 28), 23 × 23.
    EXPECT_EQ(Pixel(shot, 80 + 11, 272 + 11), pane_colours::kDevAudioFallback);
    EXPECT_EQ(Pixel(shot, 300 - 28 + 11, 272 + 11), QColor(0, 0, 255));  // no talk icon
    EXPECT_EQ(Pixel(shot, 0, 150), pane_colours::kBorder);

    // A quarter turn clockwise: the picture's top edge lands on the right side.
    Publish(1);
    shot = Shot();
    EXPECT_EQ(Pixel(shot, 395, 150), QColor(255, 0, 0));
    EXPECT_EQ(Pixel(shot, 200, 3), QColor(0, 0, 255));
    EXPECT_EQ(Pixel(shot, 10, 150), QColor(0, 0, 255));

    Publish(2);
    EXPECT_EQ(Pixel(Shot(), 200, 296), QColor(255, 0, 0));
    // The pane painted the picture in place: it is still the surface's front picture, and the
    // pane holds no full-size copy of its own.
    PanePicture front;
    EXPECT_TRUE(canvas.Surface(0)->TakeFront(front));
    EXPECT_EQ(front.overlay.rotation, 2);
    ASSERT_TRUE(canvas.Surface(0)->Publish(camera, front));  // back as it was
    Publish(3);
    EXPECT_EQ(Pixel(Shot(), 4, 150), QColor(255, 0, 0));

    // When the camera gives its pane back, the last picture goes with it.
    canvas.ReleasePane(camera);
    QCoreApplication::processEvents();
    EXPECT_EQ(Pixel(Shot(), 4, 150), pane_colours::kIdleFallback);
}

TEST_F(PaneWidgetTest, APictureSmallerThanItsPaneIsStretchedSmoothlyOverAllOfIt) {
    // A stream smaller than its pane comes at the stream's size: here a quarter of the drawing
    // rectangle, its left half red and its right half blue.
    PaneSurface* surface = canvas.Surface(0);
    const auto [drawWidth, drawHeight] = surface->DrawSize();
    const int w = drawWidth / 2, h = drawHeight / 2;
    PanePicture picture;
    const BgrxTarget target = picture.Resize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* px = target.pixels + y * target.stride + x * 4;
            const bool left = x < w / 2;
            px[0] = left ? 0 : 255;
            px[1] = 0;
            px[2] = left ? 255 : 0;
            px[3] = 255;
        }
    ASSERT_TRUE(surface->Publish(camera, picture));
    ASSERT_TRUE(WaitFor([&] { return surface->Published() == 1; }));
    QCoreApplication::processEvents();
    const QImage shot = Shot();
    // Every corner of the drawing rectangle is picture, not the idle background.
    EXPECT_EQ(Pixel(shot, 3, drawHeight - 3), QColor(255, 0, 0));
    EXPECT_EQ(Pixel(shot, drawWidth - 3, 3), QColor(0, 0, 255));
    EXPECT_EQ(Pixel(shot, drawWidth - 3, drawHeight - 3), QColor(0, 0, 255));
    // The edge between the halves, now at the middle, is blended, not blocky.
    bool blended = false;
    for (int x = drawWidth / 2 - 3; x <= drawWidth / 2 + 3; ++x) {
        const QColor c = Pixel(shot, x, drawHeight / 2);
        blended = blended || (c.red() > 20 && c.blue() > 20);
    }
    EXPECT_TRUE(blended) << "a stretched picture is drawn with smoothing";
}

TEST_F(PaneWidgetTest, StatusLineSitsOnADarkStripOnlyAsWideAsItsText) {
    // A white picture: the blue text alone would be hard to read on it.
    PaneOverlay overlay;
    overlay.statusText = "192.168.1.10  512.00K/s";
    PanePicture white;
    {
        PaneSurface* surface = canvas.Surface(0);
        const auto [w, h] = surface->DrawSize();
        const BgrxTarget target = white.Resize(w, h);
        std::fill(target.pixels, target.pixels + static_cast<std::size_t>(target.stride) * h,
                  uint8_t{255});
        white.overlay = overlay;
        const uint64_t sequence = surface->Published() + 1;
        ASSERT_TRUE(surface->Publish(camera, white));
        ASSERT_TRUE(WaitFor([&] { return surface->Published() == sequence; }));
        QCoreApplication::processEvents();
    }
    const QImage shot = Shot();
    // Left of the text, within the strip: darkened white, not white and not black.
    const QColor strip = Pixel(shot, 3, 14);
    EXPECT_LT(strip.lightness(), 160);
    EXPECT_GT(strip.lightness(), 40);
    // Blue text pixels somewhere on the strip.
    int text = 0;
    for (int x = 6; x < 120; ++x)
        for (int y = 12; y < 26; ++y)
            if (Pixel(shot, x, y).blue() > Pixel(shot, x, y).red() + 60) ++text;
    EXPECT_GT(text, 10);
    // Far right of the text the picture is untouched.
    EXPECT_EQ(Pixel(shot, 390, 14), QColor(Qt::white));
    EXPECT_EQ(Pixel(shot, 200, 60), QColor(Qt::white));
}

TEST_F(PaneWidgetTest, ConnectingPaintsTheBarsWithOneHighlighted) {
    camera.m_nStatus = kStatusConnecting;
    camera.m_nProgressFrame = 8;
    pane->StateChanged();
    const QImage shot = Shot();
    const ConnectingBars bars = ConnectingBarsFor(400, 300, 8);
    ASSERT_EQ(bars.highlighted, 2);
    const int y = bars.top + bars.height / 2;
    for (int k = 0; k < ConnectingBars::kCount; ++k) {
        const QColor expected = QColor::fromRgba(k == 2 ? ConnectingBars::kHighlightColour
                                                        : ConnectingBars::kBarColour);
        EXPECT_EQ(Pixel(shot, bars.BarLeft(k) + bars.width / 2, y), expected) << k;
    }
    EXPECT_EQ(Pixel(shot, bars.BarLeft(0) - 2, y), pane_colours::kIdleFallback);
}

TEST_F(PaneWidgetTest, FailedViewShowsItsPictureAndTheFrameWhenSelected) {
    camera.m_nStatus = kStatusFailed;
    pane->StateChanged();
    EXPECT_EQ(Pixel(Shot(), 200, 150), pane_colours::kFailedFallback);
    Click(pane, {200, 150});
    const QImage shot = Shot();
    EXPECT_EQ(Pixel(shot, 2, 150), pane_colours::kSelection);
    EXPECT_EQ(Pixel(shot, 200, 150), pane_colours::kFailedFallback);
}

TEST_F(PaneWidgetTest, TheHealthOverlayShowsOnlyWhileOnAndOnlyForItsOwnCamera) {
    Publish(0);
    const QRect area(8, PanePainter::kHealthTop + 2, 60, 40);  // left part of the overlay's lines
    const QColor blue(0, 0, 255);
    ASSERT_EQ(CountColour(Shot(), area, blue), area.width() * area.height());
    camera.m_DeviceNATType = kDeviceLan;
    camera.counters.framesShown = 100;
    camera.m_fBytesLastSecond = 32000;

    // Off: nothing measured, nothing drawn.
    EXPECT_FALSE(widget->HealthOverlay());
    EXPECT_FALSE(pane->Health());
    EXPECT_TRUE(pane->HealthText().isEmpty());

    widget->SetHealthOverlay(true);
    ASSERT_TRUE(pane->Health());
    EXPECT_EQ(pane->HealthText(), QStringList({"Маршрут: Локальная сеть", "— кадр/с, 256 кбит/с",
                                               "потеряно 0, задержка — мс"}));
    // The lines sit on dark strips over the picture.
    EXPECT_LT(CountColour(Shot(), area, blue), area.width() * area.height() / 2);
    // Panes without a camera show nothing.
    EXPECT_FALSE(widget->Pane(1)->Health());

    // The next look a second later has a rate.
    camera.counters.framesShown = 125;
    pane->SampleHealth(std::chrono::steady_clock::now() + std::chrono::seconds(1));
    ASSERT_TRUE(pane->Health() && pane->Health()->framesPerSecond);
    EXPECT_GT(*pane->Health()->framesPerSecond, 0.0);

    // Another camera in the pane: the numbers of the previous one are not shown for it.
    CCamera other{live};
    canvas.ReleasePane(camera);
    ASSERT_TRUE(canvas.AcquirePane(other));
    ASSERT_EQ(canvas.Pane(0)->owner, &other);
    EXPECT_FALSE(pane->Health());
    canvas.ReleasePane(other);

    widget->SetHealthOverlay(false);
    EXPECT_FALSE(pane->Health());
    ASSERT_TRUE(canvas.AcquirePane(camera));
    Publish(0);
    EXPECT_EQ(CountColour(Shot(), area, blue), area.width() * area.height());
}

TEST_F(PaneWidgetTest, TheTooltipNamesTheCameraAndItsRoute) {
    camera.SetName("Двор");
    EXPECT_EQ(pane->ToolTipText(), QStringLiteral("Двор"));  // the route is not known yet
    camera.m_DeviceNATType = kDeviceRelay;
    EXPECT_EQ(pane->ToolTipText(), QStringLiteral("Двор\nМаршрут: Через ретранслятор"));

    const QPoint at(200, 150);
    QHelpEvent help(QEvent::ToolTip, at, pane->mapToGlobal(at));
    QApplication::sendEvent(pane, &help);
    EXPECT_TRUE(WaitFor([] { return QToolTip::isVisible(); }));
    EXPECT_EQ(QToolTip::text(), QStringLiteral("Двор\nМаршрут: Через ретранслятор"));
    QToolTip::hideText();

    // An empty pane has none.
    EXPECT_TRUE(widget->Pane(1)->ToolTipText().isEmpty());
    canvas.ReleasePane(camera);
    EXPECT_TRUE(pane->ToolTipText().isEmpty());
}

}  // namespace
}  // namespace nimbrel
