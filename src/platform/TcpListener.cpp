#include "platform/TcpListener.h"

#include <sys/socket.h>

namespace nimbrel {

std::optional<TcpListener> TcpListener::Listen(const Ipv4Endpoint& local, int backlog) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return std::nullopt;
    SocketHandle handle(fd);
    if (!handle.SetReuseAddress() || !handle.Bind(local) || ::listen(fd, backlog) != 0 ||
        !handle.SetNonBlocking())
        return std::nullopt;
    const auto bound = handle.LocalEndpoint();
    if (!bound) return std::nullopt;
    return TcpListener(std::move(handle), *bound);
}

std::optional<TcpSocket> TcpListener::Accept(int timeoutMs) {
    if (handle_.WaitReadable(timeoutMs) != WaitResult::Ready) return std::nullopt;
    const int fd = ::accept4(handle_.Fd(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) return std::nullopt;
    return TcpSocket(SocketHandle(fd));
}

}  // namespace nimbrel
