// The camera's side of one NAT traversal toward one client: a UDP socket of its own (the one
// the rendezvous server names), probes (0x0A) to the client every 200 ms until it answers,
// answers (0x09, type "10") to the client's probes, then UDT from that socket to the client's
// once the client confirmed (0x10) or both sides saw each other; the stream protocol follows.
// Threading: Open on the rendezvous thread, then Run on a connection thread of its own;
// Finished may be read from any thread.
#pragma once

#include <atomic>
#include <optional>
#include <string>

#include "Result.h"
#include "camera/CameraDevice.h"
#include "camera/StreamContext.h"
#include "platform/UdpSocket.h"

namespace nimbrel::sim {

class PunchPeer {
  public:
    static constexpr uint8_t kProbe = 0x0A;
    static constexpr uint8_t kAnswer = 0x09;
    static constexpr uint8_t kConfirm = 0x10;
    // A punch that has not come through by then is given up.
    static constexpr int kPunchSeconds = 10;

    PunchPeer(CameraDevice& device, const StreamContext& context, Ipv4Endpoint client,
              std::string umac);

    // Binds the socket(s) on 127.0.0.1 and returns the port the rendezvous server names.
    Result<int> Open();
    // Punches, connects UDT and serves the stream; returns when the connection ends.
    void Run();
    bool Finished() const { return finished_; }
    // Gives the punch up if it has not connected yet (the client started over).
    void Cancel() { cancelled_ = true; }

  private:
    // True once the client is ready for UDT; false when the punch was given up.
    bool Punch(UdpSocket& socket);
    bool Send(UdpSocket& socket, uint8_t type, bool answer);
    void Log(const char* event, const std::string& detail = {}) const;

    CameraDevice& device_;
    const StreamContext& context_;
    Ipv4Endpoint client_;
    std::string umac_;
    std::optional<UdpSocket> named_;  // the socket the rendezvous server names
    std::optional<UdpSocket> other_;  // with punchFromOtherPort: the one that really talks
    std::atomic<bool> finished_{false};
    std::atomic<bool> cancelled_{false};
    int ignored_ = 0;  // datagrams ignored so far (only the first few are logged)
};

}  // namespace nimbrel::sim
