// NAT traversal against the simulated cameras, with a bare client: the rendezvous answers a
// 'C' datagram with the camera's punch address (or stays silent when told to), the camera
// probes and answers, and after the confirmation connects UDT to the client's punched socket
// and streams over it with the older protocol (Speex, never AAC).
#include <gtest/gtest.h>
#include <udt/udt.h>

#include <chrono>
#include <thread>

#include "FleetFixture.h"
#include "StreamTestClient.h"
#include "platform/UdpSocket.h"
#include "text/JsonText.h"

namespace nimbrel::sim::test {
namespace {

using Clock = std::chrono::steady_clock;
const std::string kUmac = "demo_user,00:11:22:33:44:55";

class CameraPunchTest : public FleetFixture {
  public:
    void SetUp() override {
        socket_ = UdpSocket::Open();
        ASSERT_TRUE(socket_ && socket_->Bind(*Ipv4Endpoint::Parse("127.0.0.1", 0)));
        rendezvous_ = *Ipv4Endpoint::Parse("127.0.0.1", fleet_->RendezvousPort());
    }

    Json::Value Message(const std::string& sid, const char* type = nullptr) const {
        Json::Value m(Json::objectValue);
        m["sid"] = sid;
        m["umac"] = kUmac;
        if (type) m["type"] = type;
        return m;
    }
    void SendTo(const Ipv4Endpoint& to, int type, const Json::Value& m) {
        const std::string d = SealedDatagram(type, m);
        socket_->SendTo(
            to, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(d.data()), d.size()));
    }
    struct Datagram {
        int type = -1;
        Ipv4Endpoint from;
        std::optional<Json::Value> message;
    };
    std::optional<Datagram> Receive(int waitMs) {
        if (socket_->Handle().WaitReadable(waitMs) != WaitResult::Ready) return std::nullopt;
        uint8_t buffer[2048];
        const auto d = socket_->ReceiveFrom(buffer);
        if (!d.io.Ok()) return std::nullopt;
        const std::string_view bytes(reinterpret_cast<const char*>(buffer), d.io.bytes);
        return Datagram{buffer[0], d.from, OpenDatagram(bytes)};
    }
    // Sends 'C' every 200 ms until a 0x0B answer (or 3 s pass); the camera's address.
    std::optional<Ipv4Endpoint> AskRendezvous(const std::string& sid) {
        const auto deadline = Clock::now() + std::chrono::seconds(3);
        while (Clock::now() < deadline) {
            SendTo(rendezvous_, 0x43, Message(sid));
            const auto until = Clock::now() + std::chrono::milliseconds(200);
            while (Clock::now() < until) {
                auto d = Receive(50);
                if (!d || d->type != 0x0B) continue;
                EXPECT_EQ(d->from, rendezvous_);
                if (!d->message) return std::nullopt;
                return Ipv4Endpoint::Parse((*d->message)["ip"].asString(),
                                           std::stol((*d->message)["port"].asString()));
            }
        }
        return std::nullopt;
    }

    std::optional<UdpSocket> socket_;
    Ipv4Endpoint rendezvous_;
};

// Reads exactly `count` bytes from a UDT socket within a few seconds.
bool UdtRead(UDTSOCKET u, std::string& out, std::size_t count) {
    const int timeout = 5000;
    UDT::setsockopt(u, 0, UDT_RCVTIMEO, &timeout, sizeof timeout);
    std::size_t done = out.size();
    out.resize(done + count);
    while (done < out.size()) {
        const int n = UDT::recv(u, out.data() + done, static_cast<int>(out.size() - done), 0);
        if (n <= 0) return false;
        done += n;
    }
    return true;
}

// One packet over UDT: its kind and, for a sealed one, the message.
std::optional<StreamPacket> UdtPacket(UDTSOCKET u) {
    StreamPacket p;
    if (!UdtRead(u, p.bytes, 3)) return std::nullopt;
    p.kind = static_cast<uint8_t>(p.bytes[0]);
    const std::size_t rest = p.kind == 0x32   ? p.Length() + 5
                             : p.kind == 0x46 ? p.Length() + 22
                                              : p.Length() + 8;
    if (!UdtRead(u, p.bytes, rest)) return std::nullopt;
    if (p.kind == 0x32) {
        std::string datagram =
            p.bytes.substr(0, 3) + std::string(9, '\0') + p.bytes.substr(3, 4) + p.bytes.substr(8);
        p.message = OpenDatagram(datagram);
    }
    return p;
}

bool UdtSend(UDTSOCKET u, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const int n = UDT::send(u, bytes.data() + done, static_cast<int>(bytes.size() - done), 0);
        if (n <= 0) return false;
        done += n;
    }
    return true;
}

