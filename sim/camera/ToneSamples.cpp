#include "camera/ToneSamples.h"

#include <cmath>

namespace nimbrel::sim {

float ToneSamples::At(long long index, int sampleRate) {
    const long long inSecond = index % sampleRate;
    if (inSecond * 10 >= static_cast<long long>(sampleRate) * 6) return 0.0f;
    const double t = static_cast<double>(index) / sampleRate;
    return static_cast<float>(0.5 * std::sin(2.0 * M_PI * 440.0 * t));
}

}  // namespace nimbrel::sim
