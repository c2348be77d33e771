// Speex narrowband at 8000 Hz as the stream carries it: packets of 10 frames of 20 bytes, each
// frame 160 samples (20 ms), so one packet is 1600 samples (3200 bytes, 200 ms). Decoding always
// yields exactly 3200 bytes: a frame that does not decode is silence, never the previous frame.
// The encoder works at quality 4, which gives the 20-byte frames.
// Threading: one thread at a time per object.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace nimbrel {

inline constexpr std::size_t kSpeexFrameBytes = 20;
inline constexpr std::size_t kSpeexFrameSamples = 160;
inline constexpr std::size_t kSpeexFramesPerPacket = 10;
inline constexpr std::size_t kSpeexPacketBytes = kSpeexFrameBytes * kSpeexFramesPerPacket;  // 200
inline constexpr std::size_t kSpeexPcmBytes =
    2 * kSpeexFrameSamples * kSpeexFramesPerPacket;  // 3200

class SpeexDecoder {
  public:
    SpeexDecoder();
    ~SpeexDecoder();
    SpeexDecoder(const SpeexDecoder&) = delete;
    SpeexDecoder& operator=(const SpeexDecoder&) = delete;
    bool IsOpen() const { return state_ != nullptr; }

    // Decodes the 10 frames of `packet` (200 bytes) into `pcm`; returns how many frames decoded.
    int DecodePacket(std::span<const uint8_t, kSpeexPacketBytes> packet,
                     std::span<uint8_t, kSpeexPcmBytes> pcm);

  private:
    void* state_ = nullptr;
    struct Bits;
    Bits* bits_ = nullptr;
};

class SpeexEncoder {
  public:
    SpeexEncoder();
    ~SpeexEncoder();
    SpeexEncoder(const SpeexEncoder&) = delete;
    SpeexEncoder& operator=(const SpeexEncoder&) = delete;
    bool IsOpen() const { return state_ != nullptr; }

    // Encodes 1600 samples (3200 bytes, little-endian) into the 10 frames of one packet;
    // false when a frame did not come out at 20 bytes.
    bool EncodePacket(std::span<const uint8_t, kSpeexPcmBytes> pcm,
                      std::span<uint8_t, kSpeexPacketBytes> packet);

  private:
    void* state_ = nullptr;
    struct Bits;
    Bits* bits_ = nullptr;
};

}  // namespace nimbrel
