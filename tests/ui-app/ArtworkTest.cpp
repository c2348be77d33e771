// The pictures the windows load from res/ beside the program: every one the build renders is
// there, readable, and of the size its window draws it at; and each comes again at twice its
// size, drawn at that size.
#include <gtest/gtest.h>

#include <cstdlib>

#include <QColor>
#include <QDir>
#include <QImage>

namespace nimbrel {
namespace {

QImage Load(const char* name) {
    return QImage(QDir(NIMBREL_RES_DIR).filePath(name));
}

TEST(Artwork, StatePicturesIconsAndTreePicturesExist) {
    const struct {
        const char* name;
        int w, h;
    } pictures[] = {
        {"CameraRect.bmp", 640, 360},
        {"CameraRect8.bmp", 640, 360},
        {"CameraRectPlayback.bmp", 640, 360},
        {"CameraRectPlayback2.bmp", 640, 360},
        {"VideoRecord.png", 23, 23},
        {"DevAudio.png", 23, 23},
        {"LocalAudio.png", 23, 23},
        {"expand.bmp", 22, 22},
        {"collapse.bmp", 22, 22},
        {"cameraThumnail.bmp", 96, 72},
        {"cameraThumnailLock.bmp", 96, 72},
        {"PtzUp.png", 40, 40},
        {"PtzDown.png", 40, 40},
        {"PtzLeft.png", 40, 40},
        {"PtzRight.png", 40, 40},
        {"nimbrel.png", 256, 256},
        {"Split1x1.bmp", 40, 40},
        {"Split1Plus7Down.bmp", 40, 40},
    };
    for (const auto& p : pictures) {
        const QImage image = Load(p.name);
        ASSERT_FALSE(image.isNull()) << p.name;
        EXPECT_EQ(image.size(), QSize(p.w, p.h)) << p.name;
    }
}

TEST(Artwork, TheWhiteLogoStandsOnBlue) {
    // The About box's band is blue: its logo's ring and lens are white there.
    const QImage white = Load("LogoWhite.png");
    ASSERT_FALSE(white.isNull());
    EXPECT_GT(white.pixelColor(32, 44).lightness(), 240);  // the lens
    EXPECT_GT(white.pixelColor(32, 5).lightness(), 240);   // the ring
    EXPECT_EQ(Load("Logo.png").pixelColor(32, 44).lightness(), QColor(64, 155, 228).lightness());
}

TEST(Artwork, EveryButtonHasItsThreeStatesAtItsSize) {
    for (const char* base :
         {"ToolLayout", "ToolStop", "ToolRateLow", "ToolRateStandard", "ToolRateHigh", "ToolAlarm",
          "ToolPrev", "ToolNext", "ToolRotate", "ToolSnapshot", "ToolListen", "ToolListenOn",
          "ToolTalk", "ToolTalkOn", "ToolRecord", "ToolRecordOn"})
        for (const char* state : {"", "Sel", "Focus"}) {
            const std::string name = std::string(base) + state + ".png";
            EXPECT_EQ(Load(name.c_str()).size(), QSize(50, 40)) << name;
        }
    for (const char* base : {"PlayRewind", "PlayPause", "PlayResume", "PlayForward"})
        for (const char* state : {"", "Sel", "Focus"}) {
            const std::string name = std::string(base) + state + ".png";
            EXPECT_EQ(Load(name.c_str()).size(), QSize(32, 32)) << name;
        }
    for (const char* base : {"TitleMenu", "TitleMin", "TitleMax", "TitleRestore", "TitleClose"})
        for (const char* state : {"", "Sel", "Focus"}) {
            const std::string name = std::string(base) + state + ".png";
            EXPECT_EQ(Load(name.c_str()).size(), QSize(30, 20)) << name;
        }
}

TEST(Artwork, StatesDifferAndGlyphsAreDrawn) {
    const QImage normal = Load("ToolStop.png"), selected = Load("ToolStopSel.png");
    ASSERT_FALSE(normal.isNull());
    EXPECT_NE(normal, selected);
    // The normal toolbar picture is transparent around a dark glyph in its middle.
    EXPECT_EQ(qAlpha(normal.pixel(1, 1)), 0);
    int inked = 0;
    for (int y = 8; y < 32; ++y)
        for (int x = 13; x < 37; ++x) inked += qAlpha(normal.pixel(x, y)) > 128;
    EXPECT_GT(inked, 30);
    // The selected picture is filled with the brand blue.
    EXPECT_EQ(QColor(selected.pixel(3, 20)).rgb() & 0xFFFFFF, 0x409BE4u);
}

// The name of the twice-as-dense file of `name`: "a.png" -> "a@2x.png".
QString Dense(const QString& name) {
    const qsizetype dot = name.lastIndexOf('.');
    return name.left(dot) + "@2x" + name.mid(dot);
}

TEST(Artwork, EveryPictureComesAlsoAtTwiceItsSize) {
    const QDir dir(NIMBREL_RES_DIR);
    const QStringList files = dir.entryList(QDir::Files);
    int plain = 0, dense = 0;
    for (const QString& name : files) {
        if (name.contains("@2x")) {
            ++dense;
            EXPECT_TRUE(files.contains(QString(name).remove("@2x"))) << name.toStdString();
            continue;
        }
        ++plain;
        const QImage small(dir.filePath(name)), large(dir.filePath(Dense(name)));
        ASSERT_FALSE(small.isNull()) << name.toStdString();
        ASSERT_FALSE(large.isNull()) << Dense(name).toStdString();
        EXPECT_EQ(large.size(), small.size() * 2) << name.toStdString();
        // Flattened onto its background like the plain one, or transparent like it.
        EXPECT_EQ(large.hasAlphaChannel(), small.hasAlphaChannel()) << name.toStdString();
    }
    EXPECT_EQ(plain, dense);
    EXPECT_GT(plain, 90);
}

// How steep the picture's edges are: the sum of the squared differences between neighbouring
// pixels. A picture drawn at twice the size has edges as steep as the plain one's; an enlarged
// copy spreads each edge over two pixels, which halves this sum for the same outline.
double EdgeEnergy(const QImage& picture) {
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const auto step = [](QRgb a, QRgb b) {
        const auto d = [](int x, int y) { return double(x - y) * (x - y); };
        return d(qRed(a), qRed(b)) + d(qGreen(a), qGreen(b)) + d(qBlue(a), qBlue(b)) +
               d(qAlpha(a), qAlpha(b));
    };
    double sum = 0;
    for (int y = 0; y + 1 < image.height(); ++y)
        for (int x = 0; x + 1 < image.width(); ++x) {
            const QRgb here = image.pixel(x, y);
            sum += step(here, image.pixel(x + 1, y)) + step(here, image.pixel(x, y + 1));
        }
    return sum;
}

// The mean difference per channel between `large` shrunk to `small`'s size and `small`.
double ShrunkDifference(const QImage& large, const QImage& small) {
    const QImage shrunk =
        large.scaled(small.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
            .convertToFormat(QImage::Format_ARGB32);
    const QImage reference = small.convertToFormat(QImage::Format_ARGB32);
    double sum = 0;
    for (int y = 0; y < small.height(); ++y)
        for (int x = 0; x < small.width(); ++x) {
            const QRgb a = shrunk.pixel(x, y), b = reference.pixel(x, y);
            sum += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                   std::abs(qBlue(a) - qBlue(b)) + std::abs(qAlpha(a) - qAlpha(b));
        }
    return sum / (4.0 * small.width() * small.height());
}

TEST(Artwork, TheDenseFilesAreDrawnAtTheirSizeNotEnlarged) {
    // Buttons (glyph, frame and border), check boxes, arrows, status icons, tree pictures and a
    // layout button flattened onto its background: each the same picture as its plain file, with
    // edges as steep as the plain file's, where an enlarged copy would have soft ones.
    for (const char* name : {"ToolStop.png", "ToolStopSel.png", "ToolStopFocus.png",
                             "TitleClose.png", "CheckLightOn.png", "RadioOffFocus.png", "PtzUp.png",
                             "VideoRecord.png", "AlarmSwitchOnFocus.png", "expand.bmp",
                             "cameraThumnailLock.bmp", "Split1Plus5.bmp", "Split1Plus5Down.bmp"}) {
        const QImage small = Load(name), large = Load(Dense(name).toLatin1().constData());
        ASSERT_EQ(large.size(), small.size() * 2) << name;
        EXPECT_LT(ShrunkDifference(large, small), 8) << name;
        const QImage enlarged =
            small.scaled(large.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        EXPECT_GT(EdgeEnergy(large), 1.5 * EdgeEnergy(enlarged)) << name;
    }
    // A layout button's rounded frame leaves its corner on the background it was flattened
    // onto, at either size.
    EXPECT_EQ(QColor(Load("Split1Plus5@2x.bmp").pixel(0, 0)), Qt::white);
    EXPECT_EQ(QColor(Load("Split1Plus5.bmp").pixel(0, 0)), Qt::white);
}

}  // namespace
}  // namespace nimbrel
