// The camera stream over a connected TCP socket.
// Threading: as StreamTransport.
#pragma once

#include "live/StreamTransport.h"
#include "platform/TcpSocket.h"

namespace nimbrel {

class TcpTransport : public StreamTransport {
  public:
    explicit TcpTransport(TcpSocket socket) : socket_(std::move(socket)) {}
    bool IsUdt() const override { return false; }
    TransferResult ReceiveSome(uint8_t* data, std::size_t capacity, const std::atomic<bool>& stop,
                               std::size_t& received) override;
    void Shutdown() override { socket_.Handle().Shutdown(); }

  protected:
    TransferResult SendAllLocked(const uint8_t* data, std::size_t size,
                                 const std::atomic<bool>& stop) override;

  private:
    TcpSocket socket_;
};

}  // namespace nimbrel
