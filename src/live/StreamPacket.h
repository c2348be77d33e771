// Packets of the camera stream: a 3-byte start (kind, 16-bit little-endian length) and the rest
// of the header and body, whose size depends on the kind. Lengths that cannot fit the reader's
// buffer or the frame buffers are a broken stream. The reader receives in blocks of up to 64 KiB
// and cuts the packets out of its buffer, so a stream of small packets costs one receive per
// block rather than two per packet.
// Threading: pure functions; a framer or reader is used by one thread at a time.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
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
inline constexpr std::size_t kStreamBufferSize = 3072;  // the largest packet
inline constexpr std::size_t kReadBlockSize = 65536;    // the most one receive takes

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

// Cuts whole packets out of the bytes received so far. Received bytes go into Space() and are
// counted by Commit(); Take() hands out the next whole packet, whose bytes stay valid until the
// next call of Space(). `acceptAac` is false on streams that know only the other three kinds (an
// AAC packet there is an unknown kind).
class PacketFramer {
  public:
    explicit PacketFramer(bool acceptAac);

    enum class Next { Packet, NeedMore, Broken };
    Next Take(Packet& out);
    // Room for the next receive: never less than kReadBlockSize - kStreamBufferSize bytes, since
    // what stays unread is less than one packet and moves to the front first.
    std::span<uint8_t> Space();
    // `n` bytes were written at the start of the last Space(); n must not exceed its size.
    void Commit(std::size_t n);

  private:
    bool acceptAac_;
    std::unique_ptr<uint8_t[]> buffer_;
    std::size_t begin_ = 0;  // the first unread byte
    std::size_t end_ = 0;    // one past the last received byte
};

// Reads one packet at a time from a transport. `received` counts the bytes of the packets read.
class PacketReader {
  public:
    explicit PacketReader(bool acceptAac) : framer_(acceptAac) {}
    ReadResult Read(StreamTransport& transport, const std::atomic<bool>& stop, Packet& out,
                    std::atomic<uint64_t>* received = nullptr);

  private:
    PacketFramer framer_;
};

}  // namespace nimbrel
