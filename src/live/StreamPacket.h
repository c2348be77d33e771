// Packets of the camera stream: a 3-byte start (kind, 16-bit little-endian length) and the rest
// of the header and body, whose size depends on the kind. Lengths that cannot fit the reader's
// buffer or the frame buffers are a broken stream.
// Threading: pure functions and a reader used by one thread.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <span>

#include "live/StreamTransport.h"

namespace nimbrel {

enum PacketKind : uint8_t {
    kPacketInteractive = 0x32,
    kPacketVideo = 0x46,
    kPacketSpeex = 0x5A,
    kPacketAac = 0x5B,
};

inline constexpr std::size_t kVideoHeaderSize = 25;
inline constexpr std::size_t kAudioHeaderSize = 11;
inline constexpr std::size_t kInteractiveHeaderSize = 8;
inline constexpr std::size_t kStreamBufferSize = 3072;

struct VideoHeader {
    uint16_t length = 0;
    bool key = false;
    uint32_t frameNumber = 0;
    uint32_t timeValue = 0;
    int16_t fragmentCount = 0;
    int16_t fragmentIndex = 0;
};

VideoHeader ParseVideoHeader(std::span<const uint8_t, kVideoHeaderSize> header);
// The time value of an audio packet (bytes 7..10, little-endian; AAC packets carry one).
inline uint32_t AudioTimeValue(std::span<const uint8_t, kAudioHeaderSize> header) {
    return header[7] | header[8] << 8 | header[9] << 16 | static_cast<uint32_t>(header[10]) << 24;
}
// Writes a video packet header (used by tests and tools that play a camera).
void WriteVideoHeader(const VideoHeader& h, uint8_t* out);

struct Packet {
    PacketKind kind = kPacketInteractive;
    std::span<const uint8_t> bytes;  // the whole packet: header and body
};

enum class ReadResult { Ok, Stopped, Closed, Failed, Broken };

// Reads one packet into its own buffer. `acceptAac` is false on streams that know only the
// other three kinds (an AAC packet there is an unknown kind). `received` counts the bytes read.
class PacketReader {
  public:
    explicit PacketReader(bool acceptAac) : acceptAac_(acceptAac) {}
    ReadResult Read(StreamTransport& transport, const std::atomic<bool>& stop, Packet& out,
                    std::atomic<uint64_t>* received = nullptr);

  private:
    bool acceptAac_;
    std::array<uint8_t, kStreamBufferSize> buffer_{};
};

}  // namespace nimbrel
