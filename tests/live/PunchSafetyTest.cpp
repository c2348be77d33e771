// NAT traversal that strangers cannot steer: datagrams that do not open with the stream key or
// name another device are ignored while the camera's own are followed, and the punched socket's
// descriptor belongs to UDT alone once UDT has taken it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "LiveFixture.h"
#include "live/StreamCipher.h"
#include "live/UdtTransport.h"
#include "platform/FixedText.h"

namespace nimbrel::test {
namespace {

using namespace std::chrono_literals;

class PunchSafety : public LiveFixture {};

// A datagram of `type` whose body is not sealed at all.
std::string Unsealed(uint8_t type) {
    std::string d(16 + 16, '0');
    d[0] = static_cast<char>(type);
    d[1] = 16;
    d[2] = 0;
    return d;
}

TEST_F(PunchSafety, PeerDatagramsFromStrangersAreIgnored) {
    Start("demo.json", "demo_user", "demo1234");
    const std::string key(GetText(client.g.m_StreamKey));
    // The punch socket's port is predictable: the next one of the process-wide counter, once the
    // UDT sockets of earlier tests in this process have let go of it.
    const uint16_t next = static_cast<uint16_t>(client.g.m_NextLocalPort + 1);
    ASSERT_TRUE(WaitUntil([&] {
        auto probe = UdpSocket::Open();
        return probe && probe->Bind({0, next});
    }));
    auto stranger = UdpSocket::Open();
    ASSERT_TRUE(stranger && stranger->Bind(*Ipv4Endpoint::Parse("127.0.0.1", 0)));
    ASSERT_TRUE(stranger->Handle().SetNonBlocking());

    // Probes and answers: unsealed ones, and sealed ones that name another device.
    std::vector<std::string> datagrams = {Unsealed(0x0A), Unsealed(0x09)};
    Json::Value other(Json::objectValue);
    other["sid"] = "NB0000000001";
    other["umac"] = "mallory,00:11:22:33:44:55";
    for (uint8_t type : {uint8_t{0x0A}, uint8_t{0x09}}) {
        Json::Value m = other;
        if (type == 0x09) m["type"] = "10";
        std::string sealed;
        ASSERT_TRUE(StreamWrap16(key, m, sealed, type));
        datagrams.push_back(sealed);
    }
    std::atomic<bool> done{false};
    std::thread flood([&] {
        while (!done) {
            for (uint16_t port = next; port < next + 5; ++port)
                for (const std::string& d : datagrams)
                    stranger->SendTo(*Ipv4Endpoint::Parse("127.0.0.1", port),
                                     {reinterpret_cast<const uint8_t*>(d.data()), d.size()});
            std::this_thread::sleep_for(5ms);
        }
    });

    CCamera& camera = Camera("NB0000000003");
    camera.CameraStart();
    const bool played = WaitUntil([&] { return camera.m_nStatus == kStatusPlaying; });
    done = true;
    flood.join();
    ASSERT_TRUE(played) << "status " << camera.m_nStatus;
    EXPECT_EQ(camera.m_DeviceNATType, kDeviceNatTraversal);

    // The client never answered the stranger, and it is connected to the camera's punch socket.
    uint8_t buffer[2048];
    const auto got = stranger->ReceiveFrom(buffer);
    EXPECT_FALSE(got.io.Ok()) << "the client sent " << got.io.bytes << " bytes to the stranger";
    std::string punchSocket;
    for (const Json::Value& line : sim->RequestLog())
        if (line["rendezvous"] == "C" && line["sid"] == "NB0000000003")
            punchSocket = line["answer"].asString();
    EXPECT_EQ(camera.ConnectedAddress(), punchSocket);
}

TEST(UdtListener, TheDescriptorIsUdtsAloneOnceItWasBound) {
    UdtStartup();
    auto punched = UdpSocket::Open();
    ASSERT_TRUE(punched && punched->Bind(*Ipv4Endpoint::Parse("127.0.0.1", 0)));
    const int fd = punched->Handle().Fd();
    // A backlog of 0 makes UDT refuse to listen after it has bound onto the socket.
    EXPECT_EQ(ListenOnPunchedSocket(*punched, 0), UDT::INVALID_SOCK);
    punched.reset();
    // UDT closes the descriptor with its socket, a while after the close: until then it is open,
    // and no other socket may be given its number.
    EXPECT_NE(fcntl(fd, F_GETFD), -1) << "the descriptor was closed beside UDT";
    auto unrelated = UdpSocket::Open();
    ASSERT_TRUE(unrelated);
    const int other = unrelated->Handle().Fd();
    EXPECT_NE(other, fd);
    ASSERT_TRUE(LiveFixture::WaitUntil([&] { return fcntl(fd, F_GETFD) == -1; }, 10s));
    EXPECT_NE(fcntl(other, F_GETFD), -1) << "UDT's close took an unrelated socket with it";
}

// The threads of this process, from the kernel's list.
int ThreadCount() {
    return static_cast<int>(std::distance(std::filesystem::directory_iterator("/proc/self/task"),
                                          std::filesystem::directory_iterator{}));
}

int threadsBeforeUdt = 0;

// A process that listened on a punched socket ends without UDT's own threads still running:
// left running, they would go on using the library's globals while those are destroyed. The
// exit runs in a child process; a check registered before UDT started runs after its clean-up.
TEST(UdtListener, NoUdtThreadOutlivesTheProcessExit) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            threadsBeforeUdt = ThreadCount();
            std::atexit([] {
                // A joined thread leaves the kernel's list a moment after its join returns; a
                // thread still running stays in it (UDT's own wake up at least once a second
                // and never end by themselves).
                for (int i = 0; i < 200 && ThreadCount() > threadsBeforeUdt; ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                if (ThreadCount() > threadsBeforeUdt) _exit(4);
            });
            UdtStartup();
            auto punched = UdpSocket::Open();
            if (!punched || !punched->Bind(*Ipv4Endpoint::Parse("127.0.0.1", 0))) std::exit(2);
            const UDTSOCKET listener = ListenOnPunchedSocket(*punched, 10);
            if (listener == UDT::INVALID_SOCK) std::exit(3);
            CloseAtOnce(listener);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace nimbrel::test
