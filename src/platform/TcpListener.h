// A listening TCP socket that accepts with a bounded wait; used by local servers such as the
// test peers of the client.
// Threading: one thread at a time; Handle().Shutdown() may be called from another.
#pragma once

#include <optional>

#include "platform/TcpSocket.h"

namespace nimbrel {

class TcpListener {
  public:
    // Binds `local` (port 0: an ephemeral one) with SO_REUSEADDR and listens. Nothing on failure.
    static std::optional<TcpListener> Listen(const Ipv4Endpoint& local, int backlog = 16);

    SocketHandle& Handle() { return handle_; }
    const SocketHandle& Handle() const { return handle_; }
    // The bound address, with the port the system chose.
    Ipv4Endpoint Local() const { return local_; }

    // Waits up to `timeoutMs` for a connection and accepts it as a non-blocking socket.
    std::optional<TcpSocket> Accept(int timeoutMs);

  private:
    TcpListener(SocketHandle handle, Ipv4Endpoint local)
        : handle_(std::move(handle)), local_(local) {}
    SocketHandle handle_;
    Ipv4Endpoint local_;
};

}  // namespace nimbrel
