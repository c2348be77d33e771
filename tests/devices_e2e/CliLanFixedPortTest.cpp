// nimbrelctl against the simulator's LAN responder on the discovery port itself (53217), as the
// program probes it: `devices` marks the cameras that answered, `discover` lists the replies.
// Runs in a network namespace of its own (or alone); skipped when another process holds the port.
#include <gtest/gtest.h>

#include "CtlRunner.h"
#include "DeviceE2E.h"
#include "platform/UdpSocket.h"
#include "text/JsonText.h"

namespace nimbrel::test {
namespace {

constexpr uint16_t kLanPort = 53217;

bool PortIsFree() {
    auto probe = UdpSocket::Open();
    return probe && probe->Bind(*Ipv4Endpoint::Parse("127.255.255.255", kLanPort));
}

Json::Value RunJson(const SimProcess& sim, const std::string& account, const std::string& command,
                    const std::string& options = "") {
    const auto r = RunCtl("--service " + sim.ServiceUrl() + " --adapter lo " + account +
                          " --json " + command + " " + options);
    EXPECT_EQ(r.exitCode, 0) << command << "\n" << r.out;
    auto json = ParseJsonObject(r.out);
    EXPECT_TRUE(json) << command << ": " << r.out;
    return json.value_or(Json::Value());
}

class CliLanFixedPort : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!PortIsFree()) GTEST_SKIP() << "port 53217 is held by another process";
        configDir = std::filesystem::temp_directory_path() /
                    ("nimbrel-ctl-lan-" + std::to_string(getpid()));
    }
    void TearDown() override { std::filesystem::remove_all(configDir); }

    std::string ConfigOption() const { return "--config-dir " + configDir.string(); }

    std::filesystem::path configDir;
};

TEST_F(CliLanFixedPort, DevicesListsEveryDemoDeviceAndMarksThoseOnTheLan) {
    SimProcess sim("demo.json");
    if (sim.Info()["lan"]["port"].asInt() != kLanPort)
        GTEST_SKIP() << "the responder did not get the port: "
                     << sim.Info()["lan"].toStyledString();

    const Json::Value listed =
        RunJson(sim, "--user demo_user --password demo1234", "devices", ConfigOption());
    EXPECT_EQ(listed["status"].asString(), "OK");
    const auto bound = DevicesOf(sim.Scenario(), "demo_user");
    ASSERT_EQ(listed["devices"].size(), bound.size());
    int onLan = 0;
    for (Json::ArrayIndex i = 0; i < listed["devices"].size(); ++i) {
        const Json::Value& d = listed["devices"][i];
        const auto& [device, init] = bound[i];
        ExpectAsScenario(d, device, init);
        const std::string sid = d["sid"].asString();
        const bool answers = device["reach"].asString() == "lan";
        EXPECT_EQ(d["onLan"].asInt(), answers ? 1 : 0) << sid;
        if (!answers) {
            EXPECT_EQ(d["lanIp"].asString(), "") << sid;
            continue;
        }
        ++onLan;
        EXPECT_EQ(d["lanIp"].asString(), "127.0.0.1") << sid;
        EXPECT_EQ(d["lanPort"].asInt(), sim.Info()["devices"][sid]["streamPort"].asInt()) << sid;
        EXPECT_EQ(d["lanMac"].asString().size(), 17u) << sid;
    }
    EXPECT_EQ(onLan, 7);
}

TEST_F(CliLanFixedPort, DiscoverAndDevicesWithRepeatedGarbledReplies) {
    SimProcess sim("lan-faults.json");
    ASSERT_EQ(sim.Info()["lan"]["port"].asInt(), kLanPort);

    const Json::Value found = RunJson(sim, "", "discover");
    std::vector<std::string> ids;
    for (const Json::Value& c : found["cameras"]) ids.push_back(c["id"].asString());
    EXPECT_EQ(ids, (std::vector<std::string>{"LN0000000001", "ln0000000001", "LN000000000a",
                                             "ln000000000A", "LN0000000003", "ln0000000003"}));
    ASSERT_EQ(found["cameras"].size(), 6u);
    const Json::Value& kitchen = found["cameras"][2];
    EXPECT_EQ(kitchen["ip"].asString(), "127.0.0.7");
    EXPECT_EQ(kitchen["mac"].asString(), "a0:b1:c2:d3:e4:f5");
    EXPECT_EQ(kitchen["port"].asInt(), 8007);
    EXPECT_TRUE(sim.Requests("login.do").empty());  // discovery needs no account

    const Json::Value listed =
        RunJson(sim, "--user lan_user --password lan12345", "devices", ConfigOption());
    std::map<std::string, int> marks;
    for (const Json::Value& d : listed["devices"]) marks[d["sid"].asString()] = d["onLan"].asInt();
    EXPECT_EQ(marks, (std::map<std::string, int>{{"LN0000000001", 1},
                                                 {"LN000000000a", 1},
                                                 {"LN0000000003", 1},
                                                 {"LN0000000004", 0},
                                                 {"LN0000000005", 0}}));

    // The table marks online devices found on the LAN.
    const auto table =
        RunCtl("--service " + sim.ServiceUrl() +
               " --adapter lo --user lan_user --password lan12345 devices " + ConfigOption());
    ASSERT_EQ(table.exitCode, 0);
    std::map<std::string, bool> tagged;
    std::istringstream lines(table.out);
    for (std::string line; std::getline(lines, line);)
        tagged[line.substr(0, line.find(' '))] = line.find("[内网]") != std::string::npos;
    EXPECT_TRUE(tagged["LN0000000001"]);
    EXPECT_TRUE(tagged["LN0000000003"]);
    EXPECT_FALSE(tagged["LN0000000004"]);
}

}  // namespace
}  // namespace nimbrel::test
