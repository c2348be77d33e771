// The recording's hand-over between the display tick and the writer, and the times its samples
// get: a full queue refuses rather than waits, frames go round the buffer's end intact and in
// order, and sample times follow the stream's own clock (across frames never recorded, wrapping
// time values and periods that are not whole seconds), or the arrivals where it has none.
#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "media/RecordingQueue.h"
#include "media/SampleClock.h"

namespace nimbrel {
namespace {

std::vector<uint8_t> Bytes(std::size_t size, uint8_t first) {
    std::vector<uint8_t> bytes(size);
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
}

TEST(RecordingQueue, RefusesWhatDoesNotFitAndGoesRoundTheEndWithFramesIntact) {
    RecordingQueue queue(100, 8);
    const auto a = Bytes(40, 1), b = Bytes(40, 50), c = Bytes(30, 100), d = Bytes(35, 150);
    ASSERT_TRUE(queue.Push(a.data(), a.size(), {true, 7, 11, 0}));
    ASSERT_TRUE(queue.Push(b.data(), b.size(), {}));
    EXPECT_FALSE(queue.Push(c.data(), c.size(), {}));  // 20 bytes left at the end, none before
    EXPECT_EQ(queue.Bytes(), 80u);

    RecordingQueue::Frame front;
    ASSERT_TRUE(queue.Front(front));
    EXPECT_EQ(std::vector<uint8_t>(front.data, front.data + front.size), a);
    EXPECT_TRUE(front.info.key);
    EXPECT_EQ(front.info.timeValue, 7u);
    EXPECT_EQ(front.info.arrivalNs, 11);
    queue.Pop();
    // The end is still too short, but the start is free again.
    ASSERT_TRUE(queue.Push(c.data(), c.size(), {}));
    EXPECT_FALSE(queue.Push(d.data(), d.size(), {}));  // 10 bytes between the new end and b
    for (const auto* expected : {&b, &c}) {
        ASSERT_TRUE(queue.Front(front));
        EXPECT_EQ(std::vector<uint8_t>(front.data, front.data + front.size), *expected);
        queue.Pop();
    }
    EXPECT_FALSE(queue.Front(front));
    EXPECT_EQ(queue.Bytes(), 0u);
    // Empty, it starts from the beginning again: the largest frame that fits, fits.
    const auto whole = Bytes(100, 3);
    EXPECT_TRUE(queue.Push(whole.data(), whole.size(), {}));
    EXPECT_FALSE(queue.Push(a.data(), 1, {}));
    EXPECT_FALSE(RecordingQueue(100).Push(whole.data(), 101, {}));  // larger than the queue
    EXPECT_FALSE(RecordingQueue(100).Push(whole.data(), 0, {}));

    RecordingQueue counted(1000, 2);  // at most two frames, whatever their size
    EXPECT_TRUE(counted.Push(a.data(), 1, {}));
    EXPECT_TRUE(counted.Push(a.data(), 1, {}));
    EXPECT_FALSE(counted.Push(a.data(), 1, {}));
}

TEST(SampleClock, TimesFollowTheStreamsClockOrItsArrivals) {
    SampleClock clock;
    clock.Restart(3600);
    // 1.5 frames a second, a frame lost after the second, and time values that wrap round.
    EXPECT_EQ(clock.Next(0xFFFFFD00u, 0), 0);
    EXPECT_EQ(clock.Next(0xFFFFFD00u + 666, 0), 59940);
    EXPECT_EQ(clock.Next(0xFFFFFD00u + 3 * 666, 0), 3 * 59940);
    // A step back or none at all says nothing: the arrivals pace it, else the frame period.
    EXPECT_EQ(clock.Next(5, 1000000000), 3 * 59940 + 3600);
    EXPECT_EQ(clock.Next(5, 1500000000), 3 * 59940 + 3600 + 45000);
    // A stream with no time values at all; two frames of a burst, a microsecond apart, are
    // still a tick apart.
    clock.Restart(3600);
    EXPECT_EQ(clock.Next(0, 2000000000), 0);
    EXPECT_EQ(clock.Next(0, 2040000000), 3600);
    EXPECT_EQ(clock.Next(0, 2040001000), 3601);
    // A jump of minutes in the time values is not believed; the arrivals are.
    EXPECT_EQ(clock.Next(600000, 2080001000), 3601 + 3600);
}

}  // namespace
}  // namespace nimbrel
