// The media packets a camera sends: a video frame cut into fragments of 1375 bytes behind
// 25-byte headers, a Speex packet of ten 20-byte frames and an AAC frame behind 11-byte
// headers, and the broken packets the fault switches send. All integers little-endian.
// Threading: pure functions, callable from any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nimbrel::sim {

class MediaPackets {
  public:
    static constexpr uint8_t kVideo = 0x46;
    static constexpr uint8_t kSpeex = 0x5A;
    static constexpr uint8_t kAac = 0x5B;
    static constexpr std::size_t kVideoHeader = 25;
    static constexpr std::size_t kAudioHeader = 11;
    static constexpr std::size_t kFragment = 1375;
    // A client's frame buffer; a frame must fit it whole.
    static constexpr std::size_t kMaxFrame = 409600;

    // The fragments of one frame, in order. `key` clears bit 0 of the flags byte.
    static std::vector<std::string> VideoFragments(std::string_view frame, bool key,
                                                   uint32_t frameNumber, uint32_t timeMs);
    static std::string SpeexPacket(std::string_view body);
    static std::string AacPacket(std::string_view frame, uint32_t timeMs);

    // A packet whose first byte names no packet kind.
    static std::string UnknownKindPacket();
    // A video fragment whose index and length together pass the end of a frame buffer.
    static std::string OverflowingFragment(uint32_t frameNumber, uint32_t timeMs);
};

}  // namespace nimbrel::sim
