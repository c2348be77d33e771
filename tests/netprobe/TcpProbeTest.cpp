// The TCP probe against small loopback servers: the greeting's bytes, the stop flag, and servers
// it cannot address. (The simulator's shaped servers give the other results.)
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "DetectionFakes.h"
#include "platform/FixedText.h"
#include "service/TcpProbe.h"

namespace nimbrel {
namespace {

using test::GreetingServer;

class TcpProbeTest : public ::testing::Test {
  protected:
    void UseServer(int port, const char* ip = "127.0.0.1") {
        SetText(g.m_FirstDetection.ip, ip);
        g.m_FirstDetection.tcpPort = port;
    }
    GlobalSettings g;
};

TEST_F(TcpProbeTest, AnAnsweredGreetingGivesOne) {
    GreetingServer server(GreetingServer::Mode::Answer);
    UseServer(server.Port());
    EXPECT_EQ(RunTcpProbe(g), kProbeOpen);
    const auto greeting = server.Greeting();
    const auto expected = TcpProbePacket();
    EXPECT_EQ(greeting, std::vector<uint8_t>(expected.begin(), expected.end()));
}

TEST_F(TcpProbeTest, TheStopFlagEndsTheProbeWithFive) {
    GreetingServer server(GreetingServer::Mode::Silent);
    UseServer(server.Port());
    g.m_StopProbes = 1;
    EXPECT_EQ(RunTcpProbe(g), kProbeError);

    // Raised while the probe waits for the answer.
    g.m_StopProbes = 0;
    GreetingServer waiting(GreetingServer::Mode::Silent);
    UseServer(waiting.Port());
    std::thread stopper([&] {
        waiting.Greeting();
        g.m_StopProbes = 1;
    });
    EXPECT_EQ(RunTcpProbe(g), kProbeError);
    stopper.join();
}

TEST_F(TcpProbeTest, ServersThatCannotBeAddressedGiveFive) {
    UseServer(80, "");
    EXPECT_EQ(RunTcpProbe(g), kProbeError);
    UseServer(80, "not.an.address");
    EXPECT_EQ(RunTcpProbe(g), kProbeError);
    UseServer(0);
    EXPECT_EQ(RunTcpProbe(g), kProbeError);
    UseServer(70000);
    EXPECT_EQ(RunTcpProbe(g), kProbeError);
}

}  // namespace
}  // namespace nimbrel
