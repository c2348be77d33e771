#include "DetectionServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "RequestLog.h"

namespace nimbrel::sim {
namespace {

constexpr std::size_t kProbeSize = 24;
constexpr std::size_t kMaxClients = 32;
constexpr int kPollMs = 200;

std::string Errno(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

sockaddr_in Loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

int BoundPort(int fd) {
    sockaddr_in a{};
    socklen_t len = sizeof a;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) return -1;
    return ntohs(a.sin_port);
}

// A non-blocking socket bound to 127.0.0.1:port, or -1 with `error` set.
int BindSocket(int type, int port, std::string& error) {
    const int fd = socket(AF_INET, type | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = Errno("socket");
        return -1;
    }
    const int one = 1;
    if (type == SOCK_STREAM) setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    const sockaddr_in a = Loopback(port);
    if (bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
        error = Errno("bind 127.0.0.1:" + std::to_string(port));
        close(fd);
        return -1;
    }
    return fd;
}

void CloseFd(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

std::string AddressText(const sockaddr_in& a) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &a.sin_addr, text, sizeof text);
    return text;
}

}  // namespace

DetectionServer::DetectionServer(DetectionRole role, UdpShape udpShape, Mapping mapping,
                                 TcpShape tcpShape, RequestLog* log)
    : role_(role), udpShape_(udpShape), mapping_(mapping), tcpShape_(tcpShape), log_(log) {}

DetectionServer::~DetectionServer() {
    Stop();
}

std::string DetectionServer::Frame(const std::string& json) {
    std::string packet(kHeaderSize, '\0');
    const auto length = static_cast<uint32_t>(json.size());
    for (int i = 0; i < 4; ++i) packet[4 + i] = static_cast<char>((length >> (8 * i)) & 0xFF);
    return packet + json;
}

Result<EndpointSpec> DetectionServer::Start(EndpointSpec wanted) {
    using R = Result<EndpointSpec>;
    std::string error;
    udpFd_ = BindSocket(SOCK_DGRAM, wanted.udpPort, error);
    if (udpFd_ < 0) return R::Fail(error);
    otherUdpFd_ = BindSocket(SOCK_DGRAM, 0, error);
    if (otherUdpFd_ < 0) return R::Fail(error);
    tcpFd_ = BindSocket(SOCK_STREAM, wanted.tcpPort, error);
    if (tcpFd_ < 0) return R::Fail(error);
    // A refusing server keeps its port bound but never listens, so connections are reset.
    if (tcpShape_ != TcpShape::Refuse && listen(tcpFd_, 16) != 0) return R::Fail(Errno("listen"));

    EndpointSpec bound{BoundPort(tcpFd_), BoundPort(udpFd_)};
    if (bound.tcpPort <= 0 || bound.udpPort <= 0) return R::Fail(Errno("getsockname"));
    thread_ = std::thread([this] { Run(); });
    return R::Ok(bound);
}

void DetectionServer::Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    for (auto& c : clients_) CloseFd(c.fd);
    clients_.clear();
    CloseFd(udpFd_);
    CloseFd(otherUdpFd_);
    CloseFd(tcpFd_);
}

void DetectionServer::Log(OrderedJson line) {
    if (log_) log_->Write(line);
}

void DetectionServer::Run() {
    const bool listening = tcpShape_ != TcpShape::Refuse;
    while (!stop_) {
        std::vector<pollfd> fds;
        fds.push_back({udpFd_, POLLIN, 0});
        fds.push_back({listening ? tcpFd_ : -1, POLLIN, 0});
        for (const auto& c : clients_) fds.push_back({c.fd, POLLIN, 0});
        const int ready = poll(fds.data(), fds.size(), kPollMs);
        if (ready < 0 && errno != EINTR) break;
        if (ready <= 0) continue;
        // Clients first, while their indexes still match this round's poll list.
        std::vector<TcpClient> kept;
        for (std::size_t i = 0; i < clients_.size(); ++i) {
            TcpClient& c = clients_[i];
            if (fds[2 + i].revents != 0 && !ServeTcp(c))
                CloseFd(c.fd);
            else
                kept.push_back(std::move(c));
        }
        clients_ = std::move(kept);
        if (fds[0].revents & POLLIN) ServeUdp();
        if (fds[1].revents & POLLIN) AcceptTcp();
    }
}

