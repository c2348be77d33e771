// What the detection servers answer to each probe request, by the scenario's shape switches:
// each UDP shape makes a client's NAT classification come out as one chosen result.
// Threading: pure functions, callable from any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace nimbrel::sim {

// UDP shapes and the classification a client arrives at:
//   open            1  the first server reports the client's own address and port
//   fullCone        1  a translated address is reported; the type-11 request is answered
//   restricted      2  translated; both servers report the same; type 21 is answered
//   portRestricted  3  as restricted, but only type 31 is answered
//   symmetric       4  the second server reports another translation than the first
//   blocked         0  no UDP request is ever answered
//   secondSilent    0  the second server never answers
//   filtered        0  translated, consistent, but neither type 21 nor type 31 is answered
enum class UdpShape {
    Open,
    FullCone,
    Restricted,
    PortRestricted,
    Symmetric,
    Blocked,
    SecondSilent,
    Filtered
};

// TCP shapes: greet answers the greeting (client result 1); silent accepts and never answers
// (0); close accepts, reads and closes without answering (5); refuse keeps the port bound but
// not listening, so connections are refused.
enum class TcpShape { Greet, Silent, Close, Refuse };

enum class DetectionRole { First, Second };

// How a translated answer differs from what the server saw.
enum class Mapping { Port, Address };

std::optional<UdpShape> ParseUdpShape(std::string_view name);
std::optional<TcpShape> ParseTcpShape(std::string_view name);
std::string_view RoleName(DetectionRole role);

struct UdpAnswer {
    int type = 0;
    std::string address;         // dotted IPv4 text reported as seen
    int port = 0;                // port reported as seen
    bool fromOtherPort = false;  // sent from the server's second socket, not the one asked
};

// The answer to a request of `type` that arrived from seenAddress:seenPort; nothing when this
// shape leaves it unanswered or the type does not belong to this server.
std::optional<UdpAnswer> PlanUdpAnswer(UdpShape shape, Mapping mapping, DetectionRole role,
                                       int type, const std::string& seenAddress, int seenPort);

// Whether `type` is a request this server serves.
bool ServesType(DetectionRole role, int type);

// The 24-byte reply datagram: type, the port as decimal text in bytes 1-7, the address as
// NUL-terminated text in bytes 8-23.
std::string EncodeUdpAnswer(const UdpAnswer& answer);

}  // namespace nimbrel::sim
