// The sound a simulated camera makes: a steady tone of the camera's own frequency, so that a
// listener (or a test) can tell the cameras apart and hear any gap.
// Threading: pure function, callable from any thread.
#pragma once

namespace nimbrel::sim {

class ToneSamples {
  public:
    static constexpr int kDefaultHz = 440;
    // The sample `index` at `sampleRate` of a tone of `hz`, in -0.5..0.5.
    static float At(long long index, int sampleRate, int hz = kDefaultHz);
};

}  // namespace nimbrel::sim
