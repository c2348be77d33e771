#include "platform/TcpSocket.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <cerrno>

namespace nimbrel {

std::optional<TcpSocket> TcpSocket::Open() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return std::nullopt;
    return TcpSocket(SocketHandle(fd));
}

TcpSocket::ConnectStart TcpSocket::StartConnect(const Ipv4Endpoint& peer) {
    const sockaddr_in sa = peer.ToSockaddr();
    if (::connect(handle_.Fd(), reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0)
        return ConnectStart::Connected;
    return errno == EINPROGRESS ? ConnectStart::InProgress : ConnectStart::Failed;
}

bool TcpSocket::ConnectWithin(const Ipv4Endpoint& peer, int timeoutMs) {
    if (!handle_.SetNonBlocking()) return false;
    switch (StartConnect(peer)) {
        case ConnectStart::Connected:
            return true;
        case ConnectStart::Failed:
            return false;
        case ConnectStart::InProgress:
            break;
    }
    return handle_.WaitWritable(timeoutMs) == WaitResult::Ready && ConnectError() == 0;
}

bool TcpSocket::SetNoDelay(bool on) {
    const int value = on ? 1 : 0;
    return ::setsockopt(handle_.Fd(), IPPROTO_TCP, TCP_NODELAY, &value, sizeof value) == 0;
}

IoResult TcpSocket::Send(std::span<const uint8_t> data) {
    const long n = ::send(handle_.Fd(), data.data(), data.size(), MSG_NOSIGNAL);
    return IoResult::FromCall(n, errno);
}

IoResult TcpSocket::Receive(std::span<uint8_t> buffer) {
    const long n = ::recv(handle_.Fd(), buffer.data(), buffer.size(), 0);
    IoResult r = IoResult::FromCall(n, errno);
    if (r.Ok() && r.bytes == 0 && !buffer.empty()) r.kind = IoResult::Kind::Closed;
    return r;
}

bool TcpSocket::SendAll(std::span<const uint8_t> data, int waitMs, const std::atomic<bool>* stop) {
    std::size_t done = 0;
    while (done < data.size()) {
        if (stop && stop->load()) return false;
        const IoResult r = Send(data.subspan(done));
        if (r.Ok()) {
            done += r.bytes;
        } else if (r.kind != IoResult::Kind::WouldBlock ||
                   handle_.WaitWritable(waitMs) != WaitResult::Ready) {
            return false;
        }
    }
    return true;
}

bool TcpSocket::ReceiveAll(std::span<uint8_t> buffer, int waitMs, const std::atomic<bool>* stop) {
    std::size_t done = 0;
    while (done < buffer.size()) {
        if (stop && stop->load()) return false;
        const IoResult r = Receive(buffer.subspan(done));
        if (r.Ok()) {
            done += r.bytes;
        } else if (r.kind != IoResult::Kind::WouldBlock ||
                   handle_.WaitReadable(waitMs) != WaitResult::Ready) {
            return false;
        }
    }
    return true;
}

}  // namespace nimbrel
