// The connecting bars: small panes use the proportional layout, large ones the fixed one.
#include <gtest/gtest.h>

#include "live/ConnectingAnimation.h"

namespace nimbrel {
namespace {

TEST(ConnectingAnimation, ProportionalOnSmallPanes) {
    const ConnectingBars b = ConnectingBarsFor(200, 150, 7);
    EXPECT_EQ(b.width, (3 * 40 - 40) / 6);  // 13
    EXPECT_EQ(b.height, 6);
    EXPECT_EQ(b.x0, 40);
    EXPECT_EQ(b.top, 120);
    EXPECT_EQ(b.highlighted, 1);
    EXPECT_EQ(b.BarLeft(2), 40 + 2 * (13 + 8));
}

TEST(ConnectingAnimation, FixedOnLargePanes) {
    const ConnectingBars b = ConnectingBarsFor(960, 540, 12);
    EXPECT_EQ(b.width, 30);
    EXPECT_EQ(b.height, 14);
    EXPECT_EQ(b.x0, 480 - 110);
    EXPECT_EQ(b.top, 540 / 5 * 4);
    EXPECT_EQ(b.highlighted, 0);
    // A tall narrow pane: bars short enough, but taller than 15 pixels gives the fixed layout.
    EXPECT_EQ(ConnectingBarsFor(300, 400, 0).height, 14);
}

}  // namespace
}  // namespace nimbrel
