#include "ProbeShape.h"

#include <algorithm>
#include <cstring>

namespace nimbrel::sim {
namespace {

constexpr int kLowestPort = 1024;

// A port that differs from `port` by `offset`, kept within 1024..65535.
int ShiftedPort(int port, int offset) {
    const int span = 65536 - kLowestPort;
    const int base = (port < kLowestPort ? kLowestPort : port) - kLowestPort;
    return (base + offset) % span + kLowestPort;
}

// A loopback address text that is not `seen`.
std::string OtherAddress(const std::string& seen, int which) {
    const std::string candidate = "127.0.0." + std::to_string(250 + which);
    return candidate == seen ? "127.0.0." + std::to_string(240 + which) : candidate;
}

// The translation a server reports; `which` 1 is the consistent one, 2 the one a symmetric
// translation gives towards the second server.
void Translate(UdpAnswer& a, Mapping mapping, const std::string& seenAddress, int seenPort,
               int which) {
    if (mapping == Mapping::Port) {
        a.address = seenAddress;
        a.port = ShiftedPort(seenPort, 1000 * which);
    } else {
        a.address = OtherAddress(seenAddress, which);
        a.port = seenPort;
    }
}

}  // namespace

std::optional<UdpShape> ParseUdpShape(std::string_view name) {
    if (name == "open") return UdpShape::Open;
    if (name == "fullCone") return UdpShape::FullCone;
    if (name == "restricted") return UdpShape::Restricted;
    if (name == "portRestricted") return UdpShape::PortRestricted;
    if (name == "symmetric") return UdpShape::Symmetric;
    if (name == "blocked") return UdpShape::Blocked;
    if (name == "secondSilent") return UdpShape::SecondSilent;
    if (name == "filtered") return UdpShape::Filtered;
    return std::nullopt;
}

std::optional<TcpShape> ParseTcpShape(std::string_view name) {
    if (name == "greet") return TcpShape::Greet;
    if (name == "silent") return TcpShape::Silent;
    if (name == "close") return TcpShape::Close;
    if (name == "refuse") return TcpShape::Refuse;
    return std::nullopt;
}

std::string_view RoleName(DetectionRole role) {
    return role == DetectionRole::First ? "first" : "second";
}

bool ServesType(DetectionRole role, int type) {
    if (role == DetectionRole::Second) return type == 41;
    return type == 1 || type == 11 || type == 21 || type == 31;
}

std::optional<UdpAnswer> PlanUdpAnswer(UdpShape shape, Mapping mapping, DetectionRole role,
                                       int type, const std::string& seenAddress, int seenPort) {
    if (shape == UdpShape::Blocked || !ServesType(role, type)) return std::nullopt;
    const bool untranslated = shape == UdpShape::Open;
    UdpAnswer a;
    a.type = type;
    a.address = seenAddress;
    a.port = seenPort;
    if (!untranslated) Translate(a, mapping, seenAddress, seenPort, 1);

    switch (type) {
        case 1:  // echo what was seen
            return a;
        case 11:  // answered from elsewhere only when any sender may reach the client
            if (shape != UdpShape::Open && shape != UdpShape::FullCone) return std::nullopt;
            a.fromOtherPort = true;
            return a;
        case 41:  // the second server's view of the same client socket
            if (shape == UdpShape::SecondSilent) return std::nullopt;
            if (shape == UdpShape::Symmetric) Translate(a, mapping, seenAddress, seenPort, 2);
            return a;
        case 21:  // answered from another port of the same server address
            if (shape != UdpShape::Open && shape != UdpShape::FullCone &&
                shape != UdpShape::Restricted)
                return std::nullopt;
            a.fromOtherPort = true;
            return a;
        case 31:  // answered from the very socket that was asked
            if (shape == UdpShape::Symmetric || shape == UdpShape::Filtered) return std::nullopt;
            return a;
    }
    return std::nullopt;
}

std::string EncodeUdpAnswer(const UdpAnswer& answer) {
    std::string out(24, '\0');
    out[0] = static_cast<char>(answer.type);
    const std::string port = std::to_string(answer.port);
    std::memcpy(out.data() + 1, port.data(), std::min<std::size_t>(port.size(), 6));
    std::memcpy(out.data() + 8, answer.address.data(),
                std::min<std::size_t>(answer.address.size(), 15));
    return out;
}

}  // namespace nimbrel::sim
