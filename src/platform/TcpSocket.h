// A TCP stream socket: non-blocking connect with a bounded wait, sends that never raise
// SIGPIPE, receives that tell a closed peer from an error, and whole-buffer transfers whose
// every wait is bounded.
// Threading: one thread at a time; Handle().Shutdown() may be called from another to end a
// transfer at once. Several senders on one connection must share their own send lock.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>

#include "platform/SocketHandle.h"

namespace nimbrel {

class TcpSocket {
  public:
    // A new IPv4 stream socket (close-on-exec); nothing when the system refuses one.
    static std::optional<TcpSocket> Open();
    // Adopts a connected descriptor (from TcpListener::Accept).
    explicit TcpSocket(SocketHandle handle) : handle_(std::move(handle)) {}

    SocketHandle& Handle() { return handle_; }
    const SocketHandle& Handle() const { return handle_; }

    enum class ConnectStart { Connected, InProgress, Failed };
    // Starts a connect; on a non-blocking socket it usually answers InProgress, and the socket
    // becomes writable when the attempt ends: ConnectError() then tells how.
    ConnectStart StartConnect(const Ipv4Endpoint& peer);
    int ConnectError() const { return handle_.PendingError(); }
    // Makes the socket non-blocking and connects within `timeoutMs`.
    bool ConnectWithin(const Ipv4Endpoint& peer, int timeoutMs);

    bool SetNoDelay(bool on = true);

    IoResult Send(std::span<const uint8_t> data);
    // Done with bytes > 0, Closed when the peer has closed, WouldBlock or Failed.
    IoResult Receive(std::span<uint8_t> buffer);

    // Moves the whole buffer on a non-blocking socket, waiting at most `waitMs` for each step of
    // progress, and giving up when `stop` is raised. False on a timeout, an error, a closed peer
    // or a stop.
    bool SendAll(std::span<const uint8_t> data, int waitMs,
                 const std::atomic<bool>* stop = nullptr);
    bool ReceiveAll(std::span<uint8_t> buffer, int waitMs, const std::atomic<bool>* stop = nullptr);

  private:
    SocketHandle handle_;
};

}  // namespace nimbrel
