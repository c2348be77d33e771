// Makes a camera's video clip: the test pattern encoded with libavcodec's libx264 encoder
// (fastest preset, no delay, no B-frames), a key frame exactly every GOP, and the parameter
// sets taken from the first key frame.
// Threading: Encode is a pure function, callable from several threads at once.
#pragma once

#include "Result.h"
#include "camera/MediaClips.h"

namespace nimbrel::sim {

class H264ClipEncoder {
  public:
    // The room a client keeps for each parameter set.
    static constexpr std::size_t kMaxParameterSet = 59;

    // Frames in a clip: whole GOPs, at least two of them and at least four seconds.
    static int ClipFrames(const VideoClipKey& key);
    static Result<VideoClip> Encode(const VideoClipKey& key);
};

}  // namespace nimbrel::sim
