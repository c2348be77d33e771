#include "camera/ToneSamples.h"

#include <cmath>

namespace nimbrel::sim {

float ToneSamples::At(long long index, int sampleRate, int hz) {
    // The phase is taken modulo one period first, so that it stays exact however long it runs.
    const long long inPeriod = (index * hz) % sampleRate;
    return static_cast<float>(0.5 *
                              std::sin(2.0 * M_PI * static_cast<double>(inPeriod) / sampleRate));
}

}  // namespace nimbrel::sim
