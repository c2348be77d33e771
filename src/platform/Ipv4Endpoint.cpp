#include "platform/Ipv4Endpoint.h"

#include <arpa/inet.h>

#include <cstring>

namespace nimbrel {

std::optional<Ipv4Endpoint> Ipv4Endpoint::Parse(std::string_view dotted, long port) {
    // inet_pton needs a NUL-terminated text; the longest dotted quad has 15 characters.
    char text[INET_ADDRSTRLEN] = {};
    if (dotted.empty() || dotted.size() >= sizeof text || port < 0 || port > 65535)
        return std::nullopt;
    std::memcpy(text, dotted.data(), dotted.size());
    in_addr addr{};
    if (inet_pton(AF_INET, text, &addr) != 1) return std::nullopt;
    return Ipv4Endpoint{ntohl(addr.s_addr), static_cast<uint16_t>(port)};
}

std::optional<Ipv4Endpoint> Ipv4Endpoint::ParseDestination(std::string_view dotted, long port) {
    if (port == 0) return std::nullopt;
    return Parse(dotted, port);
}

Ipv4Endpoint Ipv4Endpoint::FromSockaddr(const sockaddr_in& sa) {
    return Ipv4Endpoint{ntohl(sa.sin_addr.s_addr), ntohs(sa.sin_port)};
}

sockaddr_in Ipv4Endpoint::ToSockaddr() const {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(address);
    sa.sin_port = htons(port);
    return sa;
}

std::string Ipv4Endpoint::AddressText() const {
    char text[INET_ADDRSTRLEN] = {};
    const in_addr addr{htonl(address)};
    inet_ntop(AF_INET, &addr, text, sizeof text);
    return text;
}

}  // namespace nimbrel
