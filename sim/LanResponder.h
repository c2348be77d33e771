// The cameras' side of LAN discovery: a UDP socket on the loopback broadcast address that
// answers each one-byte probe with one reply per device on the LAN. Replies go back only to
// senders in 127.0.0.0/8. The scenario can repeat replies (exactly or with the id in the other
// letter case) and add a short garbled datagram.
// Threading: Start and Stop from the owning thread; one serving thread. Respond is pure.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "DirectorySpec.h"
#include "OrderedJson.h"
#include "Result.h"
#include "Scenario.h"
#include "platform/Ipv4Endpoint.h"
#include "platform/UdpSocket.h"

namespace nimbrel::sim {

class RequestLog;

// One device's reply values.
struct LanDevice {
    std::string sid;
    std::string ip;
    std::string mac;
    int port = 0;
};

class LanResponder {
  public:
    // `log` may be null.
    LanResponder(LanSpec setup, std::vector<LanDevice> devices, RequestLog* log);
    ~LanResponder();
    LanResponder(const LanResponder&) = delete;
    LanResponder& operator=(const LanResponder&) = delete;

    // Binds 127.255.255.255 at the scenario's port (0: ephemeral), so that probes broadcast
    // on the loopback network arrive; returns the bound port.
    Result<int> Start();
    void Stop();

    // The devices of a scenario that answer, in scenario order. `streamPort` (may be empty)
    // names a camera's stream port for devices whose reply port is not fixed.
    static std::vector<LanDevice> DevicesOf(
        const Scenario& scenario,
        const std::function<std::optional<int>(const std::string& sid)>& streamPort);

    static constexpr uint8_t kProbe = 0x0E;
    static constexpr std::size_t kReplySize = 52;
    static constexpr std::size_t kGarbledSize = 20;
    static constexpr std::size_t kReceiveSize = 3072;

    // A reply: byte 0 and bytes 45-49 filler, id at 1-16, dotted IPv4 at 17-32 (zero padded),
    // 12 MAC characters at 33-44, port little-endian at 50-51.
    static std::string ReplyDatagram(const LanDevice& device, bool otherCase = false);

    // What goes back for one received datagram, and its log line.
    struct Answer {
        std::vector<std::string> datagrams;
        OrderedJson line = OrderedJson::Object();
    };
    Answer Respond(std::span<const uint8_t> datagram, bool truncated,
                   const Ipv4Endpoint& from) const;

  private:
    void Run();

    LanSpec spec_;
    std::vector<LanDevice> devices_;
    RequestLog* log_;
    std::optional<UdpSocket> socket_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace nimbrel::sim
