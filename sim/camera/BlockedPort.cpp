#include "camera/BlockedPort.h"

#include <sys/socket.h>

#include "platform/TcpSocket.h"

namespace nimbrel::sim {
namespace {

constexpr int kProbeMs = 300;
constexpr int kMaxFillers = 8;

}  // namespace

Result<int> BlockedPort::Open(Kind kind, int port) {
    using R = Result<int>;
    const auto local = Ipv4Endpoint::Parse("127.0.0.1", port);
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (!local || fd < 0) return R::Fail("cannot make a socket");
    socket_ = SocketHandle(fd);
    socket_.SetReuseAddress();
    if (!socket_.Bind(*local)) return R::Fail("cannot bind 127.0.0.1:" + std::to_string(port));
    const auto bound = socket_.LocalEndpoint();
    if (!bound) return R::Fail("no local address");
    if (kind == Kind::Refusing) return R::Ok(bound->port);
    if (::listen(fd, 0) != 0) return R::Fail("cannot listen");
    auto filled = FillAcceptQueue();
    if (!filled) return filled;
    return R::Ok(bound->port);
}

Result<int> BlockedPort::FillAcceptQueue() {
    const Ipv4Endpoint target = *socket_.LocalEndpoint();
    // Connect until one attempt hangs: that proves the queue full (the hanging probe itself
    // is dropped again).
    for (int i = 0; i < kMaxFillers; ++i) {
        auto probe = TcpSocket::Open();
        if (!probe) return Result<int>::Fail("cannot make a socket");
        probe->Handle().SetNonBlocking();
        const auto start = probe->StartConnect(target);
        if (start == TcpSocket::ConnectStart::Failed)
            return Result<int>::Fail("a connect to the port failed outright");
        if (start == TcpSocket::ConnectStart::InProgress) {
            if (probe->Handle().WaitWritable(kProbeMs) == WaitResult::TimedOut)
                return Result<int>::Ok(target.port);
            if (probe->ConnectError() != 0)
                return Result<int>::Fail("a connect to the port was refused");
        }
        fillers_.push_back(std::move(probe->Handle()));
    }
    return Result<int>::Fail("the accept queue never filled");
}

void BlockedPort::Close() {
    fillers_.clear();
    socket_.Close();
}

}  // namespace nimbrel::sim
