// Makes a camera's Speex clip: two seconds of the tone at 8000 Hz, encoded narrowband at
// quality 4 (20-byte frames of 160 samples), ten frames to a 200-byte packet body.
// Threading: Encode is a pure function, callable from several threads at once.
#pragma once

#include "Result.h"
#include "camera/MediaClips.h"

namespace nimbrel::sim {

class SpeexToneEncoder {
  public:
    static constexpr int kFrameBytes = 20;
    static constexpr int kFrameSamples = 160;
    static constexpr int kFramesPerPacket = 10;
    static Result<AudioClip> Encode(int toneHz = 440);
};

}  // namespace nimbrel::sim
