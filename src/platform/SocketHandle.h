// An owned socket descriptor with the pieces every socket kind shares: non-blocking mode,
// bounded waits for readiness, the local address, the pending error, and closing on destruction.
// Threading: one thread uses a socket at a time, except Shutdown(), which another thread may
// call to wake a wait or a blocking call.
#pragma once

#include <optional>

#include "platform/Ipv4Endpoint.h"

namespace nimbrel {

enum class WaitResult {
    Ready,     // the socket is ready, or has an error or hang-up that the next call reports
    TimedOut,  // nothing happened within the time
    Failed,    // the wait itself failed (for example a closed descriptor)
};

class SocketHandle {
  public:
    SocketHandle() = default;
    explicit SocketHandle(int fd) : fd_(fd) {}
    ~SocketHandle() { Close(); }
    SocketHandle(SocketHandle&& other) noexcept : fd_(other.Release()) {}
    SocketHandle& operator=(SocketHandle&& other) noexcept;
    SocketHandle(const SocketHandle&) = delete;
    SocketHandle& operator=(const SocketHandle&) = delete;

    int Fd() const { return fd_; }
    bool IsOpen() const { return fd_ >= 0; }
    // Gives up ownership; the caller closes the descriptor.
    int Release();
    void Close();

    bool SetNonBlocking(bool on = true);
    bool SetReuseAddress(bool on = true);
    bool Bind(const Ipv4Endpoint& local);
    std::optional<Ipv4Endpoint> LocalEndpoint() const;
    // SO_ERROR: 0, or the error of a failed non-blocking connect or of the last datagram.
    int PendingError() const;
    // Ends both directions; a wait or read in another thread returns at once.
    void Shutdown();

    // Each wait lasts at most `timeoutMs` in total; an interrupting signal does not extend it.
    WaitResult WaitReadable(int timeoutMs) const { return Wait(kReadable, timeoutMs); }
    WaitResult WaitWritable(int timeoutMs) const { return Wait(kWritable, timeoutMs); }

  private:
    static constexpr short kReadable = 0x001;  // POLLIN
    static constexpr short kWritable = 0x004;  // POLLOUT
    WaitResult Wait(short events, int timeoutMs) const;

    int fd_ = -1;
};

// The outcome of one send or receive on a non-blocking socket.
struct IoResult {
    enum class Kind {
        Done,        // `bytes` were moved (for a datagram: its size, cut to the buffer)
        WouldBlock,  // nothing to do now; wait and try again
        Closed,      // a stream's peer closed its side (a receive of 0 bytes)
        Failed,      // `error` holds the errno
    };
    Kind kind = Kind::Failed;
    std::size_t bytes = 0;
    int error = 0;

    bool Ok() const { return kind == Kind::Done; }
    static IoResult FromCall(long n, int err);
};

}  // namespace nimbrel
