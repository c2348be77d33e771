// The UDP probe against scripted loopback detection servers: every result, the request
// datagrams and the port they come from, broken and stray answers, silence, a taken port 9467,
// the stop flag, and the probe threads with the warning of an abnormal network.
// Binds the fixed port 9467: runs in a network namespace of its own (or alone).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "DetectionFakes.h"
#include "RecordingNotifier.h"
#include "platform/FixedText.h"
#include "service/NetworkProbes.h"
#include "service/ProbeDatagram.h"
#include "service/UdpProbe.h"

namespace nimbrel {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::EchoDatagram;
using test::FakeUdpDetection;
using test::Server;
using Datagrams = std::vector<std::vector<uint8_t>>;

// How a translating router would look: the servers see the client, but report a mapped port.
constexpr int kMappedPort = 40000;

// A script in which the first server reports `mapped` for types 1 and 41, and the types in
// `answered` are answered at all.
FakeUdpDetection::Script Translated(std::vector<int> answered, int secondPort = kMappedPort,
                                    std::string secondAddress = "127.0.0.1") {
    return [=](Server server, int type, const Ipv4Endpoint&) -> Datagrams {
        if (std::find(answered.begin(), answered.end(), type) == answered.end()) return {};
        if (server == Server::Second) return {EchoDatagram(type, secondPort, secondAddress)};
        return {EchoDatagram(type, kMappedPort, "127.0.0.1")};
    };
}

class UdpProbeTest : public ::testing::Test {
  protected:
    void SetUp() override { SetText(g.m_LocalIp, "127.0.0.1"); }
    int32_t Probe(FakeUdpDetection& fake) {
        fake.Fill(g);
        return RunUdpProbe(g);
    }
    GlobalSettings g;
};

TEST_F(UdpProbeTest, SeeingItsOwnAddressGivesOneAtOnce) {
    FakeUdpDetection fake([](Server, int type, const Ipv4Endpoint& from) -> Datagrams {
        if (type != 1) return {};
        return {EchoDatagram(1, from.port, from.AddressText())};
    });
    EXPECT_EQ(Probe(fake), kProbeOpen);
    // Usually one request; a reply that comes later than a wait makes another try.
    const auto requests = fake.Requests();
    ASSERT_FALSE(requests.empty());
    const auto request = ProbeRequest(1);
    for (const auto& r : requests) {
        EXPECT_EQ(r.server, Server::First);
        EXPECT_EQ(r.from.port, kUdpProbePort);
        EXPECT_EQ(r.from.AddressText(), "127.0.0.1");
        EXPECT_EQ(r.bytes, std::vector<uint8_t>(request.begin(), request.end()));
    }
}

// The simulator shapes every class; these are the cases it cannot make.
TEST_F(UdpProbeTest, MappingsAreComparedAsNumbersAndEveryStepTriesTenTimes) {
    FakeUdpDetection notation(Translated({1, 41, 21}, kMappedPort, "127.1"));
    EXPECT_EQ(Probe(notation), kProbeRestricted);

    FakeUdpDetection filtered(Translated({1, 41}));
    EXPECT_EQ(Probe(filtered), kProbeNoAnswer);
    // Each try sends once: unanswered steps send exactly ten requests.
    EXPECT_GE(filtered.Count(Server::First, 1), 1);
    EXPECT_EQ(filtered.Count(Server::First, 11), 10);
    EXPECT_GE(filtered.Count(Server::Second, 41), 1);
    EXPECT_EQ(filtered.Count(Server::First, 21), 10);
    EXPECT_EQ(filtered.Count(Server::First, 31), 10);
}

TEST_F(UdpProbeTest, SilentServersGiveZeroAfterAboutASecond) {
    FakeUdpDetection fake([](Server, int, const Ipv4Endpoint&) { return Datagrams{}; });
    const auto start = Clock::now();
    EXPECT_EQ(Probe(fake), kProbeNoAnswer);
    EXPECT_LT(Clock::now() - start, 20s);
    EXPECT_EQ(fake.Count(Server::First, 1), 10);
    EXPECT_EQ(fake.Requests().size(), 10u);
}

TEST_F(UdpProbeTest, BrokenAndStrayAnswersUseUpTries) {
    // The first three requests get a short datagram, an unterminated address and an answer of
    // another type; only the fourth is answered properly.
    std::atomic<int> asked{0};
    FakeUdpDetection fake([&](Server, int type, const Ipv4Endpoint& from) -> Datagrams {
        if (type != 1) return {};
        auto good = EchoDatagram(1, from.port, from.AddressText());
        switch (++asked) {
            case 1:
                return {Datagrams::value_type(good.begin(), good.begin() + 12)};
            case 2: {
                auto unterminated = good;
                std::fill(unterminated.begin() + 8, unterminated.end(), '7');
                return {unterminated};
            }
            case 3:
                return {EchoDatagram(11, from.port, from.AddressText())};
            default:
                return {good};
        }
    });
    EXPECT_EQ(Probe(fake), kProbeOpen);
    EXPECT_GE(fake.Count(Server::First, 1), 4);

    // Only stray answers: all ten tries are used up.
    FakeUdpDetection stray([](Server, int, const Ipv4Endpoint& from) -> Datagrams {
        return {EchoDatagram(99, from.port, from.AddressText())};
    });
    EXPECT_EQ(Probe(stray), kProbeNoAnswer);
    EXPECT_EQ(stray.Count(Server::First, 1), 10);
}

TEST_F(UdpProbeTest, ATakenPortAndUnusableSettingsGiveFive) {
    FakeUdpDetection fake(Translated({1, 11}));
    {
        auto holder = UdpSocket::Open();
        ASSERT_TRUE(holder && holder->Bind(*Ipv4Endpoint::Parse("127.0.0.1", kUdpProbePort)));
        EXPECT_EQ(Probe(fake), kProbeError);
    }
    EXPECT_TRUE(fake.Requests().empty());

    SetText(g.m_LocalIp, "");
    EXPECT_EQ(Probe(fake), kProbeError);
    SetText(g.m_LocalIp, "127.0.0.1");
    fake.Fill(g);
    SetText(g.m_FirstDetection.ip, "nowhere");
    EXPECT_EQ(RunUdpProbe(g), kProbeError);
    fake.Fill(g);
    g.m_FirstDetection.udpPort = 0;
    EXPECT_EQ(RunUdpProbe(g), kProbeError);
    EXPECT_TRUE(fake.Requests().empty());

    // The second server is only needed from step 3 on.
    fake.Fill(g);
    SetText(g.m_SecondDetection.ip, "");
    EXPECT_EQ(RunUdpProbe(g), kProbeOpen);
    FakeUdpDetection further(Translated({1}));
    further.Fill(g);
    SetText(g.m_SecondDetection.ip, "");
    EXPECT_EQ(RunUdpProbe(g), kProbeError);
}

TEST_F(UdpProbeTest, TheStopFlagEndsTheProbeWithFiveBeforeAnySend) {
    FakeUdpDetection fake(Translated({1, 11}));
    g.m_StopProbes = 1;
    EXPECT_EQ(Probe(fake), kProbeError);
    EXPECT_TRUE(fake.Requests().empty());
}

class NetworkProbesTest : public UdpProbeTest {
  protected:
    void StartBoth(FakeUdpDetection& udp, test::GreetingServer& tcp) {
        udp.Fill(g);
        SetText(g.m_FirstDetection.ip, "127.0.0.1");
        g.m_FirstDetection.tcpPort = tcp.Port();
        ASSERT_TRUE(StartNetworkProbes(g));
    }
    test::RecordingNotifier notifier;
};

TEST_F(NetworkProbesTest, HealthyProbesGiveNoWarning) {
    FakeUdpDetection udp(Translated({1, 11}));
    test::GreetingServer tcp(test::GreetingServer::Mode::Answer);
    StartBoth(udp, tcp);
    EXPECT_TRUE(WaitForUdpProbe(g, notifier));
    EXPECT_FALSE(g.m_UdpProbeThread.joinable());
    EXPECT_EQ(g.m_UdpProbeResult, kProbeOpen);
    WaitForTcpProbe(g);
    EXPECT_EQ(g.m_TcpProbeResult, kProbeOpen);
    EXPECT_TRUE(notifier.Messages().empty());
}

TEST_F(NetworkProbesTest, AFailedProbeIsWarnedOnceAndReset) {
    FakeUdpDetection udp(Translated({1, 11}));
    test::GreetingServer closing(test::GreetingServer::Mode::Close);
    auto holder = UdpSocket::Open();
    ASSERT_TRUE(holder && holder->Bind(*Ipv4Endpoint::Parse("127.0.0.1", kUdpProbePort)));

    // Both fail: the UDP result is warned about and reset, the TCP one is left.
    StartBoth(udp, closing);
    WaitForTcpProbe(g);
    EXPECT_FALSE(WaitForUdpProbe(g, notifier));
    EXPECT_EQ(g.m_UdpProbeResult, kProbeNoAnswer);
    EXPECT_EQ(g.m_TcpProbeResult, kProbeError);
    ASSERT_EQ(notifier.Messages().size(), 1u);
    EXPECT_EQ(notifier.Messages()[0].text, "Аномальная сеть");
    EXPECT_EQ(notifier.Messages()[0].caption, "подсказки");

    // Only TCP fails: its result is the one reset.
    holder.reset();
    test::GreetingServer closingAgain(test::GreetingServer::Mode::Close);
    StartBoth(udp, closingAgain);
    WaitForTcpProbe(g);
    EXPECT_FALSE(WaitForUdpProbe(g, notifier));
    EXPECT_EQ(g.m_UdpProbeResult, kProbeOpen);
    EXPECT_EQ(g.m_TcpProbeResult, kProbeNoAnswer);
    EXPECT_EQ(notifier.Messages().size(), 2u);
}

TEST_F(NetworkProbesTest, StoppingEndsBothThreadsPromptly) {
    // The UDP probe then spends about two seconds in steps 2 and 3, the TCP probe three seconds
    // waiting for an answer: the stop is raised while both wait.
    FakeUdpDetection udp(Translated({1}));
    test::GreetingServer silent(test::GreetingServer::Mode::Silent);
    StartBoth(udp, silent);
    ASSERT_FALSE(silent.Greeting().empty());
    for (const auto until = Clock::now() + 30s;
         udp.Count(Server::First, 11) == 0 && Clock::now() < until;)
        std::this_thread::sleep_for(10ms);

    const auto start = Clock::now();
    StopNetworkProbes(g);
    EXPECT_LT(Clock::now() - start, 10s);
    EXPECT_FALSE(g.m_UdpProbeThread.joinable());
    EXPECT_FALSE(g.m_TcpProbeThread.joinable());
    EXPECT_EQ(g.m_UdpProbeResult, kProbeError);
    EXPECT_EQ(g.m_TcpProbeResult, kProbeError);
}

}  // namespace
}  // namespace nimbrel
