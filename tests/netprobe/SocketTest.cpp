// The socket wrappers on loopback: datagrams and their truncation, bounded waits, connects that
// succeed or are refused, whole-buffer transfers, a closed peer, and Shutdown waking a wait.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/TcpListener.h"
#include "platform/UdpSocket.h"

namespace nimbrel {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const Ipv4Endpoint kAnyLoopbackPort = *Ipv4Endpoint::Parse("127.0.0.1", 0);

TEST(Ipv4Endpoint, ParsesOnlyDottedQuadsAndPorts) {
    EXPECT_EQ(Ipv4Endpoint::Parse("10.1.2.3", 8080)->address, 0x0A010203u);
    for (const char* bad : {"10.1.2", "", "1.2.3.4.5", "1.2.3.256"})
        EXPECT_FALSE(Ipv4Endpoint::Parse(bad, 1)) << bad;
    EXPECT_FALSE(Ipv4Endpoint::Parse(std::string(40, '1'), 1));
    EXPECT_FALSE(Ipv4Endpoint::Parse("1.2.3.4", 65536));
    EXPECT_FALSE(Ipv4Endpoint::ParseDestination("1.2.3.4", 0));
}

TEST(UdpSocket, DatagramsArriveWithTheirSenderAndAreCutToTheBuffer) {
    auto a = UdpSocket::Open();
    auto b = UdpSocket::Open();
    ASSERT_TRUE(a && b);
    ASSERT_TRUE(a->Bind(kAnyLoopbackPort) && b->Bind(kAnyLoopbackPort));
    ASSERT_TRUE(b->Handle().SetNonBlocking());
    const auto to = *b->Handle().LocalEndpoint();

    uint8_t small[4];
    EXPECT_EQ(b->ReceiveFrom(small).io.kind, IoResult::Kind::WouldBlock);

    const uint8_t data[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    ASSERT_TRUE(a->SendTo(to, data).Ok());
    ASSERT_EQ(b->Handle().WaitReadable(5000), WaitResult::Ready);
    const auto got = b->ReceiveFrom(small);
    ASSERT_TRUE(got.io.Ok());
    EXPECT_EQ(got.io.bytes, 4u);
    EXPECT_TRUE(got.truncated);
    EXPECT_EQ(small[3], 4);
    EXPECT_EQ(got.from, *a->Handle().LocalEndpoint());
}

TEST(TcpSocket, ConnectsTransfersAndSeesTheClose) {
    auto listener = TcpListener::Listen(kAnyLoopbackPort);
    ASSERT_TRUE(listener);
    auto client = TcpSocket::Open();
    ASSERT_TRUE(client);
    ASSERT_TRUE(client->ConnectWithin(listener->Local(), 5000));
    auto server = listener->Accept(5000);
    ASSERT_TRUE(server);

    std::vector<uint8_t> big(1 << 20);
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 7);
    std::vector<uint8_t> received(big.size());
    std::thread reader([&] { EXPECT_TRUE(server->ReceiveAll(received, 5000)); });
    EXPECT_TRUE(client->SendAll(big, 5000));
    reader.join();
    EXPECT_EQ(received, big);

    client->Handle().Close();
    uint8_t byte;
    ASSERT_EQ(server->Handle().WaitReadable(5000), WaitResult::Ready);
    EXPECT_EQ(server->Receive({&byte, 1}).kind, IoResult::Kind::Closed);
    EXPECT_FALSE(server->ReceiveAll({&byte, 1}, 100));
}

TEST(TcpSocket, RefusedConnectsFailAndStopsEndTransfers) {
    Ipv4Endpoint unused;
    {
        auto listener = TcpListener::Listen(kAnyLoopbackPort);
        ASSERT_TRUE(listener);
        unused = listener->Local();
    }  // closed: nothing listens on the port now
    auto client = TcpSocket::Open();
    ASSERT_TRUE(client);
    EXPECT_FALSE(client->ConnectWithin(unused, 5000));

    auto listener = TcpListener::Listen(kAnyLoopbackPort);
    auto connected = TcpSocket::Open();
    ASSERT_TRUE(listener && connected && connected->ConnectWithin(listener->Local(), 5000));
    std::atomic<bool> stop{true};
    uint8_t byte;
    EXPECT_FALSE(connected->ReceiveAll({&byte, 1}, 5000, &stop));
}

TEST(SocketHandle, ShutdownWakesAWaitInAnotherThread) {
    auto listener = TcpListener::Listen(kAnyLoopbackPort);
    auto client = TcpSocket::Open();
    ASSERT_TRUE(listener && client && client->ConnectWithin(listener->Local(), 5000));
    const auto start = Clock::now();
    std::thread waker([&] {
        std::this_thread::sleep_for(50ms);
        client->Handle().Shutdown();
    });
    EXPECT_EQ(client->Handle().WaitReadable(60000), WaitResult::Ready);
    waker.join();
    EXPECT_LT(Clock::now() - start, 30s);
    uint8_t byte;
    EXPECT_EQ(client->Receive({&byte, 1}).kind, IoResult::Kind::Closed);
}

}  // namespace
}  // namespace nimbrel
