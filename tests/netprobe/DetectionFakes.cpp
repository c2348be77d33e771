#include "DetectionFakes.h"

#include <poll.h>

#include <chrono>
#include <cstring>
#include <stdexcept>

#include "platform/FixedText.h"
#include "service/ProbeDatagram.h"
#include "service/TcpProbe.h"

namespace nimbrel::test {
namespace {

const Ipv4Endpoint kLoopback = *Ipv4Endpoint::Parse("127.0.0.1", 0);

UdpSocket BoundLoopbackSocket() {
    auto s = UdpSocket::Open();
    if (!s || !s->Bind(kLoopback) || !s->Handle().SetNonBlocking())
        throw std::runtime_error("fake detection server cannot bind");
    return std::move(*s);
}

TcpListener LoopbackListener() {
    auto l = TcpListener::Listen(kLoopback);
    if (!l) throw std::runtime_error("fake greeting server cannot listen");
    return std::move(*l);
}

}  // namespace

std::vector<uint8_t> EchoDatagram(int type, int port, const std::string& address) {
    std::vector<uint8_t> d(kProbeDatagramSize, 0);
    d[0] = static_cast<uint8_t>(type);
    const std::string portText = std::to_string(port);
    std::memcpy(d.data() + 1, portText.data(), std::min<std::size_t>(portText.size(), 7));
    std::memcpy(d.data() + 8, address.data(), std::min<std::size_t>(address.size(), 15));
    return d;
}

FakeUdpDetection::FakeUdpDetection(Script script)
    : script_(std::move(script)), first_(BoundLoopbackSocket()), second_(BoundLoopbackSocket()) {
    thread_ = std::thread([this] { Serve(); });
}

FakeUdpDetection::~FakeUdpDetection() {
    stop_ = true;
    thread_.join();
}

void FakeUdpDetection::Fill(GlobalSettings& g) const {
    SetText(g.m_FirstDetection.ip, "127.0.0.1");
    g.m_FirstDetection.udpPort = first_->Handle().LocalEndpoint()->port;
    SetText(g.m_SecondDetection.ip, "127.0.0.1");
    g.m_SecondDetection.udpPort = second_->Handle().LocalEndpoint()->port;
}

std::vector<FakeUdpDetection::Request> FakeUdpDetection::Requests() const {
    std::lock_guard guard(lock_);
    return requests_;
}

int FakeUdpDetection::Count(Server server, int type) const {
    int n = 0;
    for (const auto& r : Requests())
        if (r.server == server && !r.bytes.empty() && r.bytes[0] == type) ++n;
    return n;
}

void FakeUdpDetection::Serve() {
    while (!stop_) {
        pollfd fds[2] = {{first_->Handle().Fd(), POLLIN, 0}, {second_->Handle().Fd(), POLLIN, 0}};
        if (::poll(fds, 2, 50) <= 0) continue;
        for (int i = 0; i < 2; ++i) {
            if (!(fds[i].revents & POLLIN)) continue;
            UdpSocket& socket = i == 0 ? *first_ : *second_;
            uint8_t buffer[64];
            const auto got = socket.ReceiveFrom(buffer);
            if (!got.io.Ok()) continue;
            const Server server = i == 0 ? Server::First : Server::Second;
            {
                std::lock_guard guard(lock_);
                requests_.push_back({server, {buffer, buffer + got.io.bytes}, got.from});
            }
            const int type = got.io.bytes > 0 ? buffer[0] : -1;
            for (const auto& answer : script_(server, type, got.from))
                socket.SendTo(got.from, answer);
        }
    }
}

GreetingServer::GreetingServer(Mode mode) : mode_(mode), listener_(LoopbackListener()) {
    thread_ = std::thread([this] { Serve(); });
}

GreetingServer::~GreetingServer() {
    stop_ = true;
    thread_.join();
}

std::vector<uint8_t> GreetingServer::Greeting() {
    std::unique_lock guard(lock_);
    changed_.wait_for(guard, std::chrono::seconds(30), [this] { return !greeting_.empty(); });
    return greeting_;
}

void GreetingServer::Serve() {
    std::optional<TcpSocket> peer;
    while (!stop_ && !peer) peer = listener_.Accept(50);
    if (!peer) return;
    std::vector<uint8_t> greeting(kTcpProbePacketSize);
    const bool whole = peer->ReceiveAll(greeting, 100, &stop_);
    {
        std::lock_guard guard(lock_);
        if (whole) greeting_ = greeting;
    }
    changed_.notify_all();
    if (mode_ == Mode::Answer) {
        const uint8_t answer[4] = {'o', 'k', '!', '\n'};
        peer->SendAll(answer, 1000, &stop_);
    }
    if (mode_ == Mode::Close) return;  // closes without an answer
    // Keep the connection open until the client closes it or the test ends.
    while (!stop_) {
        if (peer->Handle().WaitReadable(50) != WaitResult::Ready) continue;
        uint8_t byte;
        const IoResult r = peer->Receive({&byte, 1});
        if (r.kind == IoResult::Kind::Closed || r.kind == IoResult::Kind::Failed) return;
    }
}

}  // namespace nimbrel::test
