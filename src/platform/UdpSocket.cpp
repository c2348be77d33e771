#include "platform/UdpSocket.h"

#include <sys/socket.h>

#include <cerrno>

namespace nimbrel {

std::optional<UdpSocket> UdpSocket::Open() {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return std::nullopt;
    return UdpSocket(SocketHandle(fd));
}

bool UdpSocket::SetBroadcast(bool on) {
    const int value = on ? 1 : 0;
    return ::setsockopt(handle_.Fd(), SOL_SOCKET, SO_BROADCAST, &value, sizeof value) == 0;
}

IoResult UdpSocket::SendTo(const Ipv4Endpoint& to, std::span<const uint8_t> datagram) {
    const sockaddr_in sa = to.ToSockaddr();
    const long n = ::sendto(handle_.Fd(), datagram.data(), datagram.size(), MSG_NOSIGNAL,
                            reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
    return IoResult::FromCall(n, errno);
}

UdpSocket::Datagram UdpSocket::ReceiveFrom(std::span<uint8_t> buffer) {
    Datagram d;
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    // MSG_TRUNC makes the call report the datagram's real length, so a cut one is recognised.
    const long n = ::recvfrom(handle_.Fd(), buffer.data(), buffer.size(), MSG_TRUNC,
                              reinterpret_cast<sockaddr*>(&sa), &len);
    d.io = IoResult::FromCall(n, errno);
    if (d.io.Ok()) {
        d.truncated = d.io.bytes > buffer.size();
        if (d.truncated) d.io.bytes = buffer.size();
        if (sa.sin_family == AF_INET) d.from = Ipv4Endpoint::FromSockaddr(sa);
    }
    return d;
}

}  // namespace nimbrel
