#include "devices/LanReply.h"

#include <cstring>

#include "platform/Ipv4Endpoint.h"

namespace nimbrel {
namespace {

// The text of a zero-padded field: up to its first NUL, never past the field.
std::string Field(std::span<const uint8_t> d, std::size_t offset, std::size_t size) {
    const char* p = reinterpret_cast<const char*>(d.data() + offset);
    return std::string(p, strnlen(p, size));
}

}  // namespace

std::optional<LanReply> ParseLanReply(std::span<const uint8_t> d) {
    if (d.size() < kLanReplySize) return std::nullopt;
    LanReply reply;
    reply.id = Field(d, 1, 16);
    reply.ip = Field(d, 17, 16);
    if (reply.id.empty() || !Ipv4Endpoint::Parse(reply.ip, 0)) return std::nullopt;
    const char* m = reinterpret_cast<const char*>(d.data() + 33);
    for (int i = 0; i < 12; i += 2) {
        if (i) reply.mac += ':';
        reply.mac += m[i];
        reply.mac += m[i + 1];
    }
    reply.port = static_cast<uint16_t>(d[50] | d[51] << 8);
    return reply;
}

}  // namespace nimbrel
