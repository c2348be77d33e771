// What goes to the desktop's notifications, on a clock of the test's own: a camera down for a
// minute after playing (failed or offline), not one that came back, was stopped, or was seen in
// the window; a retry's moment without a view; the five minutes per camera (a camera still down
// then is told); the disk's stop of a recording and the session's end only out of sight.
#include <gtest/gtest.h>

#include "app/MissedNotices.h"

namespace nimbrel {
namespace {

using namespace std::chrono_literals;
using Look = MissedNotices::Look;
using Kind = MissedNotices::Kind;

class MissedNoticesTest : public ::testing::Test {
  protected:
    // Looks at camera `sid` once a second from `from` to `to` (seconds after t0), finding `look`,
    // and returns what was due at each look.
    std::vector<MissedNotices::Notice> Looks(const std::string& sid, Look look, int from, int to,
                                             bool outOfSight = true) {
        std::vector<MissedNotices::Notice> told;
        for (int s = from; s <= to; ++s) {
            notices.Observe(sid, "Камера " + sid, look, t0 + std::chrono::seconds(s));
            for (auto& n : notices.Due(outOfSight, t0 + std::chrono::seconds(s))) told.push_back(n);
        }
        return told;
    }

    MissedNotices notices;
    MissedNotices::Clock::time_point t0 = MissedNotices::Clock::time_point{} + 24h;
};

TEST_F(MissedNoticesTest, ACameraDownForAMinuteAfterPlayingIsToldOnce) {
    Looks("A", Look::Playing, 0, 10);
    EXPECT_TRUE(Looks("A", Look::Failed, 11, 70).empty()) << "within its minute";
    EXPECT_EQ(Looks("A", Look::Connecting, 71, 71),
              (std::vector<MissedNotices::Notice>{{Kind::CameraFailed, "A", "Камера A"}}));
    EXPECT_TRUE(Looks("A", Look::Failed, 72, 600).empty()) << "told once for this trouble";

    // Never playing: a camera that cannot start is not a camera that went down.
    EXPECT_TRUE(Looks("B", Look::Failed, 0, 200).empty());
    // Its device offline.
    Looks("C", Look::Playing, 0, 5);
    const auto offline = Looks("C", Look::Offline, 6, 70);
    ASSERT_EQ(offline.size(), 1u);
    EXPECT_EQ(offline[0].kind, Kind::CameraOffline);
}

TEST_F(MissedNoticesTest, BackWithinTheMinuteStoppedOrSeenInTheWindowIsNotTold) {
    Looks("A", Look::Playing, 0, 1);
    Looks("A", Look::Failed, 2, 50);
    Looks("A", Look::Playing, 51, 52);
    EXPECT_TRUE(Looks("A", Look::Playing, 53, 200).empty());

    // A retry stops the view for a moment: one look without a view does not end the trouble,
    // two in a row (the user stopped it) do.
    Looks("B", Look::Playing, 0, 1);
    Looks("B", Look::Failed, 2, 30);
    Looks("B", Look::Ended, 31, 31);
    EXPECT_EQ(Looks("B", Look::Connecting, 32, 62).size(), 1u);
    Looks("C", Look::Playing, 0, 1);
    Looks("C", Look::Failed, 2, 30);
    EXPECT_TRUE(Looks("C", Look::Ended, 31, 200).empty());

    // Down while the window is in sight and still in sight when its minute is up: seen.
    Looks("D", Look::Playing, 0, 1);
    EXPECT_TRUE(Looks("D", Look::Failed, 2, 70, false).empty());
    EXPECT_TRUE(Looks("D", Look::Failed, 71, 200, true).empty());
}

TEST_F(MissedNoticesTest, AtMostOncePerCameraInFiveMinutesAndStillDownIsToldAfterThem) {
    Looks("A", Look::Playing, 0, 1);
    ASSERT_EQ(Looks("A", Look::Failed, 2, 62).size(), 1u);  // told at 62
    Looks("A", Look::Playing, 63, 70);
    // Down again at 71: its minute is up at 131, but the five minutes since 62 end at 362.
    EXPECT_TRUE(Looks("A", Look::Offline, 71, 361).empty());
    EXPECT_EQ(Looks("A", Look::Offline, 362, 362).size(), 1u);
    // Another camera is not held by A's five minutes.
    Looks("B", Look::Playing, 0, 1);
    EXPECT_EQ(Looks("B", Look::Failed, 2, 62).size(), 1u);
}

TEST_F(MissedNoticesTest, ARecordingTheDiskStoppedAndTheSessionsEndAreToldOutOfSightOnly) {
    EXPECT_EQ(notices.RecordingStopped("A", "Камера A", false, t0), std::nullopt);
    const auto stopped = notices.RecordingStopped("A", "Камера A", true, t0 + 1s);
    ASSERT_TRUE(stopped);
    EXPECT_EQ(stopped->kind, Kind::RecordingStopped);
    EXPECT_EQ(notices.RecordingStopped("A", "Камера A", true, t0 + 299s), std::nullopt);
    EXPECT_TRUE(notices.RecordingStopped("A", "Камера A", true, t0 + 301s));
    // The recording's notice does not hold the camera's own trouble.
    Looks("A", Look::Playing, 0, 1);
    EXPECT_EQ(Looks("A", Look::Failed, 2, 62).size(), 1u);

    EXPECT_EQ(notices.SignedOut(false, t0), std::nullopt);
    const auto signedOut = notices.SignedOut(true, t0);
    ASSERT_TRUE(signedOut);
    EXPECT_EQ(signedOut->kind, Kind::SignedOut);
    EXPECT_TRUE(signedOut->sid.empty());
}

TEST(MissedNoticesLimits, ShorterLimitsForTests) {
    MissedNotices notices({200ms, 1s});
    const auto t = MissedNotices::Clock::time_point{} + 1h;
    notices.Observe("A", "A", Look::Playing, t);
    notices.Observe("A", "A", Look::Failed, t + 100ms);
    EXPECT_TRUE(notices.Due(true, t + 200ms).empty());
    EXPECT_EQ(notices.Due(true, t + 300ms).size(), 1u);
}

}  // namespace
}  // namespace nimbrel
