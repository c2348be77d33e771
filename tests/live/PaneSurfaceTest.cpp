// The picture hand-off of a pane: one wake-up per burst, pictures taken without copies, nothing
// taken twice, and only pictures of the pane's occupant.
#include <gtest/gtest.h>

#include <cstring>

#include "media/PaneSurface.h"

namespace nimbrel {
namespace {

// Publishes a picture of w × h whose every byte is `value`, made in `owner`'s own picture.
bool Produce(PaneSurface& s, const PaneOwner& owner, PanePicture& mine, int w, int h,
             uint8_t value) {
    const BgrxTarget target = mine.Resize(w, h);
    std::memset(target.pixels, value, target.bytes);
    mine.overlay.statusText = std::to_string(value);
    return s.Publish(owner, mine);
}

TEST(PaneSurface, BurstsWakeOnceAndPicturesAreTakenOnce) {
    PaneSurface surface;
    PaneOwner camera;
    PanePicture mine;
    surface.Assign(&camera);
    int wakeups = 0;
    surface.SetWakeup([&] { ++wakeups; });
    ASSERT_TRUE(Produce(surface, camera, mine, 3, 2, 7));
    ASSERT_TRUE(Produce(surface, camera, mine, 3, 2, 8));
    EXPECT_EQ(wakeups, 1);  // the second picture found a wake-up pending

    PanePicture picture;
    ASSERT_TRUE(surface.TakeFront(picture));
    EXPECT_EQ(picture.width, 3);
    EXPECT_EQ(picture.stride, 16);  // rows hold an even number of 4-byte pixels
    EXPECT_EQ(picture.bgrx[0], 8);
    EXPECT_EQ(picture.overlay.statusText, "8");
    EXPECT_EQ(picture.owner, &camera);
    EXPECT_FALSE(surface.TakeFront(picture));  // nothing new: the picture stays as it is
    EXPECT_EQ(picture.bgrx[0], 8);

    ASSERT_TRUE(Produce(surface, camera, mine, 3, 2, 9));
    EXPECT_EQ(wakeups, 2);
    ASSERT_TRUE(surface.TakeFront(picture));
    EXPECT_EQ(picture.bgrx[0], 9);
    EXPECT_GT(picture.sequence, 0u);

    // The producer keeps writing whole pictures into the spare buffers it gets back.
    ASSERT_TRUE(Produce(surface, camera, mine, 4, 2, 10));
    ASSERT_TRUE(surface.TakeFront(picture));
    EXPECT_EQ(picture.width, 4);
    EXPECT_EQ(picture.bgrx.size(), 32u);
    EXPECT_EQ(picture.bgrx[31], 10);
}

TEST(PaneSurface, OnlyThePanesOccupantPublishes) {
    PaneSurface surface;
    PaneOwner first, second;
    PanePicture a, b, taken;
    int wakeups = 0;
    surface.SetWakeup([&] { ++wakeups; });
    EXPECT_FALSE(Produce(surface, first, a, 2, 2, 1));  // nobody occupies the pane yet

    surface.Assign(&first);
    ASSERT_TRUE(Produce(surface, first, a, 2, 2, 1));
    // The pane changes hands: the first camera's picture goes, and its later ones are refused
    // with its own buffer left as it was.
    surface.Assign(&second);
    EXPECT_FALSE(surface.TakeFront(taken));
    EXPECT_FALSE(Produce(surface, first, a, 2, 2, 3));
    EXPECT_EQ(a.bgrx.size(), 16u);
    EXPECT_EQ(a.bgrx[0], 3);
    EXPECT_FALSE(surface.TakeFront(taken));
    ASSERT_TRUE(Produce(surface, second, b, 2, 2, 4));
    ASSERT_TRUE(surface.TakeFront(taken));
    EXPECT_EQ(taken.owner, &second);
    EXPECT_EQ(taken.bgrx[0], 4);
    EXPECT_EQ(surface.Published(), 2u);
    EXPECT_EQ(wakeups, 2);

    // A picture whose rows do not fit its buffer is refused.
    b.Resize(4, 4);
    b.stride = 64;
    EXPECT_FALSE(surface.Publish(second, b));
    surface.Assign(nullptr);
    EXPECT_FALSE(Produce(surface, second, b, 2, 2, 5));
}

TEST(PanePicture, ResizeHandsOutTheBufferWithItsOwnLayout) {
    PanePicture picture;
    const BgrxTarget wide = picture.Resize(640, 360);
    EXPECT_EQ(wide.stride, 640 * 4);
    EXPECT_EQ(wide.bytes, 640u * 360 * 4);
    // A quarter turn of the same pane: the same number of bytes, rows of the new width.
    const BgrxTarget turned = picture.Resize(360, 640);
    EXPECT_EQ(turned.stride, 360 * 4);
    EXPECT_EQ(turned.height, 640);
    EXPECT_TRUE(turned.Holds(360));
    const BgrxTarget odd = picture.Resize(257, 433);
    EXPECT_EQ(odd.stride, 258 * 4);
    EXPECT_EQ(odd.bytes, 258u * 4 * 433);
    EXPECT_TRUE(picture.Whole());
    EXPECT_EQ(picture.Resize(0, 10).pixels, nullptr);
}

TEST(PanePicture, BuffersFollowTheDrawnSizeDownAsWellAsUp) {
    PanePicture picture;
    picture.Resize(1920, 1080);  // maximised
    picture.Resize(480, 270);    // back in a 4 × 4 wall
    EXPECT_LE(picture.bgrx.capacity(), 480u * 270 * 4);
    // Small changes keep the buffer (a turn, a slightly smaller pane).
    picture.Resize(470, 270);
    EXPECT_EQ(picture.bgrx.capacity(), 480u * 270 * 4);
    EXPECT_TRUE(picture.Whole());
}

}  // namespace
}  // namespace nimbrel