void DetectionServer::ServeUdp() {
    unsigned char buf[512];
    sockaddr_in from{};
    socklen_t fromLen = sizeof from;
    const ssize_t n =
        recvfrom(udpFd_, buf, sizeof buf, MSG_TRUNC, reinterpret_cast<sockaddr*>(&from), &fromLen);
    if (n < 0) return;
    const std::string seenAddress = AddressText(from);
    const int seenPort = ntohs(from.sin_port);

    OrderedJson line = OrderedJson::Object();
    line.Set("path", "detection")
        .Set("server", RoleName(role_))
        .Set("proto", "udp")
        .Set("from", seenAddress + ":" + std::to_string(seenPort));
    if (static_cast<std::size_t>(n) != kProbeSize) {
        line.Set("error", "datagram of " + std::to_string(n) + " bytes, not 24");
        return Log(std::move(line));
    }
    bool zeros = true;
    for (std::size_t i = 1; i < kProbeSize; ++i) zeros = zeros && buf[i] == 0;
    const int type = buf[0];
    line.Set("type", type);
    if (!zeros) {
        line.Set("error", "bytes 1-23 are not zero");
        return Log(std::move(line));
    }
    if (!ServesType(role_, type)) {
        line.Set("error", "request type not served by this server");
        return Log(std::move(line));
    }
    // Answers go back only to loopback senders.
    if ((ntohl(from.sin_addr.s_addr) >> 24) != 127) {
        line.Set("error", "sender is not on loopback");
        return Log(std::move(line));
    }
    const auto answer = PlanUdpAnswer(udpShape_, mapping_, role_, type, seenAddress, seenPort);
    line.Set("answered", OrderedJson::Bool(answer.has_value()));
    if (answer) {
        const std::string datagram = EncodeUdpAnswer(*answer);
        const int fd = answer->fromOtherPort ? otherUdpFd_ : udpFd_;
        sendto(fd, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&from),
               fromLen);
        line.Set("reported", answer->address + ":" + std::to_string(answer->port));
        if (answer->fromOtherPort) line.Set("fromPort", BoundPort(fd));
    }
    Log(std::move(line));
}

void DetectionServer::AcceptTcp() {
    sockaddr_in from{};
    socklen_t fromLen = sizeof from;
    const int fd =
        accept4(tcpFd_, reinterpret_cast<sockaddr*>(&from), &fromLen, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;
    if (clients_.size() >= kMaxClients) {
        CloseFd(clients_.front().fd);
        clients_.erase(clients_.begin());
    }
    clients_.push_back(
        TcpClient{fd, AddressText(from) + ":" + std::to_string(ntohs(from.sin_port)), {}, false});
}

bool DetectionServer::ServeTcp(TcpClient& c) {
    char buf[1024];
    const ssize_t n = recv(c.fd, buf, sizeof buf, 0);
    if (n < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
    if (n == 0) return false;
    if (c.answered) return true;  // anything after the greeting is ignored
    c.buffer.append(buf, static_cast<std::size_t>(n));

    OrderedJson line = OrderedJson::Object();
    line.Set("path", "detection")
        .Set("server", RoleName(role_))
        .Set("proto", "tcp")
        .Set("from", c.from);
    if (c.buffer.size() < kHeaderSize) return true;
    uint32_t length = 0;
    for (int i = 0; i < 4; ++i)
        length |= static_cast<uint32_t>(static_cast<unsigned char>(c.buffer[4 + i])) << (8 * i);
    if (c.buffer[0] != 0 || length > kMaxJson) {
        line.Set("error", "greeting header: type byte " +
                              std::to_string(static_cast<unsigned char>(c.buffer[0])) +
                              ", length " + std::to_string(length));
        Log(std::move(line));
        return false;
    }
    if (c.buffer.size() < kHeaderSize + length) return true;
    line.Set("payload", c.buffer.substr(kHeaderSize, length));
    c.answered = true;
    const bool answer = tcpShape_ == TcpShape::Greet;
    line.Set("answered", OrderedJson::Bool(answer));
    Log(std::move(line));
    if (answer) {
        const std::string reply = Frame("{\"tcp\":\"hello\"}");
        send(c.fd, reply.data(), reply.size(), MSG_NOSIGNAL);
    }
    return tcpShape_ != TcpShape::Close;
}

}  // namespace nimbrel::sim
