// The health overlay's numbers from a camera's counters over time (rates over windows, the delay
// of the window's pictures, stalls) and the texts of the overlay and the pane's tooltip.
#include <gtest/gtest.h>

#include "wall/PaneHealth.h"

namespace nimbrel {
namespace {

using namespace std::chrono_literals;
using Clock = PaneHealthMeter::Clock;

class PaneHealthTest : public ::testing::Test {
  protected:
    // The camera's counters after `frames` more pictures of `delayUs` each and `bytes` more bytes.
    ViewSample Advance(uint64_t frames, uint64_t bytes, uint64_t delayUs = 20000) {
        sample.framesShown += frames;
        sample.bytes += bytes;
        for (uint64_t i = 0; i < frames; ++i) delays.Record(delayUs);
        sample.delays = delays.Take();
        return sample;
    }
    PaneHealth At(std::chrono::milliseconds t) { return meter.Update(sample, start + t); }
    static ViewSample PlayingOnTheLan() {
        ViewSample s;
        s.reach = kDeviceLan;
        s.status = kStatusPlaying;
        return s;
    }

    PaneHealthMeter meter;
    DelayHistogram delays;
    ViewSample sample = PlayingOnTheLan();
    const Clock::time_point start = Clock::now();
};

TEST_F(PaneHealthTest, RatesAndDelayComeFromTheWindowBetweenSamples) {
    sample.bytesLastSecond = 64000;
    sample.framesDropped = 3;
    Advance(100, 500000, 90000);
    const PaneHealth first = At(0ms);
    EXPECT_EQ(first.reach, kDeviceLan);
    EXPECT_FALSE(first.framesPerSecond);  // one look gives no rate yet
    EXPECT_FALSE(first.delayMs);
    EXPECT_DOUBLE_EQ(first.kbitPerSecond, 512.0);
    EXPECT_EQ(first.framesDropped, 3u);

    Advance(25, 40000, 20000);
    const PaneHealth second = At(1000ms);
    ASSERT_TRUE(second.framesPerSecond);
    EXPECT_NEAR(*second.framesPerSecond, 25.0, 1e-9);
    // Only the window's pictures count, not the slow ones before it.
    ASSERT_TRUE(second.delayMs);
    EXPECT_NEAR(*second.delayMs, 20.0, 0.7);

    // A look sooner than the shortest window keeps the last rates.
    Advance(3, 1000, 5000);
    const PaneHealth soon = At(1100ms);
    EXPECT_NEAR(*soon.framesPerSecond, 25.0, 1e-9);
    EXPECT_NEAR(*soon.delayMs, 20.0, 0.7);

    // The next window started at the last full one, so the three pictures count in it.
    Advance(9, 1000, 5000);
    const PaneHealth third = At(3000ms);
    EXPECT_NEAR(*third.framesPerSecond, 12.0 / 2.0, 1e-9);
    EXPECT_NEAR(*third.delayMs, 5.0, 0.2);

    // A window without pictures: no frames per second, and the last delay known stays.
    Advance(0, 1000);
    const PaneHealth still = At(4000ms);
    EXPECT_DOUBLE_EQ(*still.framesPerSecond, 0.0);
    EXPECT_NEAR(*still.delayMs, 5.0, 0.2);
}

TEST_F(PaneHealthTest, AStreamThatBringsNothingHasStalled) {
    Advance(10, 1000);
    EXPECT_FALSE(At(0ms).stalled);
    EXPECT_FALSE(At(1500ms).stalled);
    EXPECT_TRUE(At(2000ms).stalled);
    Advance(1, 100);
    EXPECT_FALSE(At(2500ms).stalled);  // bytes again
    EXPECT_FALSE(At(4400ms).stalled);
    EXPECT_TRUE(At(4500ms).stalled);

    // Only a playing view stalls by silence: connecting brings nothing for a while.
    sample.status = kStatusConnecting;
    EXPECT_FALSE(At(9000ms).stalled);
    // A view that failed because nothing came says so; one that failed otherwise does not.
    sample.status = kStatusFailed;
    sample.failure = CameraFailure::Ended;
    EXPECT_FALSE(At(9000ms).stalled);
    sample.failure = CameraFailure::Stalled;
    EXPECT_TRUE(At(9000ms).stalled);
}

TEST_F(PaneHealthTest, AnotherCameraOrAResetStartsAfresh) {
    Advance(100, 5000);
    At(0ms);
    Advance(25, 5000);
    ASSERT_TRUE(At(1000ms).framesPerSecond);

    // Smaller counters belong to another camera: no rate from a mixed window.
    sample.framesShown = 10;
    sample.bytes = 100;
    const PaneHealth other = At(2000ms);
    EXPECT_FALSE(other.framesPerSecond);
    EXPECT_FALSE(other.delayMs);
    EXPECT_FALSE(At(3500ms).stalled);  // silence is counted from its first look

    meter.Reset();
    EXPECT_FALSE(At(5000ms).framesPerSecond);
}

TEST(PaneHealthTexts, RoutesLinesAndTooltip) {
    EXPECT_EQ(RouteName(kDeviceLan), "Локальная сеть");
    EXPECT_EQ(RouteName(kDevicePortMapping), "Проброс порта");
    EXPECT_EQ(RouteName(kDeviceNatTraversal), "Через NAT (UDT)");
    EXPECT_EQ(RouteName(kDeviceRelay), "Через ретранслятор");
    for (int unknown : {-1, 0, int{kDeviceOffline}, 6})
        EXPECT_EQ(RouteName(unknown), "") << unknown;

    PaneHealth h;
    h.reach = kDeviceRelay;
    h.framesPerSecond = 24.96;
    h.kbitPerSecond = 811.6;
    h.framesDropped = 7;
    h.delayMs = 12.4;
    EXPECT_EQ(HealthLines(h),
              (std::vector<std::string>{"Маршрут: Через ретранслятор", "25.0 кадр/с, 812 кбит/с",
                                        "потеряно 7, задержка 12 мс"}));
    h.reach = -1;
    h.framesPerSecond.reset();
    h.delayMs.reset();
    h.stalled = true;
    EXPECT_EQ(HealthLines(h),
              (std::vector<std::string>{"— кадр/с, 812 кбит/с", "потеряно 7, задержка — мс",
                                        "Поток остановился"}));

    EXPECT_EQ(PaneToolTip("Двор", kDeviceNatTraversal), "Двор\nМаршрут: Через NAT (UDT)");
    EXPECT_EQ(PaneToolTip("Двор", -1), "Двор");
}

}  // namespace
}  // namespace nimbrel
