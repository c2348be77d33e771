// A stream connection over an accepted TCP socket.
// Threading: see StreamLink.
#pragma once

#include <atomic>

#include "camera/StreamLink.h"
#include "platform/TcpSocket.h"

namespace nimbrel::sim {

class TcpStreamLink : public StreamLink {
  public:
    // Longest wait for the client to take more bytes before the connection is given up.
    static constexpr int kSendWaitMs = 5000;

    // `stop` (may be null) ends a send that waits for the client.
    TcpStreamLink(TcpSocket socket, const std::atomic<bool>* stop);
    Receive ReceiveSome(std::span<uint8_t> buffer, int waitMs, std::size_t& got) override;
    bool SendAll(std::string_view bytes) override;
    void Close() override;
    const char* Transport() const override { return "tcp"; }
    std::string Peer() const override;

  private:
    TcpSocket socket_;
    const std::atomic<bool>* stop_;
    Ipv4Endpoint peer_;
};

}  // namespace nimbrel::sim
