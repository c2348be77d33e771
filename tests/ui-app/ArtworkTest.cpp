// The pictures the windows load from res/ beside the program: every one the build renders is
// there, readable, and of the size its window draws it at.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace nimbrel
