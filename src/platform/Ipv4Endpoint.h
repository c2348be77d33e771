// An IPv4 address and port, converted to and from dotted text and socket addresses.
// Threading: plain value type, callable from any thread.
#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nimbrel {

struct Ipv4Endpoint {
    uint32_t address = 0;  // host byte order
    uint16_t port = 0;

    // Strict dotted-quad text ("127.0.0.1") and a port in 0..65535; nothing otherwise.
    static std::optional<Ipv4Endpoint> Parse(std::string_view dotted, long port);
    // The same, but the port must be usable as a destination (1..65535).
    static std::optional<Ipv4Endpoint> ParseDestination(std::string_view dotted, long port);
    static Ipv4Endpoint FromSockaddr(const sockaddr_in& sa);

    sockaddr_in ToSockaddr() const;
    std::string AddressText() const;
    bool IsLoopback() const { return (address >> 24) == 127; }

    friend bool operator==(const Ipv4Endpoint&, const Ipv4Endpoint&) = default;
};

}  // namespace nimbrel
