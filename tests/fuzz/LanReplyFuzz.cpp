// The camera's answer to the LAN discovery probe on arbitrary datagrams: short ones are refused,
// accepted ones have their fields where the layout puts them, and bytes past the layout change
// nothing.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "devices/LanReply.h"
#include "platform/Ipv4Endpoint.h"

namespace {

using nimbrel::kLanReplySize;
using nimbrel::LanReply;

// Aborts, naming the line, when a property does not hold.
#define Check(ok)                                                         \
    do {                                                                  \
        if (!(ok)) {                                                      \
            std::fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #ok); \
            std::abort();                                                 \
        }                                                                 \
    } while (false)

std::string Field(const std::vector<uint8_t>& d, std::size_t offset, std::size_t size) {
    const char* p = reinterpret_cast<const char*>(d.data() + offset);
    return std::string(p, strnlen(p, size));
}

void CheckReply(const std::vector<uint8_t>& d) {
    const auto reply = nimbrel::ParseLanReply(d);
    if (d.size() < kLanReplySize) {
        Check(!reply);
        return;
    }
    const std::string id = Field(d, 1, 16);
    const std::string ip = Field(d, 17, 16);
    const bool acceptable = !id.empty() && nimbrel::Ipv4Endpoint::Parse(ip, 0).has_value();
    Check(reply.has_value() == acceptable);
    if (!reply) return;
    Check(reply->id == id);
    Check(reply->ip == ip);
    Check(reply->mac.size() == 17);
    for (std::size_t i = 0, from = 33; i < 17; ++i) {
        if (i % 3 == 2)
            Check(reply->mac[i] == ':');
        else
            Check(static_cast<uint8_t>(reply->mac[i]) == d[from++]);
    }
    Check(reply->port == (d[50] | d[51] << 8));

    // The layout's bytes decide: a longer datagram with the same start reads the same.
    std::vector<uint8_t> longer(d);
    longer.resize(d.size() + 7, 0xEE);
    const auto again = nimbrel::ParseLanReply(longer);
    Check(again && again->id == reply->id && again->ip == reply->ip && again->mac == reply->mac &&
          again->port == reply->port);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> d(data, data + size);
    CheckReply(d);
    // The same bytes with a dotted address in place, so that replies get past that check too.
    if (d.size() >= kLanReplySize) {
        const std::string ip = "127.0." + std::to_string(d[0]) + "." + std::to_string(d[2]);
        std::memset(&d[17], 0, 16);
        std::memcpy(&d[17], ip.data(), ip.size());
        CheckReply(d);
    }
    return 0;
}