TEST_F(CameraPunchTest, RendezvousAnswersWithTheCamerasAddress) {
    const auto peer = AskRendezvous("NB0000000003");
    ASSERT_TRUE(peer);
    EXPECT_TRUE(peer->IsLoopback());
    EXPECT_NE(peer->port, rendezvous_.port);
    // The camera starts probing the address the rendezvous saw, from the address it named.
    std::optional<Datagram> probe;
    for (int i = 0; i < 20 && !probe; ++i)
        if (auto d = Receive(100); d && d->type == 0x0A) probe = d;
    ASSERT_TRUE(probe);
    EXPECT_EQ(probe->from, *peer);
    ASSERT_TRUE(probe->message);
    EXPECT_EQ((*probe->message)["sid"], "NB0000000003");
    const auto line = WaitForLine(
        [](const Json::Value& l) { return l["rendezvous"] == "C" && l["sid"] == "NB0000000003"; });
    ASSERT_TRUE(line);
    EXPECT_EQ((*line)["umac"], kUmac);
}

TEST_F(CameraPunchTest, SilentRendezvousAndUnknownCamerasGetNoAnswer) {
    for (const char* sid : {"NB0000000010", "NB0000000001", "NB0000000077"}) {
        SendTo(rendezvous_, 0x43, Message(sid));
        std::optional<Datagram> answer;
        const auto until = Clock::now() + std::chrono::milliseconds(1000);
        while (Clock::now() < until && !answer) answer = Receive(100);
        EXPECT_FALSE(answer) << sid;
    }
    EXPECT_TRUE(WaitForLine(
        [](const Json::Value& l) { return l["sid"] == "NB0000000010" && l["answer"] == "none"; }));
}

TEST_F(CameraPunchTest, PunchFromAnotherPortThanTheNamedOne) {
    const auto peer = AskRendezvous("NB0000000015");
    ASSERT_TRUE(peer);
    std::optional<Datagram> probe;
    for (int i = 0; i < 20 && !probe; ++i)
        if (auto d = Receive(100); d && d->type == 0x0A) probe = d;
    ASSERT_TRUE(probe);
    EXPECT_TRUE(probe->from.IsLoopback());
    EXPECT_NE(probe->from.port, peer->port);
}

