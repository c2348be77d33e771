// The sound a simulated camera makes: a 440 Hz beep, 0.6 s on and 0.4 s off each second.
// Threading: pure function, callable from any thread.
#pragma once

namespace nimbrel::sim {

class ToneSamples {
  public:
    // The sample `index` at `sampleRate`, in -1..1.
    static float At(long long index, int sampleRate);
};

}  // namespace nimbrel::sim
