// The answer of a camera to the LAN discovery probe, read from its datagram.
// Threading: pure functions, callable from any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace nimbrel {

struct LanReply {
    std::string ip;   // dotted IPv4 text
    std::string id;   // the device id, at most 16 characters
    std::string mac;  // "xx:xx:xx:xx:xx:xx" from the 12 characters sent
    uint16_t port = 0;
};

// The one-byte probe and the size of the reply layout.
inline constexpr uint8_t kLanProbe = 0x0E;
inline constexpr std::size_t kLanReplySize = 52;

// Nothing for a datagram shorter than the layout, an empty id or an address that is not
// dotted IPv4 text; the rest of a longer datagram is ignored.
std::optional<LanReply> ParseLanReply(std::span<const uint8_t> datagram);

}  // namespace nimbrel
