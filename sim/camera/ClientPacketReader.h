// Cuts the bytes a client sends on a stream connection into packets and checks every header
// before trusting it: sealed control messages (8-byte header) and talk audio (11-byte
// header). Anything else, or a length that cannot be right, makes the stream broken.
// Threading: one connection's thread.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace nimbrel::sim {

class ClientPacketReader {
  public:
    static constexpr uint8_t kInteractive = 0x32;
    static constexpr uint8_t kVideo = 0x46;
    static constexpr uint8_t kSpeex = 0x5A;
    static constexpr uint8_t kAac = 0x5B;
    // Largest talk body taken (a Speex packet carries 200 bytes, an AAC frame less than 2 KiB).
    static constexpr std::size_t kMaxTalkBody = 2048;

    struct Packet {
        uint8_t kind = 0;
        std::string salt;  // control messages
        std::string body;  // the hex text of a control message, or the audio bytes
    };

    void Feed(std::span<const uint8_t> bytes);
    // The next whole packet; nothing when more bytes are needed or the stream is broken.
    std::optional<Packet> Next();
    // Why the stream is broken; empty while it is sound.
    const std::string& Error() const { return error_; }
    // Bytes received that are not yet part of a whole packet.
    std::size_t Pending() const { return buffer_.size(); }

  private:
    std::string buffer_;
    std::string error_;
};

}  // namespace nimbrel::sim
