// Makes an H.264 clip in memory, the way a camera streams it: Annex B access units, one per
// frame, no B-frames, a key frame every `gop` frames, and the SPS and PPS on their own (without
// start codes) for the "connect" reply. The picture is a synthetic scene (a panning textured
// background with sensor-like noise and a moving block) so that the bit rate is spent as on a
// real camera, or one flat colour. Used by the benchmarks and by the media tests.
// Threading: MakeH264Clip is callable from any thread; a clip is a plain value.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace nimbrel {

struct H264ClipOptions {
    int width = 64;
    int height = 48;
    int frameRate = 25;
    int64_t bitRate = 200000;  // bits per second
    int gop = 50;              // frames from one key frame to the next
    int frames = 10;
    // SPS and PPS before every key frame (as most cameras send them), or only out of band.
    bool inBandParameterSets = true;
    // Y, U, V of a flat picture instead of the synthetic scene.
    std::optional<std::array<uint8_t, 3>> flatYuv;
    std::string preset = "veryfast";
};

struct H264ClipFrame {
    std::vector<uint8_t> bytes;  // Annex B
    bool key = false;
};

struct H264Clip {
    int width = 0;
    int height = 0;
    int frameRate = 0;
    std::vector<uint8_t> sps;  // NAL units without start code
    std::vector<uint8_t> pps;
    std::vector<H264ClipFrame> frames;

    double Seconds() const { return frameRate > 0 ? double(frames.size()) / frameRate : 0; }
    std::size_t TotalBytes() const;
    double BitsPerSecond() const;
};

// Encodes a clip with libavcodec's libx264 encoder. Empty when the encoder is missing or fails.
std::optional<H264Clip> MakeH264Clip(const H264ClipOptions& options);

// The NAL units of an Annex B byte stream (start codes removed).
std::vector<std::vector<uint8_t>> SplitAnnexB(const uint8_t* data, std::size_t size);

}  // namespace nimbrel
