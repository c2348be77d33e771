// The media a simulated camera loops: an H.264 clip (Annex B frames with their parameter
// sets) and an audio clip (Speex packet bodies or ADTS AAC frames), with the keys the media
// library caches them by.
// Threading: immutable values once made; shared between connections through shared_ptr.
#pragma once

#include <compare>
#include <string>
#include <vector>

#include "camera/CameraSpec.h"

namespace nimbrel::sim {

struct VideoClipKey {
    int width = 640;
    int height = 360;
    int framePeriodMs = 40;
    int bitRate = 1000000;
    int gop = 50;
    bool recorded = false;  // the look of a card's recording rather than the live picture
    auto operator<=>(const VideoClipKey&) const = default;
};

struct VideoFrame {
    std::string bytes;  // Annex B; key frames carry SPS and PPS before the IDR slice
    bool key = false;
};

struct VideoClip {
    VideoClipKey key;
    std::string sps;  // NAL units without start codes
    std::string pps;
    // A whole number of GOPs, so that looping starts again at a key frame.
    std::vector<VideoFrame> frames;
};

struct AudioClipKey {
    AudioKind kind = AudioKind::Speex;
    int sampleRate = 8000;
    int toneHz = 440;
    auto operator<=>(const AudioClipKey&) const = default;
};

struct AudioClip {
    AudioClipKey key;
    std::vector<std::string> packets;  // Speex: 200-byte bodies; AAC: ADTS frames
    long long packetPeriodUs = 0;      // play time of one packet
};

}  // namespace nimbrel::sim
