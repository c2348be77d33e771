// The status animation's thread: it steps and asks for repaints while the playback starts, asks
// for the failed picture only while too few frames are buffered, stays quiet otherwise, and ends
// with its owner even in the middle of its longest wait.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "Polling.h"
#include "playback/PlaybackAnimation.h"

namespace nimbrel::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(PlaybackAnimation, StepsWhileStartingAndRepaintsOnlyWhenThereIsSomethingToDraw) {
    std::atomic<int> state{0}, frames{0}, repaints{0};
    PlaybackAnimation animation({[&] { return state.load(); }, [&] { return frames.load(); }});
    animation.SetRepaint([&] { ++repaints; });

    // Idle: the cycle goes on, nothing is drawn.
    ASSERT_TRUE(WaitUntil([&] { return animation.Step() >= 2; }));
    EXPECT_EQ(repaints, 0);

    // Starting: each cycle draws, and the lit box moves on.
    state = PlaybackAnimation::kStarting;
    ASSERT_TRUE(WaitUntil([&] { return repaints >= 3; }));
    const int step = animation.Step();
    ASSERT_TRUE(WaitUntil([&] { return animation.Step() > step; }));

    // Failed with frames still to show: nothing drawn; without them, the failed picture.
    state = PlaybackAnimation::kFailed;
    frames = 5;
    std::this_thread::sleep_for(50ms);  // a cycle under way may still draw once
    int before = repaints;
    ASSERT_TRUE(WaitUntil([&] { return animation.Step() >= step + 3; }));
    EXPECT_LE(repaints, before + 1);
    frames = 0;
    before = repaints;
    ASSERT_TRUE(WaitUntil([&] { return repaints > before + 1; }));

    // No repaint once it was taken away.
    state = PlaybackAnimation::kStarting;
    animation.SetRepaint(nullptr);
    before = repaints;
    const int now = animation.Step();
    ASSERT_TRUE(WaitUntil([&] { return animation.Step() >= now + 2; }));
    EXPECT_EQ(repaints, before);
}

TEST(PlaybackAnimation, EndsWithItsOwnerWithinOneWakeUp) {
    // Failed without frames: the thread sleeps its longest wait, a second.
    auto animation = std::make_unique<PlaybackAnimation>(
        PlaybackAnimation::Source{[] { return PlaybackAnimation::kFailed; }, [] { return 0; }});
    std::this_thread::sleep_for(20ms);
    const auto begun = Clock::now();
    animation.reset();
    EXPECT_LT(Clock::now() - begun, 900ms);
}

}  // namespace
}  // namespace nimbrel::test
