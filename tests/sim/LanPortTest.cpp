// The LAN discovery responder on its fixed port 53217, as scenarios start it: the repeat and
// garble faults reach a probing client, demo.json answers for its LAN cameras, and a taken
// port stops a scenario that requires the responder. Runs alone (the port is fixed).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "LanResponder.h"
#include "SimProcess.h"
#include "Simulator.h"
#include "platform/UdpSocket.h"
#include "text/JsonText.h"

namespace nimbrel::sim::test {
namespace {

constexpr uint16_t kLanPort = 53217;

// Broadcasts one probe on the loopback network and collects the datagrams that come back
// until none arrives for `quietMs`.
std::vector<std::string> ProbeLoopback(int quietMs = 500) {
    std::vector<std::string> replies;
    auto client = UdpSocket::Open();
    EXPECT_TRUE(client);
    if (!client) return replies;
    EXPECT_TRUE(client->Bind(Ipv4Endpoint{0x7F000001u, 0}));
    EXPECT_TRUE(client->SetBroadcast());
    const uint8_t probe[] = {LanResponder::kProbe};
    EXPECT_TRUE(client->SendTo(Ipv4Endpoint{0x7FFFFFFFu, kLanPort}, probe).Ok());
    std::vector<uint8_t> buffer(3072);
    // The first reply may take a while on a loaded machine; later ones follow at once.
    int wait = 5000;
    while (client->Handle().WaitReadable(wait) == WaitResult::Ready) {
        const auto d = client->ReceiveFrom(buffer);
        if (!d.io.Ok()) break;
        replies.emplace_back(reinterpret_cast<const char*>(buffer.data()), d.io.bytes);
        wait = quietMs;
    }
    return replies;
}

// Another process on this machine (a demo, another build's tests) may hold the fixed port;
// CTest only keeps this project's own tests apart.
bool PortIsFree() {
    auto probe = UdpSocket::Open();
    return probe && probe->Bind(Ipv4Endpoint{0x7FFFFFFFu, kLanPort});
}

std::string IdOf(const std::string& reply) {
    const std::string id = reply.substr(1, 16);
    return id.substr(0, id.find('\0'));
}

std::filesystem::path LogPath(const std::string& name) {
    return std::filesystem::temp_directory_path() /
           ("nimbrel-lan-port-" + name + "-" + std::to_string(getpid()) + ".jsonl");
}

TEST(LanPortTest, FaultScenarioRepeatsInTheOtherCaseAfterAGarbledDatagram) {
    if (!PortIsFree()) GTEST_SKIP() << "port 53217 is held by another process";
    auto scenario = LoadScenarioFile(nimbrel::test::SimProcess::ScenarioDir() / "lan-faults.json");
    ASSERT_TRUE(scenario) << scenario.error();
    Simulator simulator(*scenario, LogPath("faults"));
    auto info = simulator.Start();
    ASSERT_TRUE(info) << info.error();
    EXPECT_NE(info->Dump().find(R"("lan":{"port":53217})"), std::string::npos) << info->Dump();

    const auto replies = ProbeLoopback();
    ASSERT_EQ(replies.size(), 7u);
    EXPECT_EQ(replies[0].size(), LanResponder::kGarbledSize);
    std::vector<std::string> ids;
    for (std::size_t i = 1; i < replies.size(); ++i) {
        EXPECT_EQ(replies[i].size(), LanResponder::kReplySize);
        ids.push_back(IdOf(replies[i]));
    }
    EXPECT_EQ(ids, (std::vector<std::string>{"LN0000000001", "ln0000000001", "LN000000000a",
                                             "ln000000000A", "LN0000000003", "ln0000000003"}));
    // The shaped reply of the second device.
    EXPECT_EQ(replies[3].substr(17, 10), std::string("127.0.0.7\0", 10));
    EXPECT_EQ(replies[3].substr(33, 12), "a0b1c2d3e4f5");
    EXPECT_EQ(static_cast<unsigned char>(replies[3][50]) |
                  static_cast<unsigned char>(replies[3][51]) << 8,
              8007);

    // A second responder cannot have the port: a scenario that requires it does not start,
    // one that does not reports the failure in its start-up line.
    Simulator second(*scenario, LogPath("second"));
    auto refused = second.Start();
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().find("127.255.255.255:53217"), std::string::npos) << refused.error();
    second.Stop();
    scenario.value().lan.required = false;
    Simulator third(*scenario, LogPath("third"));
    auto tolerated = third.Start();
    ASSERT_TRUE(tolerated) << tolerated.error();
    EXPECT_NE(tolerated->Dump().find(R"("lan":{"port":53217,"error":)"), std::string::npos);
    third.Stop();
    simulator.Stop();
    for (const char* name : {"faults", "second", "third"}) std::filesystem::remove(LogPath(name));
}

TEST(LanPortTest, DemoAnswersForItsLanCamerasAndLogsTheProbe) {
    if (!PortIsFree()) GTEST_SKIP() << "port 53217 is held by another process";
    nimbrel::test::SimProcess sim("demo.json");
    EXPECT_EQ(sim.Info()["lan"]["port"].asInt(), kLanPort);
    EXPECT_FALSE(sim.Info()["lan"].isMember("error"));
    std::vector<std::string> ids;
    for (const auto& reply : ProbeLoopback()) ids.push_back(IdOf(reply));
    std::vector<std::string> expected;
    for (const auto& device : sim.Scenario()["devices"])
        if (device.get("reach", "lan").asString() == "lan")
            expected.push_back(device["sid"].asString());
    EXPECT_GE(expected.size(), 3u);
    EXPECT_EQ(ids, expected);
    const auto probes = sim.Requests("lan");
    ASSERT_EQ(probes.size(), 1u);
    EXPECT_EQ(probes[0]["replies"].size(), expected.size());
}

}  // namespace
}  // namespace nimbrel::sim::test
