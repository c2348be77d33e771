#include "media/TickPhase.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

namespace nimbrel {
namespace {

constexpr int64_t kMs = 1'000'000;
constexpr int64_t kPeriod = 40 * kMs;  // the target phase is 30 ms, left alone within 5 ms

// Feeds one window of waits made by `wait(i)`; what the last sample answered.
template <typename F>
std::optional<int64_t> Window(TickPhase& phase, F wait) {
    std::optional<int64_t> answer;
    for (int i = 0; i < TickPhase::kWindow; ++i) {
        answer = phase.Sample(wait(i));
        if (i + 1 < TickPhase::kWindow) EXPECT_FALSE(answer) << "answered before the window filled";
    }
    return answer;
}

TEST(TickPhase, TicksTooNearOrTooFarFromTheArrivalsAreMovedToThreeQuartersOfAPeriod) {
    TickPhase phase(kPeriod);
    // The newest frame arrived 0 to 2 ms before each tick: a frame a little late would miss
    // it. The ticks go 11 ms earlier, 30 ms after the arrival before.
    const auto earlier = Window(phase, [](int i) { return kPeriod + (i % 3) * kMs; });
    ASSERT_TRUE(earlier);
    EXPECT_NEAR(double(*earlier), double(-11 * kMs), double(kMs));

    // 10 ms after the arrivals: the ticks go 20 ms later.
    const auto later = Window(phase, [](int) { return kPeriod + 10 * kMs; });
    ASSERT_TRUE(later);
    EXPECT_NEAR(double(*later), double(20 * kMs), double(kMs) / 10);

    // A frame that waited beyond the reserve (a backlog) says the same about the phase.
    const auto backlog = Window(phase, [](int) { return 2 * kPeriod + 10 * kMs; });
    ASSERT_TRUE(backlog);
    EXPECT_NEAR(double(*backlog), double(20 * kMs), double(kMs) / 10);
}

TEST(TickPhase, ArrivalsOnBothSidesOfTheTickAverageOnTheCircle) {
    // Half the frames arrive 1 ms before the tick and half 1 ms after the one before: they are
    // all next to the tick, phase 0. A plain average (20 ms) would call that 10 ms from place.
    TickPhase phase(kPeriod);
    const auto shift =
        Window(phase, [](int i) { return i % 2 ? kPeriod + 1 * kMs : 2 * kPeriod - 1 * kMs; });
    ASSERT_TRUE(shift);
    EXPECT_NEAR(double(*shift), double(-10 * kMs), double(kMs) / 2);
}

TEST(TickPhase, WellPlacedOrScatteredTicksStayWhereTheyAre) {
    TickPhase phase(kPeriod);
    // 30 ms after the arrivals, give or take 4 ms: never moved.
    for (int window = 0; window < 4; ++window)
        EXPECT_FALSE(Window(phase, [](int i) { return kPeriod + 26 * kMs + (i % 9) * kMs; }));
    // Arrivals all over the period have no phase to keep.
    EXPECT_FALSE(Window(phase, [](int i) { return kPeriod + (i * 8 % 40) * kMs; }));
}

TEST(TickPhase, NonsenseIsIgnored) {
    TickPhase none(0);
    for (int i = 0; i < 3 * TickPhase::kWindow; ++i) EXPECT_FALSE(none.Sample(kPeriod));
    TickPhase phase(kPeriod);
    // A frame stamped after the tick (a clock step) does not count as a sample.
    for (int i = 0; i < 3 * TickPhase::kWindow; ++i) EXPECT_FALSE(phase.Sample(-5 * kMs));
    EXPECT_TRUE(Window(phase, [](int) { return kPeriod; }));
}

}  // namespace
}  // namespace nimbrel
