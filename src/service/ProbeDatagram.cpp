#include "service/ProbeDatagram.h"

#include <arpa/inet.h>

#include <cstdlib>
#include <cstring>

namespace nimbrel {

std::array<uint8_t, kProbeDatagramSize> ProbeRequest(uint8_t type) {
    std::array<uint8_t, kProbeDatagramSize> datagram{};
    datagram[0] = type;
    return datagram;
}

std::optional<ProbeAnswer> ParseProbeAnswer(std::span<const uint8_t> datagram) {
    if (datagram.size() < kProbeDatagramSize) return std::nullopt;
    constexpr std::size_t kPortAt = 1, kPortLen = 7, kAddressAt = 8;
    constexpr std::size_t kAddressLen = kProbeDatagramSize - kAddressAt;
    const char* address = reinterpret_cast<const char*>(datagram.data() + kAddressAt);
    const std::size_t addressLen = strnlen(address, kAddressLen);
    if (addressLen == kAddressLen) return std::nullopt;  // no NUL: the text runs off the end

    // The port field need not end in a NUL: copy it into a terminated buffer before atoi.
    char port[kPortLen + 1] = {};
    std::memcpy(port, datagram.data() + kPortAt, kPortLen);

    ProbeAnswer answer;
    answer.type = datagram[0];
    answer.port = std::atoi(port);
    answer.address.assign(address, addressLen);
    return answer;
}

bool SameIpv4Number(const std::string& a, const std::string& b) {
    in_addr x{}, y{};
    return inet_aton(a.c_str(), &x) != 0 && inet_aton(b.c_str(), &y) != 0 && x.s_addr == y.s_addr;
}

}  // namespace nimbrel
