#include "media/TickPhase.h"

#include <cmath>
#include <numbers>

namespace nimbrel {

std::optional<int64_t> TickPhase::Sample(int64_t waitedNs) {
    if (periodNs_ <= 0 || waitedNs < 0) return std::nullopt;
    // The time since the newest frame arrived: the wait beyond whole periods.
    const double angle = 2 * std::numbers::pi * double(waitedNs % periodNs_) / double(periodNs_);
    sumCos_ += std::cos(angle);
    sumSin_ += std::sin(angle);
    if (++samples_ < kWindow) return std::nullopt;
    const double meanAngle = std::atan2(sumSin_, sumCos_);                 // -pi..pi
    const double concentration = std::hypot(sumSin_, sumCos_) / samples_;  // 0..1
    Reset();
    // Arrivals scattered all over the period have no phase to keep.
    if (concentration < 0.5) return std::nullopt;
    const double period = double(periodNs_);
    const double phase = meanAngle / (2 * std::numbers::pi) * period;
    // The shorter way round the circle to the target.
    double shift = std::remainder(kTargetPhase * period - phase, period);
    if (std::abs(shift) <= kBand * period) return std::nullopt;
    return std::llround(shift);
}

void TickPhase::Reset() {
    sumCos_ = sumSin_ = 0;
    samples_ = 0;
}

}  // namespace nimbrel
