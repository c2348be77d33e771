// The main window's geometry: toolbar columns for a width, the wall and tree rectangles, the
// title-band buttons, the resize borders, the first placement and the stored rectangle rule, and
// the keyboard's walk over the toolbar.
#include <gtest/gtest.h>

#include <set>

#include "app/MainControls.h"
#include "app/MainLayout.h"

namespace nimbrel {
namespace {

int X(int id, int width) {
    return ToolbarButtonRect(id, width, 800)->x;
}

TEST(MainLayout, ToolbarColumnsFollowTheSpacingFormula) {
    // 1500 pixels across: s = 630 / 11 = 57.
    EXPECT_EQ(ToolbarSpacing(1500), 57);
    EXPECT_EQ(X(kBtnLayout, 1500), 57);
    EXPECT_EQ(X(kBtnStop, 1500), 164);
    EXPECT_EQ(X(kBtnBitRateLow, 1500), 271);
    EXPECT_EQ(X(kBtnAlarm, 1500), 378);
    EXPECT_EQ(X(kBtnPrevPage, 1500), 485);
    EXPECT_EQ(X(kBtnNextPage, 1500), 592);
    EXPECT_EQ(X(kBtnRotate, 1500), 699);
    EXPECT_EQ(X(kBtnSnapshot, 1500), 806);
    EXPECT_EQ(X(kBtnAudioOn, 1500), 913);
    EXPECT_EQ(X(kBtnTalkOn, 1500), 1020);
    EXPECT_EQ(X(kBtnRecordOn, 1500), 1127);
    const LayoutRect r = *ToolbarButtonRect(kBtnStop, 1500, 809);
    EXPECT_EQ(r, (LayoutRect{164, 754, 50, 40}));
}

TEST(MainLayout, StackedButtonsShareTheirPlace) {
    for (const auto& [a, b] :
         {std::pair{kBtnBitRateLow, kBtnBitRateHigh},
          std::pair{kBtnBitRateLow, kBtnBitRateStandard}, std::pair{kBtnAudioOn, kBtnAudioOff},
          std::pair{kBtnTalkOn, kBtnTalkOff}, std::pair{kBtnRecordOn, kBtnRecordOff}})
        EXPECT_EQ(*ToolbarButtonRect(a, 1234, 700), *ToolbarButtonRect(b, 1234, 700));
    EXPECT_FALSE(ToolbarButtonRect(kBtnClose, 1234, 700));
    EXPECT_FALSE(TitleButtonRect(kBtnStop, 1234));
}

TEST(MainLayout, TheNarrowestWindowStillFitsItsToolbarWithoutOverlap) {
    EXPECT_EQ(ToolbarSpacing(kMinimumWidth), 2);
    int previousRight = 0;
    std::set<int> seen;
    for (const int id : kToolbarButtons) {
        const LayoutRect r = *ToolbarButtonRect(id, kMinimumWidth, kMinimumHeight);
        if (!seen.insert(r.x).second) continue;  // a stacked button
        EXPECT_GT(r.x, previousRight) << id;
        previousRight = r.Right();
    }
    EXPECT_LE(previousRight, kMinimumWidth - 5);
    // The toolbar stays below the wall and inside the window.
    const LayoutRect wall = CanvasRect(kMinimumWidth, kMinimumHeight);
    EXPECT_LT(wall.Bottom(), ToolbarButtonRect(kBtnLayout, kMinimumWidth, kMinimumHeight)->y);
}

TEST(MainLayout, WallTreeAndTitleButtonsFollowTheClientSize) {
    EXPECT_EQ(CanvasRect(1500, 809), (LayoutRect{5, 50, 1225, 689}));
    EXPECT_EQ(TreeRect(1500, 809), (LayoutRect{1235, 50, 260, 754}));
    // The tree ends 5 pixels above the bottom and 5 from the right edge.
    EXPECT_EQ(TreeRect(1500, 809).Bottom(), 804);
    EXPECT_EQ(TreeRect(1500, 809).Right(), 1495);
    EXPECT_EQ(TitleButtonRect(kBtnClose, 1500)->x, 1468);
    EXPECT_EQ(TitleButtonRect(kBtnMaximise, 1500)->x, 1438);
    EXPECT_EQ(TitleButtonRect(kBtnRestore, 1500)->x, 1438);
    EXPECT_EQ(TitleButtonRect(kBtnMinimise, 1500)->x, 1408);
    EXPECT_EQ(*TitleButtonRect(kBtnMenu, 1500), (LayoutRect{1378, 4, 30, 20}));
}

TEST(MainLayout, BordersOfFivePixelsResizeTheWindow) {
    const int w = 1000, h = 600;
    EXPECT_EQ(HitTestBorder(0, 0, w, h), WindowZone::TopLeft);
    EXPECT_EQ(HitTestBorder(4, 4, w, h), WindowZone::TopLeft);
    EXPECT_EQ(HitTestBorder(5, 599, w, h), WindowZone::BottomLeft);
    EXPECT_EQ(HitTestBorder(996, 0, w, h), WindowZone::TopRight);
    EXPECT_EQ(HitTestBorder(995, 595, w, h), WindowZone::BottomRight);
    EXPECT_EQ(HitTestBorder(0, 300, w, h), WindowZone::Left);
    EXPECT_EQ(HitTestBorder(995, 300, w, h), WindowZone::Right);
    EXPECT_EQ(HitTestBorder(500, 4, w, h), WindowZone::Top);
    EXPECT_EQ(HitTestBorder(500, 596, w, h), WindowZone::Bottom);
    // Just inside the borders is the client area (the background that moves the window).
    EXPECT_EQ(HitTestBorder(5, 5, w, h), WindowZone::Client);
    EXPECT_EQ(HitTestBorder(994, 595, w, h), WindowZone::Client);
    EXPECT_EQ(HitTestBorder(500, 300, w, h), WindowZone::Client);
}

TEST(MainLayout, DefaultPlacementGivesTheWallTheAspectOfTheVideo) {
    // The height limits.
    EXPECT_EQ(ComputeDefaultPlacement(1920, 1040), (LayoutRect{58, 30, 1803, 980}));
    // Both limit equally: the width's branch.
    EXPECT_EQ(ComputeDefaultPlacement(1555, 840), (LayoutRect{50, 28, 1455, 783}));
    // The width limits.
    EXPECT_EQ(ComputeDefaultPlacement(1280, 984), (LayoutRect{50, 177, 1180, 629}));
}

TEST(MainLayout, AStoredRectangleIsUsedOnlyWhenWhollyInsideTheWorkArea) {
    const LayoutRect work{0, 0, 1920, 1040};
    EXPECT_TRUE(StoredRectUsable({100, 50, 1100, 650}, work));
    EXPECT_TRUE(StoredRectUsable({0, 0, 1920, 1040}, work));
    // After a change of resolution it hangs over the edge.
    EXPECT_FALSE(StoredRectUsable({1000, 50, 2400, 900}, work));
    EXPECT_FALSE(StoredRectUsable({-10, 50, 900, 600}, work));
    // Never stored, or stored empty.
    EXPECT_FALSE(StoredRectUsable({0, 0, 0, 0}, work));
    EXPECT_FALSE(StoredRectUsable({100, 50, 0, 650}, work));
    EXPECT_FALSE(StoredRectUsable({500, 500, 400, 400}, work));
    // A work area that does not start at the origin (a panel on the left).
    EXPECT_FALSE(StoredRectUsable({10, 10, 900, 600}, LayoutRect{48, 0, 1872, 1040}));
}

class ToolbarFocus : public ::testing::Test {
  protected:
    // The buttons visible at start: one of each stack.
    std::set<int> hidden{kBtnBitRateStandard, kBtnBitRateHigh, kBtnAudioOff, kBtnTalkOff,
                         kBtnRecordOff};
    int Move(int from, bool forward) {
        return MoveToolbarFocus(from, forward, [this](int id) { return !hidden.count(id); });
    }
};

TEST_F(ToolbarFocus, ForwardWalksTheVisibleButtonsInOrderAndWraps) {
    EXPECT_EQ(Move(0, true), kBtnLayout);
    EXPECT_EQ(Move(kBtnLayout, true), kBtnStop);
    EXPECT_EQ(Move(kBtnStop, true), kBtnBitRateLow);
    // The hidden rate buttons are skipped.
    EXPECT_EQ(Move(kBtnBitRateLow, true), kBtnAlarm);
    EXPECT_EQ(Move(kBtnSnapshot, true), kBtnAudioOn);
    EXPECT_EQ(Move(kBtnAudioOn, true), kBtnTalkOn);
    EXPECT_EQ(Move(kBtnTalkOn, true), kBtnRecordOn);
    // From the last visible button to the first of the order.
    EXPECT_EQ(Move(kBtnRecordOn, true), kBtnLayout);
    // A button outside the order counts as none.
    EXPECT_EQ(Move(kBtnClose, true), kBtnLayout);
}

TEST_F(ToolbarFocus, BackwardWalksBackAndWrapsToTheLastVisible) {
    EXPECT_EQ(Move(kBtnStop, false), kBtnLayout);
    EXPECT_EQ(Move(kBtnAlarm, false), kBtnBitRateLow);
    EXPECT_EQ(Move(kBtnLayout, false), kBtnRecordOn);
    EXPECT_EQ(Move(0, false), kBtnRecordOn);
    hidden = {kBtnBitRateLow, kBtnBitRateStandard, kBtnAudioOn, kBtnTalkOff, kBtnRecordOn};
    EXPECT_EQ(Move(kBtnLayout, false), kBtnRecordOff);
    EXPECT_EQ(Move(kBtnAlarm, false), kBtnBitRateHigh);
    EXPECT_EQ(Move(kBtnSnapshot, true), kBtnAudioOff);
}

TEST(MainControls, EveryToolbarButtonHasItsTooltipAndTitleButtonsNone) {
    EXPECT_STREQ(ToolbarTooltip(kBtnLayout), "Вид экрана");
    EXPECT_STREQ(ToolbarTooltip(kBtnStop), "Отключить камеру");
    EXPECT_STREQ(ToolbarTooltip(kBtnBitRateHigh), "Разрешение видео");
    EXPECT_STREQ(ToolbarTooltip(kBtnAlarm), "Настройки сигнала тревоги");
    EXPECT_STREQ(ToolbarTooltip(kBtnPrevPage), "Предыдущая камера");
    EXPECT_STREQ(ToolbarTooltip(kBtnNextPage), "Следующая камера");
    EXPECT_STREQ(ToolbarTooltip(kBtnRotate), "Поворот экрана");
    EXPECT_STREQ(ToolbarTooltip(kBtnSnapshot), "Скриншот видео");
    EXPECT_STREQ(ToolbarTooltip(kBtnAudioOn), "Включить микрофон");
    EXPECT_STREQ(ToolbarTooltip(kBtnAudioOff), "Выключить микрофон");
    EXPECT_STREQ(ToolbarTooltip(kBtnTalkOn), "Включить динамик");
    EXPECT_STREQ(ToolbarTooltip(kBtnTalkOff), "Выключить динамик");
    EXPECT_STREQ(ToolbarTooltip(kBtnRecordOn), "Воспроизвести видео");
    EXPECT_STREQ(ToolbarTooltip(kBtnRecordOff), "Видео открыто");
    for (const int id : kTitleButtons) EXPECT_EQ(ToolbarTooltip(id), nullptr) << id;
}

}  // namespace
}  // namespace nimbrel
