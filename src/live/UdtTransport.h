// The camera stream over a UDT connection on the punched UDP path of NAT traversal.
// Threading: as StreamTransport.
#pragma once

#include <udt/udt.h>

#include "live/StreamTransport.h"
#include "platform/UdpSocket.h"

namespace nimbrel {

// Starts the UDT library once for the process; it is cleaned up when the process exits.
void UdtStartup();

// A UDT listener bound onto the punched UDP socket `udp`, listening with `backlog`. Once UDT
// has bound onto it, the descriptor is UDT's (it closes it with itself, a while after the close)
// and `udp` lets go of it, whether listening then succeeds or not. UDT's invalid socket on
// failure.
UDTSOCKET ListenOnPunchedSocket(UdpSocket& udp, int backlog);

// Closes a UDT socket without waiting for its unsent data to be taken (no linger).
void CloseAtOnce(UDTSOCKET socket);

class UdtTransport : public StreamTransport {
  public:
    // Takes a connected UDT socket; its transfers wait in steps of kStepMs.
    explicit UdtTransport(UDTSOCKET socket);
    ~UdtTransport() override;
    bool IsUdt() const override { return true; }
    TransferResult ReceiveSome(uint8_t* data, std::size_t capacity, const std::atomic<bool>& stop,
                               std::size_t& received) override;
    void Shutdown() override;

  protected:
    TransferResult SendAllLocked(const uint8_t* data, std::size_t size,
                                 const std::atomic<bool>& stop) override;

  private:
    UDTSOCKET socket_;
    std::atomic<bool> shut_{false};
};

}  // namespace nimbrel
