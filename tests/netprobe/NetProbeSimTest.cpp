// The probes against the simulator's detection servers, shaped by scenario to give each
// result, and nimbrelctl probe signed in to the demo account. Binds port 9467: runs in a network
// namespace of its own (or alone).
#include <gtest/gtest.h>

#include "CtlRunner.h"
#include "SimProcess.h"
#include "TestAccount.h"
#include "platform/FixedText.h"
#include "platform/UdpSocket.h"
#include "service/NetworkProbes.h"
#include "service/TcpProbe.h"
#include "service/UdpProbe.h"
#include "text/JsonText.h"

namespace nimbrel {
namespace {

struct Shaped {
    std::string probeShape = "open";
    std::string mapping = "port";
    std::string tcpShape = "greet";
};

class NetProbeSim : public ::testing::Test {
  protected:
    // Starts a simulator with the shape and points the settings at its detection servers.
    void Start(const Shaped& shape) {
        sim.reset();
        scenario = std::make_unique<test::ScenarioFile>([&](Json::Value& s) {
            s["detection"]["probeShape"] = shape.probeShape;
            s["detection"]["mapping"] = shape.mapping;
            s["detection"]["tcpShape"] = shape.tcpShape;
        });
        sim = std::make_unique<test::SimProcess>(scenario->Path());
        InitGlobalSettings(g);
        SetText(g.m_LocalIp, "127.0.0.1");
        test::UseDetectionServers(g, *sim);
    }

    std::unique_ptr<test::ScenarioFile> scenario;
    std::unique_ptr<test::SimProcess> sim;
    GlobalSettings g;
};

TEST_F(NetProbeSim, EachUdpShapeGivesItsResult) {
    const std::vector<std::pair<Shaped, int32_t>> cases{
        {{"open"}, kProbeOpen},
        {{"fullCone"}, kProbeOpen},
        {{"fullCone", "address"}, kProbeOpen},
        {{"restricted"}, kProbeRestricted},
        {{"portRestricted"}, kProbePortRestricted},
        {{"portRestricted", "address"}, kProbePortRestricted},
        {{"symmetric"}, kProbeSymmetric},
        {{"symmetric", "address"}, kProbeSymmetric},
        {{"blocked"}, kProbeNoAnswer},
        {{"secondSilent"}, kProbeNoAnswer},
        {{"filtered"}, kProbeNoAnswer},
    };
    for (const auto& [shape, result] : cases) {
        Start(shape);
        EXPECT_EQ(RunUdpProbe(g), result) << shape.probeShape << "/" << shape.mapping;
    }
}

TEST_F(NetProbeSim, EachTcpShapeGivesItsResult) {
    const std::vector<std::pair<std::string, int32_t>> cases{{"greet", kProbeOpen},
                                                             {"silent", kProbeNoAnswer},
                                                             {"close", kProbeError},
                                                             {"refuse", kProbeNoAnswer}};
    for (const auto& [shape, result] : cases) {
        Start({"open", "port", shape});
        EXPECT_EQ(RunTcpProbe(g), result) << shape;
    }
}

TEST(CliProbe, TheDemoAccountsNetworkIsOpen) {
    test::SimProcess sim("demo.json");
    test::CtlAccountFolder accounts;  // probe signs in and writes the account file there
    const std::string base =
        "--service " + sim.ServiceUrl() + " --adapter lo --user demo_user --password demo1234 ";
    const std::string probe = "probe" + accounts.Option();
    const auto r = test::RunCtl(base + "--json " + probe);
    EXPECT_EQ(r.exitCode, 0) << r.out;
    const auto json = ParseJsonObject(r.out);
    ASSERT_TRUE(json) << r.out;
    EXPECT_EQ((*json)["status"].asString(), "OK");
    EXPECT_EQ((*json)["udp"].asInt(), 1);
    EXPECT_EQ((*json)["tcp"].asInt(), 1);

    // With port 9467 taken the UDP probe fails and the warning is the outcome.
    auto holder = UdpSocket::Open();
    ASSERT_TRUE(holder && holder->Bind(*Ipv4Endpoint::Parse("127.0.0.1", kUdpProbePort)));
    const auto taken = test::RunCtl(base + "--json " + probe);
    EXPECT_EQ(taken.exitCode, 1) << taken.out;
    const auto warned = ParseJsonObject(taken.out);
    ASSERT_TRUE(warned) << taken.out;
    EXPECT_EQ((*warned)["status"].asString(), "ABNORMAL");
    EXPECT_EQ((*warned)["message"].asString(), "Аномальная сеть");
    EXPECT_EQ((*warned)["udp"].asInt(), 5);

    const auto text = test::RunCtl(base + probe);
    EXPECT_EQ(text.exitCode, 1);
    EXPECT_EQ(text.out, "UDP: 5, TCP: 1\n");
}

}  // namespace
}  // namespace nimbrel