// The client's side of the punch, as the live view does it: probes to the camera's address
// (following the address its probes come from), answers to its probes, a confirmation once
// both were seen; then UDT is accepted on the punched socket. The accepted UDT socket.
UDTSOCKET PunchAndAccept(CameraPunchTest& t, const std::string& sid) {
    const auto named = t.AskRendezvous(sid);
    EXPECT_TRUE(named);
    if (!named) return UDT::INVALID_SOCK;
    Ipv4Endpoint peer = *named;
    bool sawProbe = false, sawAnswer = false;
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    auto nextProbe = Clock::now();
    while (!(sawProbe && sawAnswer) && Clock::now() < deadline) {
        if (Clock::now() >= nextProbe) {
            t.SendTo(peer, 0x0A, t.Message(sid));
            nextProbe = Clock::now() + std::chrono::milliseconds(200);
        }
        auto d = t.Receive(50);
        if (!d || !d->message) continue;
        if (d->type == 0x0A) {
            sawProbe = true;
            peer = d->from;
            t.SendTo(peer, 0x09, t.Message(sid, "10"));
        } else if (d->type == 0x09 && (*d->message)["type"] == "10") {
            sawAnswer = true;
        }
    }
    EXPECT_TRUE(sawProbe && sawAnswer);

    // The confirmation goes out just before UDT takes the socket over; the camera's UDT
    // handshake is repeated until the listener is there.
    t.SendTo(peer, 0x10, t.Message(sid));
    UDTSOCKET listener = UDT::socket(AF_INET, SOCK_STREAM, 0);
    const bool no = false;
    UDT::setsockopt(listener, 0, UDT_RCVSYN, &no, sizeof no);
    t.socket_->Handle().SetNonBlocking(false);
    EXPECT_NE(UDT::bind2(listener, t.socket_->Handle().Fd()), UDT::ERROR);
    t.socket_->Handle().Release();  // UDT owns it now
    EXPECT_NE(UDT::listen(listener, 10), UDT::ERROR);

    UDTSOCKET stream = UDT::INVALID_SOCK;
    const auto acceptBy = Clock::now() + std::chrono::seconds(5);
    while (stream == UDT::INVALID_SOCK && Clock::now() < acceptBy) {
        stream = UDT::accept(listener, nullptr, nullptr);
        if (stream == UDT::INVALID_SOCK) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    UDT::close(listener);
    const bool yes = true;
    if (stream != UDT::INVALID_SOCK) UDT::setsockopt(stream, 0, UDT_RCVSYN, &yes, sizeof yes);
    return stream;
}

TEST_F(CameraPunchTest, PunchThenStreamOverUdt) {
    UDTSOCKET stream = PunchAndAccept(*this, "NB0000000003");
    ASSERT_NE(stream, UDT::INVALID_SOCK) << "the camera did not connect UDT";
    ASSERT_TRUE(UdtSend(stream, SealedPacket(ConnectFor("NB0000000003", "4", "1.2"))));
    auto reply = UdtPacket(stream);
    ASSERT_TRUE(reply && reply->message);
    EXPECT_EQ((*reply->message)["type"], "connect");
    EXPECT_EQ((*reply->message)["audioType"], "speex") << "no AAC over UDT";
    Json::Value startup(Json::objectValue);
    startup["type"] = "startup";
    ASSERT_TRUE(UdtSend(stream, SealedPacket(startup)));
    int video = 0;
    for (int i = 0; i < 60; ++i) {
        auto p = UdtPacket(stream);
        ASSERT_TRUE(p);
        ASSERT_NE(p->kind, 0x5B);
        video += p->kind == 0x46;
    }
    EXPECT_GT(video, 0);
    Json::Value running(Json::objectValue);
    running["type"] = "control";
    running["cmd"] = "running";
    running["umac"] = kUmac;
    ASSERT_TRUE(UdtSend(stream, SealedPacket(running)));
    EXPECT_TRUE(WaitForLine([](const Json::Value& l) {
        return l["stream"] == "NB0000000003" && l["via"] == "udt" &&
               l["message"]["cmd"] == "running";
    }));
    UDT::close(stream);
    EXPECT_TRUE(WaitForLine([](const Json::Value& l) {
        return l["stream"] == "NB0000000003" && l["via"] == "udt" && l["event"] == "closed";
    }));
}

TEST_F(CameraPunchTest, PunchFromAnotherPortStillConnects) {
    UDTSOCKET stream = PunchAndAccept(*this, "NB0000000015");
    ASSERT_NE(stream, UDT::INVALID_SOCK);
    ASSERT_TRUE(UdtSend(stream, SealedPacket(ConnectFor("NB0000000015", "4", "1.2"))));
    auto reply = UdtPacket(stream);
    ASSERT_TRUE(reply && reply->message);
    EXPECT_EQ((*reply->message)["type"], "connect");
    UDT::close(stream);
}

TEST_F(CameraPunchTest, NewAttemptFromTheSameAddressGetsAFreshPunch) {
    const auto first = AskRendezvous("NB0000000003");
    ASSERT_TRUE(first);
    SendTo(rendezvous_, 0x4B, Message("NB0000000003", "K"));
    const auto second = AskRendezvous("NB0000000003");
    ASSERT_TRUE(second);
    EXPECT_NE(first->port, second->port);
    EXPECT_TRUE(WaitForLine([](const Json::Value& l) {
        return l["punch"] == "NB0000000003" && l["event"] == "failed" &&
               l["detail"].asString().find("new attempt") != std::string::npos;
    }));
}

}  // namespace
}  // namespace nimbrel::sim::test
