// The times of a recording's samples, in ticks of 1/90,000 s from the file's first frame. A frame
// is placed after the one before it by the difference of the two frames' time values (the
// stream's milliseconds, read modulo 2^32), so frames that were never recorded leave their time
// in the file and any frame period keeps its length. Where the stream gives no usable time (a
// difference of zero, a step back, or one longer than kMaxStepMs) the frames' arrival times
// pace it instead, and without those the stream's nominal frame period.
// Threading: one thread at a time (the recording's writer).
#pragma once

#include <cstdint>

namespace nimbrel {

class SampleClock {
  public:
    static constexpr int kTicksPerSecond = 90000;
    // The longest step between two frames that the stream's time values may give.
    static constexpr int64_t kMaxStepMs = 10000;

    // Starts a new file: its next frame is at 0; `nominalTicks` (one frame period) is the step
    // when neither time values nor arrival times say better.
    void Restart(int nominalTicks);

    // The time of the next frame: `timeValue` from its packets, `arrivalNs` when it became whole
    // (0: not known). Each frame comes at least one tick after the one before.
    int64_t Next(uint32_t timeValue, int64_t arrivalNs);

  private:
    bool first_ = true;
    int nominal_ = 1;
    uint32_t lastTimeValue_ = 0;
    int64_t lastArrivalNs_ = 0;
    int64_t time_ = 0;
};

}  // namespace nimbrel
