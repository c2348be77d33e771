#include "platform/SocketHandle.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace nimbrel {

SocketHandle& SocketHandle::operator=(SocketHandle&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = other.Release();
    }
    return *this;
}

int SocketHandle::Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

void SocketHandle::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool SocketHandle::SetNonBlocking(bool on) {
    const int flags = ::fcntl(fd_, F_GETFL, 0);
    if (flags < 0) return false;
    const int wanted = on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
    return wanted == flags || ::fcntl(fd_, F_SETFL, wanted) == 0;
}

bool SocketHandle::SetReuseAddress(bool on) {
    const int value = on ? 1 : 0;
    return ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &value, sizeof value) == 0;
}

bool SocketHandle::Bind(const Ipv4Endpoint& local) {
    const sockaddr_in sa = local.ToSockaddr();
    return ::bind(fd_, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0;
}

std::optional<Ipv4Endpoint> SocketHandle::LocalEndpoint() const {
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&sa), &len) != 0 || sa.sin_family != AF_INET)
        return std::nullopt;
    return Ipv4Endpoint::FromSockaddr(sa);
}

int SocketHandle::PendingError() const {
    int error = 0;
    socklen_t len = sizeof error;
    if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &len) != 0) return errno;
    return error;
}

void SocketHandle::Shutdown() {
    if (fd_ >= 0) ::shutdown(fd_, SHUT_RDWR);
}

WaitResult SocketHandle::Wait(short events, int timeoutMs) const {
    if (fd_ < 0) return WaitResult::Failed;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd p{fd_, events, 0};
        const int n = ::poll(&p, 1, left.count() > 0 ? static_cast<int>(left.count()) : 0);
        if (n < 0) {
            if (errno == EINTR && Clock::now() < deadline) continue;
            return errno == EINTR ? WaitResult::TimedOut : WaitResult::Failed;
        }
        if (n == 0) return WaitResult::TimedOut;
        if (p.revents & POLLNVAL) return WaitResult::Failed;
        // An error or hang-up counts as ready: the next call on the socket reports it.
        return WaitResult::Ready;
    }
}

IoResult IoResult::FromCall(long n, int err) {
    IoResult r;
    if (n >= 0) {
        r.kind = Kind::Done;
        r.bytes = static_cast<std::size_t>(n);
    } else if (err == EAGAIN || err == EWOULDBLOCK || err == EINTR) {
        r.kind = Kind::WouldBlock;
    } else {
        r.kind = Kind::Failed;
        r.error = err;
    }
    return r;
}

}  // namespace nimbrel
