// A UDP socket: datagrams to and from IPv4 endpoints, with the waits of SocketHandle.
// Threading: one thread at a time; Handle().Shutdown() may be called from another.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "platform/SocketHandle.h"

namespace nimbrel {

class UdpSocket {
  public:
    // A new IPv4 datagram socket (close-on-exec); nothing when the system refuses one.
    static std::optional<UdpSocket> Open();

    SocketHandle& Handle() { return handle_; }
    const SocketHandle& Handle() const { return handle_; }

    bool Bind(const Ipv4Endpoint& local) { return handle_.Bind(local); }
    bool SetBroadcast(bool on = true);

    IoResult SendTo(const Ipv4Endpoint& to, std::span<const uint8_t> datagram);

    struct Datagram {
        IoResult io;  // io.bytes: the part of the datagram that fitted the buffer
        Ipv4Endpoint from;
        bool truncated = false;  // the datagram was longer than the buffer
    };
    // Takes one datagram, cut to `buffer`; never writes past it.
    Datagram ReceiveFrom(std::span<uint8_t> buffer);

  private:
    explicit UdpSocket(SocketHandle handle) : handle_(std::move(handle)) {}
    SocketHandle handle_;
};

}  // namespace nimbrel
