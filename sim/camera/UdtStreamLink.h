// A stream connection over a connected UDT socket (after NAT traversal). The UDT socket owns
// the UDP socket it was bound onto; closing the link closes both.
// Threading: see StreamLink.
#pragma once

#include <udt/udt.h>

#include <atomic>

#include "camera/StreamLink.h"

namespace nimbrel::sim {

class UdtStreamLink : public StreamLink {
  public:
    static constexpr int kSendWaitMs = 5000;

    // Takes ownership of the connected `socket`; `stop` (may be null) ends a waiting send.
    UdtStreamLink(UDTSOCKET socket, const std::atomic<bool>* stop);
    ~UdtStreamLink() override;
    UdtStreamLink(const UdtStreamLink&) = delete;
    UdtStreamLink& operator=(const UdtStreamLink&) = delete;

    Receive ReceiveSome(std::span<uint8_t> buffer, int waitMs, std::size_t& got) override;
    bool SendAll(std::string_view bytes) override;
    void Close() override;
    const char* Transport() const override { return "udt"; }
    std::string Peer() const override { return peer_; }

  private:
    UDTSOCKET socket_;
    const std::atomic<bool>* stop_;
    std::atomic<bool> closed_{false};
    std::string peer_;
};

}  // namespace nimbrel::sim
