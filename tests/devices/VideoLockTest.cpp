// The opening checks and the keypad's accept-on-the-n-th-key and reset-after-nine rules.
#include <gtest/gtest.h>

#include "devices/VideoLock.h"
#include "platform/FixedText.h"
#include "service/ServiceCipher.h"

namespace nimbrel {
namespace {

class VideoLockTest : public ::testing::Test {
protected:
    void Lock(const std::string& code) {
        device.lock = 1;
        device.init = 1;
        device.status = 1;
        SetText(device.lockPsd, HmacSha1Hex(g, code));
    }
    GlobalSettings g;
    DeviceRecord device;
};

TEST_F(VideoLockTest, OpeningChecksInOrder) {
    device.status = 0;
    device.lock = 1;
    device.init = 0;
    EXPECT_EQ(CheckDeviceOpening(device), OpenCheck::AdminLocked);  // before the offline check
    device.init = 1;
    EXPECT_EQ(CheckDeviceOpening(device), OpenCheck::Offline);
    device.status = 1;
    EXPECT_EQ(CheckDeviceOpening(device), OpenCheck::NeedsCode);
    device.lock = 0;
    device.init = 0;
    EXPECT_EQ(CheckDeviceOpening(device), OpenCheck::Open);
}

TEST_F(VideoLockTest, CodeAcceptedOnItsLastKey) {
    Lock("2468");
    VideoLockKeypad pad(g, device);
    EXPECT_EQ(pad.Press(2), VideoLockKeypad::KeyResult::Pressed);
    EXPECT_EQ(pad.Press(2), VideoLockKeypad::KeyResult::Ignored);  // a lit key does nothing
    EXPECT_EQ(pad.Press(4), VideoLockKeypad::KeyResult::Pressed);
    EXPECT_EQ(pad.Press(6), VideoLockKeypad::KeyResult::Pressed);
    EXPECT_TRUE(pad.IsLit(6));
    EXPECT_EQ(pad.Press(8), VideoLockKeypad::KeyResult::Unlocked);

    Lock("7");
    VideoLockKeypad single(g, device);
    EXPECT_EQ(single.Press(7), VideoLockKeypad::KeyResult::Unlocked);
}

TEST_F(VideoLockTest, WrongStartWaitsForNineKeysThenResets) {
    Lock("12");
    VideoLockKeypad pad(g, device);
    for (int d : {3, 1, 2, 4, 5, 6, 7, 8}) EXPECT_EQ(pad.Press(d), VideoLockKeypad::KeyResult::Pressed);
    EXPECT_EQ(pad.Press(9), VideoLockKeypad::KeyResult::Reset);
    EXPECT_TRUE(pad.Entered().empty());
    EXPECT_FALSE(pad.IsLit(3));
    EXPECT_EQ(pad.Press(1), VideoLockKeypad::KeyResult::Pressed);
    EXPECT_EQ(pad.Press(2), VideoLockKeypad::KeyResult::Unlocked);
}

TEST_F(VideoLockTest, UnmatchableDigestAlwaysResets) {
    device.lock = 1;
    SetText(device.lockPsd, "not a digest");
    VideoLockKeypad pad(g, device);
    for (int round = 0; round < 2; ++round) {
        for (int d = 1; d <= 8; ++d) EXPECT_EQ(pad.Press(d), VideoLockKeypad::KeyResult::Pressed);
        EXPECT_EQ(pad.Press(9), VideoLockKeypad::KeyResult::Reset);
    }
    EXPECT_EQ(pad.Press(0), VideoLockKeypad::KeyResult::Ignored);
    EXPECT_EQ(pad.Press(10), VideoLockKeypad::KeyResult::Ignored);
}

}  // namespace
}  // namespace nimbrel
