// The pictures at the screen's pixel density. This executable runs once at a device pixel ratio
// of 1 and once at 2: in each run a toolbar button, a layout button, the tree's pictures, a
// pane's idle picture and a style sheet's check box are drawn pixel for pixel from the files made
// for that density, and every widget keeps the size it has at ratio 1.
#include <cstdlib>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include "TreeFixture.h"
#include "devices/ui/DeviceTreePainter.h"
#include "wall/CCanvas.h"
#include "wall/ui/CanvasWidget.h"
#include "wall/ui/PanePainter.h"
#include "wall/ui/PaneWidget.h"
#include "wall/ui/PictureButton.h"
#include "widgets/Artwork.h"
#include "widgets/BitmapButton.h"
#include "widgets/FormStyle.h"
#include "widgets/ResourcePath.h"
#include "widgets/TabPictures.h"

namespace nimbrel {
namespace {

qreal Ratio() {
    return qApp->devicePixelRatio();
}

// The scale of the files this run's screen should get.
int Scale() {
    return Ratio() > 1 ? 2 : 1;
}

// The picture file `name` of the resource folder at this run's scale, as it is on disk.
QImage File(const char* name) {
    QImage image(ResourcePath(ScaledArtworkName(QString::fromLatin1(name), Scale())));
    image.setDevicePixelRatio(1);
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// `picture` laid over `background`, as a widget shows a picture with transparent parts.
QImage Over(const QImage& picture, const QColor& background) {
    QImage result(picture.size(), QImage::Format_ARGB32_Premultiplied);
    result.fill(background);
    QPainter p(&result);
    p.drawImage(0, 0, picture);
    return result;
}

// How many pixels of `shot` from (x, y) on differ from `expected` by more than rounding.
int Mismatches(const QImage& shot, int x, int y, const QImage& expected) {
    if (x + expected.width() > shot.width() || y + expected.height() > shot.height())
        return expected.width() * expected.height();
    const QImage s = shot.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    int n = 0;
    for (int j = 0; j < expected.height(); ++j)
        for (int i = 0; i < expected.width(); ++i) {
            const QRgb a = s.pixel(x + i, y + j), b = expected.pixel(i, j);
            if (std::abs(qRed(a) - qRed(b)) > 2 || std::abs(qGreen(a) - qGreen(b)) > 2 ||
                std::abs(qBlue(a) - qBlue(b)) > 2)
                ++n;
        }
    return n;
}

TEST(HiDpi, TheScreenHasTheRatioOfThisRun) {
    EXPECT_EQ(Ratio(), qEnvironmentVariable("QT_SCALE_FACTOR", "1").toDouble());
}

TEST(HiDpi, APictureComesFromTheFileForTheRatioWithItsOneTimesSize) {
    for (const qreal ratio : {1.0, 1.5, 2.0, 3.0}) {
        const QImage picture = LoadPicture(ResourcePath("ToolStop.png"), ratio);
        const int scale = ratio > 1 ? 2 : 1;
        EXPECT_EQ(picture.size(), QSize(50, 40) * scale) << ratio;
        EXPECT_EQ(picture.devicePixelRatio(), scale) << ratio;
        EXPECT_EQ(picture.deviceIndependentSize(), QSizeF(50, 40)) << ratio;
    }
    EXPECT_TRUE(LoadPicture(ResourcePath("NoSuchPicture.png"), 2).isNull());
}

TEST(HiDpi, WithoutADenseFileThePlainOneIsUsedAndWithABrokenOneToo) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QImage plain(8, 6, QImage::Format_ARGB32);
    plain.fill(Qt::red);
    const QString path = dir.filePath(QStringLiteral("pic.png"));
    ASSERT_TRUE(plain.save(path));
    QImage picture = LoadPicture(path, 2);
    EXPECT_EQ(picture.size(), QSize(8, 6));
    EXPECT_EQ(picture.devicePixelRatio(), 1);

    QFile broken(dir.filePath(QStringLiteral("pic@2x.png")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a picture");
    broken.close();
    picture = LoadPicture(path, 2);
    EXPECT_EQ(picture.size(), QSize(8, 6));
    EXPECT_EQ(picture.devicePixelRatio(), 1);

    QImage dense(16, 12, QImage::Format_ARGB32);
    dense.fill(Qt::blue);
    ASSERT_TRUE(dense.save(broken.fileName()));
    picture = LoadPicture(path, 2);
    EXPECT_EQ(picture.size(), QSize(16, 12));
    EXPECT_EQ(picture.deviceIndependentSize(), QSizeF(8, 6));
    EXPECT_EQ(LoadPicture(path, 1).size(), QSize(8, 6));
}

TEST(HiDpi, TheDenseFileNameKeepsFoldersAndExtensions) {
    EXPECT_EQ(ScaledArtworkName("Split1x1.bmp", 2), "Split1x1@2x.bmp");
    EXPECT_EQ(ScaledArtworkName("/a.b/pic.png", 2), "/a.b/pic@2x.png");
    EXPECT_EQ(ScaledArtworkName("/a.b/pic", 2), "/a.b/pic@2x");
    EXPECT_EQ(ScaledArtworkName("/a.b/pic.png", 1), "/a.b/pic.png");
}

TEST(HiDpi, AToolbarButtonDrawsTheFileForTheRatioAtItsSize) {
    QWidget window;
    auto* button = new BitmapButton(&window);
    button->SetPictureBase(QStringLiteral("ToolStop"));
    ASSERT_EQ(button->sizeHint(), QSize(50, 40));
    button->setGeometry(0, 0, 50, 40);
    window.resize(60, 50);
    window.show();
    const QColor background = window.palette().color(QPalette::Window);
    QImage shot = button->grab().toImage();
    ASSERT_EQ(shot.size(), QSize(50, 40) * Scale());
    EXPECT_EQ(Mismatches(shot, 0, 0, Over(File("ToolStop.png"), background)), 0);

    // The pressed picture, whose frame is drawn for the density too.
    button->setDown(true);
    shot = button->grab().toImage();
    EXPECT_EQ(Mismatches(shot, 0, 0, Over(File("ToolStopSel.png"), background)), 0);

    // One picture for every state.
    button->SetSinglePictureFile(QStringLiteral("ToolTalkFixed.png"));
    EXPECT_EQ(button->sizeHint(), QSize(50, 40));
    shot = button->grab().toImage();
    EXPECT_EQ(Mismatches(shot, 0, 0, Over(File("ToolTalkFixed.png"), background)), 0);
}

TEST(HiDpi, ALayoutButtonDrawsTheFileForTheRatioAtItsSize) {
    PictureButton button("Split2x2.bmp", "Split2x2Down.bmp", nullptr, nullptr);
    EXPECT_EQ(button.sizeHint(), QSize(40, 40));
    button.resize(40, 40);
    button.show();
    EXPECT_EQ(Mismatches(button.grab().toImage(), 0, 0, File("Split2x2.bmp")), 0);
    button.setDown(true);
    EXPECT_EQ(Mismatches(button.grab().toImage(), 0, 0, File("Split2x2Down.bmp")), 0);
}

TEST(HiDpi, TabPicturesAreDrawnForTheDensestScreen) {
    const TabPictureSet tab = TabPictures(QStringLiteral("Tab"), QSize(120, 30), false, QFont());
    EXPECT_EQ(tab.normal.deviceIndependentSize(), QSizeF(120, 30));
    EXPECT_EQ(tab.normal.size(), QSize(120, 30) * Scale());
}

using HiDpiTree = TreeWidgetTest;

TEST_F(HiDpiTree, TheExpandPictureAndThumbnailComeFromTheFilesForTheRatio) {
    AddDevice("A1", 1);
    Build(300, 400);
    const QImage shot = Shot();
    ASSERT_EQ(shot.size(), QSize(300, 400) * Scale());
    const int s = Scale();
    // The first group's header, expanded, with its device's row below it at the usual places.
    EXPECT_EQ(Mismatches(shot, 0, 0, File("expand.bmp")), 0);
    EXPECT_EQ(
        Mismatches(shot, DeviceTreePainter::kThumbnailX * s,
                   (DeviceTop(0) + DeviceTreePainter::kThumbnailY) * s, File("cameraThumnail.bmp")),
        0);

    // The dragged row's picture is as dense as the screen and as large as at ratio 1.
    DeviceTreePainter painter;
    const QImage drag = painter.DragImage(0, *list.At(0), thumbnails, Ratio());
    EXPECT_EQ(drag.deviceIndependentSize(), QSizeF(DeviceTreePainter::kDragImageSize));
    EXPECT_EQ(drag.size(), DeviceTreePainter::kDragImageSize * Scale());
}

TEST(HiDpi, AnIdlePaneDrawsTheFileForTheRatio) {
    CCanvas canvas;
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* wall = new CanvasWidget(canvas, &window);
    layout->addWidget(wall);
    window.resize(640, 360);
    window.show();
    ASSERT_TRUE(canvas.Relayout(SplitLayout::kGrid, 1, 1));
    PaneWidget* pane = wall->Pane(0);
    ASSERT_EQ(pane->size(), QSize(640, 360));
    const QImage shot = pane->grab().toImage();
    ASSERT_EQ(shot.size(), QSize(640, 360) * Scale());
    // Inside the pane's one-pixel border, the idle picture fills the pane pixel for pixel.
    const int s = Scale();
    const QImage idle = File("CameraRect.bmp");
    ASSERT_EQ(idle.size(), QSize(640, 360) * s);
    EXPECT_EQ(Mismatches(shot, s, s, idle.copy(s, s, idle.width() - 2 * s, idle.height() - 2 * s)),
              0);
    // The border covers that one pixel all round, on the edge, at any density.
    for (const QPoint at : {QPoint(0, 300), QPoint(640 * s - 1, 300), QPoint(300, 0),
                            QPoint(300, 360 * s - 1), QPoint(s - 1, 300), QPoint(640 * s - s, 300)})
        EXPECT_EQ(shot.pixelColor(at), pane_colours::kBorder) << at.x() << "," << at.y();
}

TEST(HiDpi, AStyleSheetCheckBoxDrawsTheFileForTheRatio) {
    QWidget body;
    auto* layout = new QVBoxLayout(&body);
    auto* box = new QCheckBox(QStringLiteral("Box"), &body);
    box->setChecked(true);
    layout->addWidget(box);
    ApplyFormStyle(&body, Qt::white);
    body.resize(200, 60);
    body.show();
    QStyleOptionButton option;
    option.initFrom(box);
    const QRect indicator =
        box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
    ASSERT_EQ(indicator.size(), QSize(16, 16));
    const int s = Scale();
    EXPECT_EQ(Mismatches(box->grab().toImage(), indicator.x() * s, indicator.y() * s,
                         Over(File("CheckLightOn.png"), Qt::white)),
              0);
}

}  // namespace
}  // namespace nimbrel
