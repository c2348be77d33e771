#include "media/SampleClock.h"

#include <algorithm>

namespace nimbrel {

void SampleClock::Restart(int nominalTicks) {
    first_ = true;
    nominal_ = std::max(1, nominalTicks);
    time_ = 0;
}

int64_t SampleClock::Next(uint32_t timeValue, int64_t arrivalNs) {
    if (first_) {
        first_ = false;
    } else {
        // Modulo 2^32, so a time value that wraps round still steps forward.
        const auto stepMs = static_cast<int64_t>(static_cast<int32_t>(timeValue - lastTimeValue_));
        int64_t step = 0;
        if (stepMs > 0 && stepMs <= kMaxStepMs)
            step = stepMs * kTicksPerSecond / 1000;
        else if (arrivalNs > 0 && lastArrivalNs_ > 0 && arrivalNs > lastArrivalNs_)
            step = (arrivalNs - lastArrivalNs_) * kTicksPerSecond / 1000000000;
        else
            step = nominal_;
        time_ += std::max<int64_t>(step, 1);
    }
    lastTimeValue_ = timeValue;
    lastArrivalNs_ = arrivalNs;
    return time_;
}

}  // namespace nimbrel
