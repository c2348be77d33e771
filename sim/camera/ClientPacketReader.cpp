#include "camera/ClientPacketReader.h"

#include "camera/ControlSeal.h"

namespace nimbrel::sim {

void ClientPacketReader::Feed(std::span<const uint8_t> bytes) {
    if (!error_.empty()) return;
    buffer_.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

std::optional<ClientPacketReader::Packet> ClientPacketReader::Next() {
    if (!error_.empty() || buffer_.size() < 3) return std::nullopt;
    const auto b = [&](std::size_t i) { return static_cast<uint8_t>(buffer_[i]); };
    const uint8_t kind = b(0);
    const std::size_t length = b(1) | (b(2) << 8);
    std::size_t header = 0;
    switch (kind) {
        case kInteractive:
            // The length is the hex character count of whole DES blocks; read as signed by
            // the other side, so anything above the receive buffer is refused too.
            if (length == 0 || length % 16 != 0 || length > ControlSeal::kMaxHex) {
                error_ =
                    "control packet with a length of " + std::to_string(length) + " hex characters";
                return std::nullopt;
            }
            header = ControlSeal::kPacketHeader;
            break;
        case kSpeex:
        case kAac:
            if (length > kMaxTalkBody) {
                error_ = "talk packet with a length of " + std::to_string(length);
                return std::nullopt;
            }
            header = 11;
            break;
        default:
            error_ = "packet of unknown kind " + std::to_string(kind);
            return std::nullopt;
    }
    if (buffer_.size() < header + length) return std::nullopt;
    Packet packet;
    packet.kind = kind;
    if (kind == kInteractive) packet.salt = buffer_.substr(3, 4);
    packet.body = buffer_.substr(header, length);
    buffer_.erase(0, header + length);
    return packet;
}

}  // namespace nimbrel::sim
