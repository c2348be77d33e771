#include "camera/TcpStreamLink.h"

#include <sys/socket.h>

namespace nimbrel::sim {

TcpStreamLink::TcpStreamLink(TcpSocket socket, const std::atomic<bool>* stop)
    : socket_(std::move(socket)), stop_(stop) {
    socket_.Handle().SetNonBlocking();
    socket_.SetNoDelay();
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (::getpeername(socket_.Handle().Fd(), reinterpret_cast<sockaddr*>(&address), &length) == 0)
        peer_ = Ipv4Endpoint::FromSockaddr(address);
}

StreamLink::Receive TcpStreamLink::ReceiveSome(std::span<uint8_t> buffer, int waitMs,
                                               std::size_t& got) {
    got = 0;
    const WaitResult wait = socket_.Handle().WaitReadable(waitMs);
    if (wait == WaitResult::TimedOut) return Receive::TimedOut;
    if (wait == WaitResult::Failed) return Receive::Failed;
    const IoResult io = socket_.Receive(buffer);
    switch (io.kind) {
        case IoResult::Kind::Done:
            got = io.bytes;
            return Receive::Data;
        case IoResult::Kind::WouldBlock:
            return Receive::TimedOut;
        case IoResult::Kind::Closed:
            return Receive::Closed;
        case IoResult::Kind::Failed:
            break;
    }
    return Receive::Failed;
}

bool TcpStreamLink::SendAll(std::string_view bytes) {
    const std::span<const uint8_t> data(reinterpret_cast<const uint8_t*>(bytes.data()),
                                        bytes.size());
    constexpr int kStepMs = 200;
    std::size_t done = 0;
    int waitedMs = 0;
    while (done < data.size()) {
        if (stop_ && stop_->load()) return false;
        const IoResult r = socket_.Send(data.subspan(done));
        if (r.Ok()) {
            done += r.bytes;
            waitedMs = 0;
            continue;
        }
        if (r.kind != IoResult::Kind::WouldBlock || waitedMs >= kSendWaitMs) return false;
        const WaitResult wait = socket_.Handle().WaitWritable(kStepMs);
        if (wait == WaitResult::Failed) return false;
        if (wait == WaitResult::TimedOut) waitedMs += kStepMs;
    }
    return true;
}

void TcpStreamLink::Close() {
    socket_.Handle().Shutdown();
}

std::string TcpStreamLink::Peer() const {
    return peer_.AddressText() + ":" + std::to_string(peer_.port);
}

}  // namespace nimbrel::sim
