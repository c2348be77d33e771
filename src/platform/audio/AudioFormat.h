// The one sample layout that sound takes between the program and its devices: 16-bit signed
// little-endian PCM, channels interleaved, at a given rate.
// Threading: a plain value.
#pragma once

#include <chrono>
#include <cstddef>

namespace nimbrel {

struct AudioFormat {
    int sampleRate = 8000;
    int channels = 1;

    std::size_t BytesPerFrame() const { return 2 * static_cast<std::size_t>(channels); }
    std::size_t BytesPerSecond() const {
        return BytesPerFrame() * static_cast<std::size_t>(sampleRate);
    }
    bool Valid() const {
        return sampleRate >= 1000 && sampleRate <= 192000 && channels >= 1 && channels <= 2;
    }
    // How long `bytes` of this format play.
    std::chrono::nanoseconds Duration(std::size_t bytes) const {
        return std::chrono::nanoseconds(static_cast<long long>(bytes / BytesPerFrame()) *
                                        1'000'000'000LL / sampleRate);
    }
    friend bool operator==(const AudioFormat&, const AudioFormat&) = default;
};

}  // namespace nimbrel
