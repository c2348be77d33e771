// The cameras of a nimbrel-sim process: the start-up line names the relay, the rendezvous
// server and every camera's stream port; a bound account streams and its control messages
// reach the log; the camera members of a scenario are checked.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "Scenario.h"
#include "SimProcess.h"
#include "StreamTestClient.h"

namespace nimbrel::sim::test {
namespace {

using nimbrel::test::SimProcess;

const std::string kUmac = "live_user,00:11:22:33:44:55";

std::optional<Json::Value> WaitForLine(const SimProcess& sim,
                                       const std::function<bool(const Json::Value&)>& match) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        for (const auto& line : sim.RequestLog())
            if (match(line)) return line;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return std::nullopt;
}

TEST(CameraProcessTest, StartUpLineNamesTheCamerasServers) {
    SimProcess sim("live-faults.json");
    const Json::Value& info = sim.Info();
    EXPECT_EQ(info["relay"]["ip"], "127.0.0.1");
    EXPECT_GT(info["relay"]["tcpPort"].asInt(), 0);
    EXPECT_EQ(info["rendezvous"]["ip"], "127.0.0.1");
    EXPECT_GT(info["rendezvous"]["udpPort"].asInt(), 0);
    const Json::Value& devices = info["devices"];
    ASSERT_EQ(devices.size(), sim.Scenario()["devices"].size());
    for (const auto& sid : devices.getMemberNames()) {
        const std::string reach = devices[sid]["reach"].asString();
        EXPECT_EQ(devices[sid].isMember("streamPort"), reach == "lan" || reach == "portMapping")
            << sid;
    }
}

TEST(CameraProcessTest, BoundAccountStreamsAndItsMessagesAreLogged) {
    SimProcess sim("live-faults.json");
    const std::string key = sim.Info()["keyValue"].asString();
    const int port = sim.Info()["devices"]["LF0000000014"]["streamPort"].asInt();
    StreamTestClient client(key);
    const auto reply = client.Open(port, "LF0000000014", "2", kUmac);
    ASSERT_TRUE(reply);
    EXPECT_EQ((*reply)["width"], "640");
    EXPECT_EQ((*reply)["height"], "360");
    EXPECT_EQ((*reply)["timeGap"], "40");
    EXPECT_EQ((*reply)["bitRate"], "1000000");
    EXPECT_EQ((*reply)["audioType"], "none");
    auto packet = client.Read();
    ASSERT_TRUE(packet);
    EXPECT_EQ(packet->kind, 0x46);

    Json::Value keepAlive(Json::objectValue);
    keepAlive["type"] = "control";
    keepAlive["cmd"] = "running";
    keepAlive["control_number"] = "0";
    keepAlive["umac"] = kUmac;
    ASSERT_TRUE(client.SendMessage(keepAlive));
    const auto line = WaitForLine(sim, [](const Json::Value& l) {
        return l["stream"] == "LF0000000014" && l["message"]["cmd"] == "running";
    });
    ASSERT_TRUE(line);
    EXPECT_EQ((*line)["message"], keepAlive);

    // An account not bound to the camera is turned away.
    StreamTestClient stranger(key);
    ASSERT_TRUE(stranger.Connect(port));
    ASSERT_TRUE(stranger.SendMessage(ConnectFor("LF0000000014", "2", "v2.0", "mallory,00:11")));
    EXPECT_TRUE(stranger.WaitClosed(5000));
}

TEST(CameraProcessTest, CameraMembersAreChecked) {
    const auto device = [](const std::string& members) {
        return ParseScenario(R"({"accounts":[{"name":"a","password":"p"}],"devices":[{"sid":"S1",
            "owner":"a",)" + members +
                             "}]}");
    };
    EXPECT_TRUE(device(R"("reach":"lan","streamPort":4100,"transVideoLong":"5")"));
    const std::vector<std::pair<std::string, std::string>> bad = {
        {R"("media":{"width":641})", "devices[0].media"},
        {R"("media":{"audio":"mp3"})", "devices[0].media.audio"},
        {R"("media":{"audio":"aac","audioSample":12345})", "devices[0].media.audioSample"},
        {R"("media":{"frameRate":25})", "devices[0].media"},
        {R"("faults":{"closeAfter":-1})", "devices[0].faults.closeAfter"},
        {R"("faults":{"brokenKind":"other"})", "devices[0].faults.brokenKind"},
        {R"("faults":{"refuseConnect":true,"connectTimeout":true})", "devices[0].faults"},
        {R"("reach":"relay","streamPort":4100)", "devices[0].streamPort"},
        {R"("transVideoLong":5)", "devices[0].transVideoLong"},
    };
    for (const auto& [members, where] : bad) {
        const auto parsed = device(members);
        ASSERT_FALSE(parsed) << members;
        EXPECT_EQ(parsed.error().rfind(where, 0), 0u) << parsed.error();
    }
}

}  // namespace
}  // namespace nimbrel::sim::test
