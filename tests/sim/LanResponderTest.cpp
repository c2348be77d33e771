// The LAN discovery responder: the reply layout byte by byte, who answers, the repeat and
// garble faults, the loopback-only rule, and probes broadcast on 127.255.255.255 to a
// responder on an ephemeral port.
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>

#include "LanResponder.h"
#include "RequestLog.h"
#include "text/JsonText.h"

namespace nimbrel::sim::test {
namespace {

const Ipv4Endpoint kLocalSender{0x7F000001u, 40000};  // 127.0.0.1:40000

std::vector<uint8_t> Probe() {
    return {0x0E};
}

std::string IdOf(const std::string& reply) {
    const std::string id = reply.substr(1, 16);
    return id.substr(0, id.find('\0'));
}

TEST(LanResponderTest, ReplyLayout) {
    const std::string r =
        LanResponder::ReplyDatagram({"NB0000000001", "127.0.0.12", "A0B1C2D3E4F5", 0x1F90});
    ASSERT_EQ(r.size(), 52u);
    EXPECT_EQ(r.substr(1, 16), std::string("NB0000000001\0\0\0\0", 16));
    EXPECT_EQ(r.substr(17, 16), std::string("127.0.0.12\0\0\0\0\0\0", 16));
    EXPECT_EQ(r.substr(33, 12), "A0B1C2D3E4F5");
    EXPECT_EQ(static_cast<unsigned char>(r[50]), 0x90);  // little-endian 8080
    EXPECT_EQ(static_cast<unsigned char>(r[51]), 0x1F);
    // A 16-character id and a 15-character address fill their fields without spilling over.
    const std::string full =
        LanResponder::ReplyDatagram({"ABCDEFGHIJKLMNOP", "127.255.255.254", "0123456789ab", 65535});
    EXPECT_EQ(full.substr(1, 16), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(full.substr(17, 16), std::string("127.255.255.254\0", 16));
    EXPECT_EQ(full.substr(33, 12), "0123456789ab");
    EXPECT_EQ(full.substr(50, 2), "\xFF\xFF");
    EXPECT_EQ(IdOf(LanResponder::ReplyDatagram({"Ab1c", "127.0.0.1", "000000000000", 1}, true)),
              "aB1C");
}

TEST(LanResponderTest, WhoAnswersAndOnWhichPort) {
    auto scenario = ParseScenario(R"({
      "accounts": [{"name": "alice", "password": "alice123"}],
      "devices": [
        {"sid": "ONLAN", "owner": "alice"},
        {"sid": "FIXED", "owner": "alice", "streamPort": 9100},
        {"sid": "RELAYED", "owner": "alice", "reach": "relay", "lanReply": true},
        {"sid": "QUIET", "owner": "alice", "lanReply": false},
        {"sid": "MAPPED", "owner": "alice", "reach": "portMapping"},
        {"sid": "SHAPED", "owner": "alice", "reach": "offline",
         "lanReply": {"ip": "127.0.0.9", "mac": "a0b1c2d3e4f5", "port": 7000}}
      ]})");
    ASSERT_TRUE(scenario) << scenario.error();
    const auto devices = LanResponder::DevicesOf(*scenario, [](const std::string& sid) {
        return sid == "ONLAN" ? std::optional<int>(4242) : std::nullopt;
    });
    ASSERT_EQ(devices.size(), 4u);
    EXPECT_EQ(devices[0].sid, "ONLAN");
    EXPECT_EQ(devices[0].port, 4242);
    EXPECT_EQ(devices[0].ip, "127.0.0.1");
    EXPECT_EQ(devices[0].mac.size(), 12u);
    EXPECT_EQ(devices[1].port, 9100);
    EXPECT_EQ(devices[2].sid, "RELAYED");
    EXPECT_EQ(devices[3].sid, "SHAPED");
    EXPECT_EQ(devices[3].ip, "127.0.0.9");
    EXPECT_EQ(devices[3].mac, "a0b1c2d3e4f5");
    EXPECT_EQ(devices[3].port, 7000);

    for (const char* bad :
         {R"({"ip": "10.0.0.5"})", R"({"ip": "127.0.0"})", R"({"mac": "A0B1C2D3E4"})",
          R"({"mac": "A0B1C2D3E4FG"})", R"({"port": 70000})", R"({"speed": 1})", "3"}) {
        const std::string text =
            std::string(
                R"({"accounts": [{"name": "a", "password": "p"}], "devices": [{"sid": "D", "owner": "a", "lanReply": )") +
            bad + "}]}";
        const auto s = ParseScenario(text);
        ASSERT_FALSE(s) << bad;
        EXPECT_NE(s.error().find("devices[0].lanReply"), std::string::npos) << s.error();
    }
}

TEST(LanResponderTest, RespondsOnlyToLoopbackProbes) {
    LanSpec spec;
    spec.enabled = true;
    const LanResponder responder(
        spec, {{"CAM1", "127.0.0.1", "A0B1C2D3E4F5", 1}, {"CAM2", "127.0.0.1", "A0B1C2D3E4F6", 2}},
        nullptr);
    const auto answer = responder.Respond(Probe(), false, kLocalSender);
    ASSERT_EQ(answer.datagrams.size(), 2u);
    EXPECT_EQ(IdOf(answer.datagrams[0]), "CAM1");
    EXPECT_EQ(IdOf(answer.datagrams[1]), "CAM2");

    // Senders outside 127.0.0.0/8 never get an answer, probe or not.
    for (uint32_t address : {0x0A000005u, 0xC0A80001u, 0x80000001u, 0x00000000u}) {
        const auto outside = responder.Respond(Probe(), false, Ipv4Endpoint{address, 53217});
        EXPECT_TRUE(outside.datagrams.empty()) << address;
        EXPECT_NE(outside.line.Dump().find("outside 127.0.0.0/8"), std::string::npos);
    }
    // Only the one-byte 0x0E probe is answered.
    EXPECT_TRUE(
        responder.Respond(std::vector<uint8_t>{0x0F}, false, kLocalSender).datagrams.empty());
    EXPECT_TRUE(
        responder.Respond(std::vector<uint8_t>{0x0E, 0x0E}, false, kLocalSender).datagrams.empty());
    EXPECT_TRUE(responder.Respond({}, false, kLocalSender).datagrams.empty());
    EXPECT_TRUE(responder.Respond(Probe(), true, kLocalSender).datagrams.empty());
}

TEST(LanResponderTest, RepeatAndGarbleFaults) {
    const std::vector<LanDevice> devices = {{"Cam1", "127.0.0.1", "A0B1C2D3E4F5", 1},
                                            {"Cam2", "127.0.0.1", "A0B1C2D3E4F6", 2}};
    LanSpec spec;
    spec.duplicates = LanDuplicates::OtherCase;
    spec.garbled = true;
    auto answer = LanResponder(spec, devices, nullptr).Respond(Probe(), false, kLocalSender);
    ASSERT_EQ(answer.datagrams.size(), 5u);
    EXPECT_EQ(answer.datagrams[0].size(), LanResponder::kGarbledSize);
    std::vector<std::string> ids;
    for (std::size_t i = 1; i < answer.datagrams.size(); ++i) {
        EXPECT_EQ(answer.datagrams[i].size(), 52u);
        ids.push_back(IdOf(answer.datagrams[i]));
    }
    EXPECT_EQ(ids, (std::vector<std::string>{"Cam1", "cAM1", "Cam2", "cAM2"}));
    EXPECT_EQ(answer.datagrams[1].substr(17), answer.datagrams[2].substr(17));

    spec.duplicates = LanDuplicates::Exact;
    spec.garbled = false;
    answer = LanResponder(spec, devices, nullptr).Respond(Probe(), false, kLocalSender);
    ASSERT_EQ(answer.datagrams.size(), 4u);
    EXPECT_EQ(answer.datagrams[0], answer.datagrams[1]);
    EXPECT_EQ(answer.datagrams[2], answer.datagrams[3]);
}

TEST(LanResponderTest, AnswersABroadcastProbeOnTheLoopbackNetwork) {
    const auto logPath = std::filesystem::temp_directory_path() /
                         ("nimbrel-lan-test-" + std::to_string(getpid()) + ".jsonl");
    auto log = RequestLog::Open(logPath);
    ASSERT_TRUE(log) << log.error();
    LanSpec spec;
    spec.enabled = true;
    spec.port = 0;
    LanResponder responder(
        spec,
        {{"CAM1", "127.0.0.1", "A0B1C2D3E4F5", 8001}, {"CAM2", "127.0.0.2", "A0B1C2D3E4F6", 8002}},
        log->get());
    const auto port = responder.Start();
    ASSERT_TRUE(port) << port.error();

    auto client = UdpSocket::Open();
    ASSERT_TRUE(client);
    ASSERT_TRUE(client->Bind(Ipv4Endpoint{0x7F000001u, 0}));
    ASSERT_TRUE(client->SetBroadcast());
    const uint8_t probe[] = {0x0E};
    const Ipv4Endpoint broadcast{0x7FFFFFFFu, static_cast<uint16_t>(*port)};
    ASSERT_TRUE(client->SendTo(broadcast, probe).Ok());
    std::vector<std::string> replies;
    std::vector<uint8_t> buffer(3072);
    while (replies.size() < 2 && client->Handle().WaitReadable(5000) == WaitResult::Ready) {
        const auto d = client->ReceiveFrom(buffer);
        ASSERT_TRUE(d.io.Ok());
        EXPECT_EQ(d.from.port, *port);
        replies.emplace_back(reinterpret_cast<const char*>(buffer.data()), d.io.bytes);
    }
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(IdOf(replies[0]), "CAM1");
    EXPECT_EQ(replies[1].substr(17, 9), "127.0.0.2");
    // A datagram that is not a probe is logged and left unanswered; the probe after it is
    // answered, so by then the responder has dealt with both.
    const uint8_t junk[] = {0x0E, 0x00, 0x01};
    ASSERT_TRUE(client->SendTo(broadcast, junk).Ok());
    ASSERT_TRUE(client->SendTo(broadcast, probe).Ok());
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(client->Handle().WaitReadable(5000), WaitResult::Ready);
        const auto d = client->ReceiveFrom(buffer);
        ASSERT_TRUE(d.io.Ok());
        EXPECT_EQ(d.io.bytes, 52u);
    }
    EXPECT_EQ(client->Handle().WaitReadable(100), WaitResult::TimedOut);
    responder.Stop();

    std::ifstream in(logPath);
    std::vector<Json::Value> lines;
    for (std::string line; std::getline(in, line);)
        if (auto json = ParseJsonObject(line)) lines.push_back(*json);
    std::filesystem::remove(logPath);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0]["path"].asString(), "lan");
    EXPECT_EQ(lines[0]["from"].asString().rfind("127.0.0.1:", 0), 0u);
    EXPECT_EQ(lines[0]["replies"].size(), 2u);
    EXPECT_EQ(lines[1]["size"].asInt(), 3);
    EXPECT_TRUE(lines[1].isMember("error"));
    EXPECT_FALSE(lines[1].isMember("replies"));
}

}  // namespace
}  // namespace nimbrel::sim::test
