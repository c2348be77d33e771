// Makes a camera's AAC clip: two seconds of the tone in stereo, encoded with libavcodec's
// native AAC encoder (low complexity, 1024 samples a frame), each frame behind an ADTS header.
// Threading: Encode is a pure function, callable from several threads at once.
#pragma once

#include <cstdint>
#include <string>

#include "Result.h"
#include "camera/MediaClips.h"

namespace nimbrel::sim {

class AacToneEncoder {
  public:
    // A client's ring entry takes AAC frames of at most this many bytes, header included.
    static constexpr std::size_t kMaxFrame = 1024;
    static Result<AudioClip> Encode(int sampleRate, int toneHz = 440);
    // The 7-byte ADTS header (no CRC) of a low-complexity frame of `payload` bytes.
    static std::string AdtsHeader(int sampleRate, int channels, std::size_t payload);
};

}  // namespace nimbrel::sim
