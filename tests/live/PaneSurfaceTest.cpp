// The picture hand-off of a pane: one wake-up per burst, pictures taken without copies, nothing
// taken twice.
#include <gtest/gtest.h>

#include <cstring>

#include "media/PaneSurface.h"

namespace nimbrel {
namespace {

void Produce(PaneSurface& s, int w, int h, uint8_t value) {
    uint8_t* back = s.Back(w, h);
    std::memset(back, value, static_cast<std::size_t>(s.BackStride()) * h);
    PaneOverlay overlay;
    overlay.statusText = std::to_string(value);
    s.Publish(overlay);
}

TEST(PaneSurface, BurstsWakeOnceAndPicturesAreTakenOnce) {
    PaneSurface surface;
    int wakeups = 0;
    surface.SetWakeup([&] { ++wakeups; });
    Produce(surface, 3, 2, 7);
    Produce(surface, 3, 2, 8);
    EXPECT_EQ(wakeups, 1);  // the second picture found a wake-up pending

    PanePicture picture;
    ASSERT_TRUE(surface.TakeFront(picture));
    EXPECT_EQ(picture.width, 3);
    EXPECT_EQ(picture.stride, 16);  // rows hold an even number of 4-byte pixels
    EXPECT_EQ(picture.bgrx[0], 8);
    EXPECT_EQ(picture.overlay.statusText, "8");
    EXPECT_FALSE(surface.TakeFront(picture));  // nothing new: the picture stays as it is
    EXPECT_EQ(picture.bgrx[0], 8);

    Produce(surface, 3, 2, 9);
    EXPECT_EQ(wakeups, 2);
    ASSERT_TRUE(surface.TakeFront(picture));
    EXPECT_EQ(picture.bgrx[0], 9);
    EXPECT_GT(picture.sequence, 0u);

    // The producer keeps writing whole pictures into the spare buffers it gets back.
    Produce(surface, 4, 2, 10);
    ASSERT_TRUE(surface.TakeFront(picture));
    EXPECT_EQ(picture.width, 4);
    EXPECT_EQ(picture.bgrx.size(), 32u);
    EXPECT_EQ(picture.bgrx[31], 10);

    surface.Clear();
    EXPECT_FALSE(surface.TakeFront(picture));
}

}  // namespace
}  // namespace nimbrel
