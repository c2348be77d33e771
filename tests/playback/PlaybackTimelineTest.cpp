// The playback timeline's texts and moves, and the sender's command slot: the latest request
// wins, a closed slot wakes its sender and takes nothing more.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "playback/PlaybackCommandSlot.h"
#include "playback/PlaybackTimeline.h"

namespace nimbrel {
namespace {

using Slot = PlaybackCommandSlot;

TEST(PlaybackTimeline, TextsCarryFromSecondsToHoursAndWrapAtMidnight) {
    const auto t = PlaybackTimeline::FromReply("20140315081530", 3600);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->StartText(), "08:15:30");
    EXPECT_EQ(t->EndText(), "09:15:30");
    EXPECT_EQ(t->TimeAt(2700), "09:00:30");
    EXPECT_EQ(t->TimeAt(29), "08:15:59");
    EXPECT_EQ(t->TimeAt(30), "08:16:00");

    const auto late = PlaybackTimeline::FromReply("20140315235000", 3600);
    ASSERT_TRUE(late);
    EXPECT_EQ(late->TimeAt(900), "00:05:00");
    EXPECT_EQ(late->EndText(), "00:50:00");
}

TEST(PlaybackTimeline, JumpsAndArrowStepsStayWithinTheRecording) {
    const auto t = PlaybackTimeline::FromReply("20140315080000", 3600);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->Forward(3595), 3600);
    EXPECT_EQ(t->Forward(100), 110);
    EXPECT_EQ(t->Rewind(5), 0);
    EXPECT_EQ(t->Rewind(100), 90);
    EXPECT_EQ(t->ArrowStep(101, +1), 110);
    EXPECT_EQ(t->ArrowStep(99, -1), 90);
    EXPECT_EQ(t->ArrowStep(3599, +1), 3600);
    EXPECT_EQ(t->ArrowStep(0, -1), 0);
}

TEST(PlaybackTimeline, MalformedStartTimesAndLengthsAreRefused) {
    for (const char* bad : {"", "2014031508153", "201403150815300", "2014031508153x",
                            "20140315241530", "20140315086030", "20140315081560"})
        EXPECT_FALSE(PlaybackTimeline::FromReply(bad, 3600)) << bad;
    EXPECT_FALSE(PlaybackTimeline::FromReply("20140315081530", 0));
    EXPECT_FALSE(PlaybackTimeline::FromReply("20140315081530", -5));
    EXPECT_FALSE(PlaybackTimeline::FromReply("20140315081530", 86401));
}

TEST(PlaybackCommandSlot, TwoRequestsBeforeTheSenderWakesLeaveOnlyTheLater) {
    Slot slot;
    slot.Post({Slot::Kind::Pause});
    slot.Post({Slot::Kind::Pause});
    slot.Post({Slot::Kind::Jump, 1800});
    EXPECT_EQ(slot.Wait(), (Slot::Command{Slot::Kind::Jump, 1800}));

    std::atomic<int> taken{0};
    std::thread sender([&] {
        while (slot.Wait()) ++taken;
    });
    slot.Close();
    sender.join();  // Close wakes a waiting sender
    EXPECT_EQ(taken, 0);
    slot.Post({Slot::Kind::Play});
    EXPECT_EQ(slot.Wait(), std::nullopt);

    slot.Reset();
    slot.Post({Slot::Kind::Play});
    EXPECT_EQ(slot.Wait(), (Slot::Command{Slot::Kind::Play}));
}

TEST(PlaybackCommandSlot, ASenderTakesEachRequestPostedAfterItsLastOne) {
    Slot slot;
    std::vector<Slot::Command> sent;
    std::mutex lock;
    std::thread sender([&] {
        while (auto c = slot.Wait()) {
            std::lock_guard guard(lock);
            sent.push_back(*c);
        }
    });
    const auto count = [&] {
        std::lock_guard guard(lock);
        return sent.size();
    };
    for (int i = 0; i < 3; ++i) {
        slot.Post({Slot::Kind::Jump, i});
        while (count() < static_cast<std::size_t>(i + 1)) std::this_thread::yield();
    }
    slot.Close();
    sender.join();
    EXPECT_EQ(sent, (std::vector<Slot::Command>{
                        {Slot::Kind::Jump, 0}, {Slot::Kind::Jump, 1}, {Slot::Kind::Jump, 2}}));
}

}  // namespace
}  // namespace nimbrel
