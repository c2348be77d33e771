// The datagrams of the UDP network probe: a 24-byte request carrying its type, and the 24-byte
// answer in which a detection server reports the source port and address it saw.
// Threading: pure functions, callable from any thread.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace nimbrel {

inline constexpr std::size_t kProbeDatagramSize = 24;

// Request types: 1 echo, 11 echo from elsewhere, 41 echo by the second server, 21 answer from
// another port, 31 answer from the asked socket.
std::array<uint8_t, kProbeDatagramSize> ProbeRequest(uint8_t type);

struct ProbeAnswer {
    int type = 0;
    int port = 0;         // bytes 1-7, decimal text read like atoi
    std::string address;  // bytes 8-23 up to their NUL
};

// Reads an answer. Nothing when it is shorter than 24 bytes or its address has no terminating
// NUL within bytes 8-23; bytes beyond 24 are ignored.
std::optional<ProbeAnswer> ParseProbeAnswer(std::span<const uint8_t> datagram);

// Whether two dotted addresses denote the same IPv4 number (inet_aton forms, so "127.1" equals
// "127.0.0.1"). Texts that are no address never match.
bool SameIpv4Number(const std::string& a, const std::string& b);

}  // namespace nimbrel
