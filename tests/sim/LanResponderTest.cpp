// The LAN discovery responder's answers: the reply layout byte by byte, who answers, the
// repeat and garble faults, the loopback-only rule, and the scenario members' checks.
#include <gtest/gtest.h>

#include "LanResponder.h"

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
}

// The directory members of a scenario are checked like the rest: the message names the member.
TEST(LanResponderTest, BrokenDirectoryMembersNameTheirFault) {
    const std::string head = R"({"accounts": [{"name": "a", "password": "p"}], )";
    const std::string device = R"("devices": [{"sid": "D", "owner": "a", )";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {device + R"("lanReply": {"ip": "10.0.0.5"}}]})", "devices[0].lanReply.ip"},
        {device + R"("lanReply": {"mac": "A0B1C2D3E4FG"}}]})", "devices[0].lanReply.mac"},
        {device + R"("lanReply": {"port": 70000}}]})", "devices[0].lanReply.port"},
        {device + R"("lanReply": {"speed": 1}}]})", "devices[0].lanReply"},
        {device + R"("lanReply": 3}]})", "devices[0].lanReply"},
        {device + R"("thumbnail": "gif"}]})", "devices[0].thumbnail"},
        {R"("lan": {"port": -1}})", "lan.port"},
        {R"("lan": {"duplicates": "twice"}})", "lan.duplicates"},
        {R"("lan": {"ports": 1}})", "lan"},
        {R"("service": {"deviceList": {"mistype": "statusNumber"}}})",
         "service.deviceList.mistype"},
        {R"("service": {"deviceList": {"delayMs": -5}}})", "service.deviceList.delayMs"},
    };
    for (const auto& [tail, member] : cases) {
        const auto s = ParseScenario(head + tail);
        ASSERT_FALSE(s) << tail;
        EXPECT_EQ(s.error().rfind(member + ":", 0), 0u) << s.error();
    }
}

TEST(LanResponderTest, RespondsOnlyToLoopbackProbes) {
    LanSpec setup;
    setup.enabled = true;
    const LanResponder responder(
        setup, {{"CAM1", "127.0.0.1", "A0B1C2D3E4F5", 1}, {"CAM2", "127.0.0.1", "A0B1C2D3E4F6", 2}},
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
    LanSpec setup;
    setup.duplicates = LanDuplicates::OtherCase;
    setup.garbled = true;
    auto answer = LanResponder(setup, devices, nullptr).Respond(Probe(), false, kLocalSender);
    ASSERT_EQ(answer.datagrams.size(), 5u);
    EXPECT_EQ(answer.datagrams[0].size(), LanResponder::kGarbledSize);
    std::vector<std::string> ids;
    for (std::size_t i = 1; i < answer.datagrams.size(); ++i) {
        EXPECT_EQ(answer.datagrams[i].size(), 52u);
        ids.push_back(IdOf(answer.datagrams[i]));
    }
    EXPECT_EQ(ids, (std::vector<std::string>{"Cam1", "cAM1", "Cam2", "cAM2"}));
    EXPECT_EQ(answer.datagrams[1].substr(17), answer.datagrams[2].substr(17));

    setup.duplicates = LanDuplicates::Exact;
    setup.garbled = false;
    answer = LanResponder(setup, devices, nullptr).Respond(Probe(), false, kLocalSender);
    ASSERT_EQ(answer.datagrams.size(), 4u);
    EXPECT_EQ(answer.datagrams[0], answer.datagrams[1]);
    EXPECT_EQ(answer.datagrams[2], answer.datagrams[3]);
}

}  // namespace
}  // namespace nimbrel::sim::test
