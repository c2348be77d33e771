// The rendezvous server of NAT traversal on 127.0.0.1 (UDP). A client's 'C' datagram names
// the camera it wants; the server starts (or finds) that camera's punch toward the client's
// address as seen here, and answers 0x0B with the address of the camera's punch socket. 'K'
// datagrams are logged. A camera with the silentRendezvous fault, or one that is down for a
// reboot, is not answered. A 'C'
// after the client's 'K' is a new attempt from that address (a restarted client reuses its
// port): the punches still under way toward the address are given up for a fresh one.
// Threading: Start and Stop from the owning thread; one serving thread, and one thread per
// punch (joined by Stop, which the run's stop flag, set before, makes prompt).
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "Result.h"
#include "camera/CameraDevice.h"
#include "camera/ConnectionThreads.h"
#include "camera/PunchPeer.h"
#include "camera/StreamContext.h"
#include "platform/UdpSocket.h"

namespace nimbrel::sim {

class RendezvousServer {
  public:
    static constexpr uint8_t kConnect = 0x43;  // 'C'
    static constexpr uint8_t kKnock = 0x4B;    // 'K'
    static constexpr uint8_t kPeer = 0x0B;

    // `find` gives the NAT traversal camera of a sid, or null.
    RendezvousServer(const StreamContext& context,
                     std::function<CameraDevice*(const std::string& sid)> find);
    ~RendezvousServer();
    RendezvousServer(const RendezvousServer&) = delete;
    RendezvousServer& operator=(const RendezvousServer&) = delete;

    Result<int> Start(int port);
    void Stop();

  private:
    void Serve();
    void OnDatagram(std::string_view bytes, const Ipv4Endpoint& from);
    // The port to name for `device` toward `client`; nothing when no punch could start.
    std::optional<int> PunchFor(CameraDevice& device, const Ipv4Endpoint& client,
                                const std::string& umac);

    const StreamContext& context_;
    std::function<CameraDevice*(const std::string&)> find_;
    std::optional<UdpSocket> socket_;
    std::thread thread_;
    struct Punch {
        std::shared_ptr<PunchPeer> peer;
        int port = 0;          // the port named in the answer
        bool knocked = false;  // the client sent 'K': its next 'C' is a new attempt
    };
    // Punches by camera and client address.
    std::map<std::pair<std::string, std::string>, Punch> punches_;
    ConnectionThreads threads_;
};

}  // namespace nimbrel::sim
