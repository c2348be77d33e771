// The simulated cameras over TCP, driven by a bare client: the connect/startup exchange,
// fragments whose headers agree and that reassemble into decodable H.264, the control and
// talk packets in the log, malformed greetings, the relay, and the fault switches.
#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <cerrno>
#include <map>

#include "FleetFixture.h"
#include "StreamTestClient.h"
#include "camera/AnnexB.h"
#include "text/Base64.h"

namespace nimbrel::sim::test {
namespace {

class CameraStreamTest : public FleetFixture {};

bool IsLine(const Json::Value& l, const std::string& sid, const std::string& event) {
    return l["stream"].asString() == sid && l["event"].asString() == event;
}

// Reads video fragments until `frames` whole frames were seen; checks each header against
// the ones before it and returns the frames' bytes (with their key flags).
struct Received {
    std::vector<std::string> frames;
    std::vector<bool> keys;
    std::vector<uint32_t> numbers;
    int audioPackets = 0;
    int audioKind = 0;
};

Received ReadFrames(StreamTestClient& client, int frames) {
    Received r;
    std::string frame;
    int expectedIndex = 0, count = 0;
    uint32_t number = 0;
    while (static_cast<int>(r.frames.size()) < frames) {
        auto p = client.Read();
        if (!p) {
            ADD_FAILURE() << "stream ended after " << r.frames.size() << " frames";
            return r;
        }
        if (p->kind == 0x5A || p->kind == 0x5B) {
            ++r.audioPackets;
            r.audioKind = p->kind;
            continue;
        }
        if (p->kind != 0x46) {
            ADD_FAILURE() << "unexpected packet kind " << p->kind;
            return r;
        }
        const int index = p->S16(19);
        if (index == 0) {
            number = p->U32(5);
            count = p->S16(17);
            frame.clear();
            if (!r.numbers.empty()) {
                EXPECT_EQ(number, r.numbers.back() + 1) << "frame gap";
            }
        }
        EXPECT_EQ(index, expectedIndex) << "fragment out of order in frame " << number;
        EXPECT_EQ(p->U32(5), number);
        EXPECT_EQ(p->S16(17), count);
        EXPECT_GE(count, 1);
        EXPECT_LE(p->Length(), 1375);
        EXPECT_EQ(frame.size(), static_cast<std::size_t>(index) * 1375) << "fragment offset";
        frame += p->bytes.substr(25);
        expectedIndex = index + 1;
        if (expectedIndex == count) {
            r.frames.push_back(frame);
            r.keys.push_back((p->bytes[3] & 1) == 0);
            r.numbers.push_back(number);
            expectedIndex = 0;
        } else {
            EXPECT_EQ(p->Length(), 1375) << "only the last fragment may be short";
        }
    }
    return r;
}

int DecodedPictures(const Json::Value& reply, const std::vector<std::string>& frames) {
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    AVCodecContext* c = avcodec_alloc_context3(codec);
    AVFrame* picture = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    int pictures = 0;
    if (avcodec_open2(c, codec, nullptr) == 0) {
        std::vector<std::string> units;
        for (const char* name : {"sps", "pps"})
            units.push_back(std::string("\0\0\0\1", 4) +
                            Base64Decode(reply[name].asString()).value_or(""));
        for (const auto& f : frames) units.push_back(f);
        for (auto& u : units) {
            u.append(AV_INPUT_BUFFER_PADDING_SIZE, '\0');
            packet->data = reinterpret_cast<uint8_t*>(u.data());
            packet->size = static_cast<int>(u.size() - AV_INPUT_BUFFER_PADDING_SIZE);
            if (avcodec_send_packet(c, packet) < 0) continue;
            while (avcodec_receive_frame(c, picture) == 0)
                pictures += picture->width == 320 && picture->height == 180;
        }
    }
    av_packet_free(&packet);
    av_frame_free(&picture);
    avcodec_free_context(&c);
    return pictures;
}

TEST_F(CameraStreamTest, ConnectStartupAndFragmentsThatReassembleIntoTheClip) {
    StreamTestClient client;
    const auto reply = client.Open(Port("NB0000000001"), "NB0000000001", "2");
    ASSERT_TRUE(reply);
    EXPECT_EQ((*reply)["type"], "connect");
    EXPECT_EQ((*reply)["width"], "320");
    EXPECT_EQ((*reply)["height"], "180");
    EXPECT_EQ((*reply)["timeGap"], "40");
    EXPECT_EQ((*reply)["bitRate"], "300000");
    EXPECT_EQ((*reply)["audioType"], "speex");
    EXPECT_EQ((*reply)["audioSample"], "8000");
    const auto sps = Base64Decode((*reply)["sps"].asString());
    const auto pps = Base64Decode((*reply)["pps"].asString());
    ASSERT_TRUE(sps && pps);
    EXPECT_LE(sps->size(), 59u);
    EXPECT_LE(pps->size(), 59u);

    const Received r = ReadFrames(client, 25);
    ASSERT_EQ(r.frames.size(), 25u);
    // The stream starts at a key frame, and key frames come every GOP (10 frames).
    for (std::size_t i = 0; i < r.keys.size(); ++i) EXPECT_EQ(r.keys[i], i % 10 == 0) << i;
    // The key frame repeats the announced parameter sets.
    std::map<int, std::string> units;
    for (auto u : AnnexB::Units(r.frames[0])) units[AnnexB::Type(u)] = std::string(u);
    EXPECT_EQ(units[7], *sps);
    EXPECT_EQ(units[8], *pps);
    EXPECT_EQ(units.count(5), 1u);
    EXPECT_EQ(DecodedPictures(*reply, r.frames), 25);
    // 25 frames at 40 ms took about a second: several 200 ms Speex packets came along.
    EXPECT_GE(r.audioPackets, 2);
    EXPECT_EQ(r.audioKind, 0x5A);

    EXPECT_TRUE(WaitForLine([](const Json::Value& l) {
        return IsLine(l, "NB0000000001", "streaming") && l["via"] == "device";
    }));
}

TEST_F(CameraStreamTest, AacCameraLogsControlAndTalkPackets) {
    StreamTestClient client;
    const auto reply = client.Open(Port("NB0000000002"), "NB0000000002", "3");
    ASSERT_TRUE(reply);
    EXPECT_EQ((*reply)["audioType"], "aac");
    EXPECT_EQ((*reply)["audioSample"], "16000");
    int aac = 0;
    while (aac < 3) {
        auto p = client.Read();
        ASSERT_TRUE(p);
        ASSERT_NE(p->kind, 0x5A) << "a Speex packet from an AAC camera";
        if (p->kind != 0x5B) continue;
        ++aac;
        EXPECT_LE(p->Length(), 1024);
        EXPECT_EQ(static_cast<uint8_t>(p->bytes[11]), 0xFF) << "ADTS sync";
    }
    Json::Value keepAlive(Json::objectValue);
    keepAlive["type"] = "control";
    keepAlive["cmd"] = "pause";
    keepAlive["control_number"] = "7";
    keepAlive["umac"] = "demo_user,00:11:22:33:44:55";
    ASSERT_TRUE(client.SendMessage(keepAlive));
    Json::Value turn = keepAlive;
    turn.removeMember("control_number");
    turn["cmd"] = "turnUp";
    ASSERT_TRUE(client.SendMessage(turn));
    const std::string talk =
        std::string("\x5A\xC8\x00", 3) + std::string(8, '\0') + std::string(200, 'v');
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(client.Send(talk));
    ASSERT_TRUE(client.Send(std::string("\x5B\x05\x00", 3) + std::string(8, '\0') + "adts!"));

    const auto pause = WaitForLine([&](const Json::Value& l) {
        return l["stream"] == "NB0000000002" && l["message"]["cmd"] == "pause";
    });
    ASSERT_TRUE(pause);
    EXPECT_EQ((*pause)["message"], keepAlive);
    EXPECT_EQ((*pause)["via"], "device");
    const auto up = WaitForLine([&](const Json::Value& l) {
        return l["stream"] == "NB0000000002" && l["message"]["cmd"] == "turnUp";
    });
    ASSERT_TRUE(up);
    EXPECT_EQ((*up)["message"], turn);
    const auto talkLine = WaitForLine([&](const Json::Value& l) {
        return l["stream"] == "NB0000000002" && l["talk"]["speex"]["packets"] == 3 &&
               l["talk"]["aac"]["packets"] == 1;
    });
    ASSERT_TRUE(talkLine);
    EXPECT_EQ((*talkLine)["talk"]["speex"]["bytes"], 600);
    EXPECT_EQ((*talkLine)["talk"]["aac"]["bytes"], 5);
}

TEST_F(CameraStreamTest, BitRateChangeIsAnnouncedToTheNextClient) {
    StreamTestClient client;
    ASSERT_TRUE(client.Open(Port("NB0000000014"), "NB0000000014", "2"));
    Json::Value rate(Json::objectValue);
    rate["type"] = "control";
    rate["cmd"] = "resetBitRate";
    rate["bitRate"] = "88000";
    rate["umac"] = "demo_user,00:11:22:33:44:55";
    ASSERT_TRUE(client.SendMessage(rate));
    EXPECT_TRUE(WaitForLine([](const Json::Value& l) {
        return IsLine(l, "NB0000000014", "bitRate") && l["bitRate"] == 88000;
    }));
    StreamTestClient next;
    const auto reply = next.Open(Port("NB0000000014"), "NB0000000014", "2");
    ASSERT_TRUE(reply);
    EXPECT_EQ((*reply)["bitRate"], "88000");
}

TEST_F(CameraStreamTest, MalformedGreetingsCloseTheConnection) {
    const int port = Port("NB0000000001");
    auto with = [](const char* member, const Json::Value& value) {
        Json::Value m = ConnectFor("NB0000000001", "2");
        m[member] = value;
        return SealedPacket(m);
    };
    Json::Value extra = ConnectFor("NB0000000001", "2");
    extra["request-date"] = "2024-01-01";
    Json::Value missing = ConnectFor("NB0000000001", "2");
    missing.removeMember("netType");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"protocol of UDT over TCP", with("protocol", "1.2")},
        {"another camera's sid", with("sid", "NB0000000002")},
        {"link-type of a mapped port", with("link-type", "3")},
        {"playback flag", with("video-playback", "1")},
        {"identity", with("identity", "device")},
        {"type", with("type", "startup")},
        {"netType", with("netType", "3")},
        {"umac without a MAC", with("umac", "demo_user")},
        {"number instead of text", with("netType", 4)},
        {"object instead of text", with("sid", Json::Value(Json::objectValue))},
        {"extra member", SealedPacket(extra)},
        {"missing member", SealedPacket(missing)},
        {"another key", SealedPacket(ConnectFor("NB0000000001", "2"), "ffff")},
        {"unknown first byte", std::string("\x47\x10\x00", 3) + std::string(40, '0')},
        {"length not whole blocks", std::string("\x32\x11\x00", 3) + std::string(40, '0')},
        {"talk before connect", std::string("\x5A\xC8\x00", 3) + std::string(208, '\0')},
        {"hex that is not hex",
         std::string("\x32\x10\x00", 3) + "c0de" + std::string(1, '\0') + "zzzzzzzzzzzzzzzz"},
    };
    for (const auto& [what, bytes] : cases) {
        StreamTestClient client;
        ASSERT_TRUE(client.Connect(port)) << what;
        ASSERT_TRUE(client.Send(bytes)) << what;
        EXPECT_TRUE(client.WaitClosed(5000)) << what;
    }
    // The simulator is still serving, and said why it refused.
    StreamTestClient good;
    EXPECT_TRUE(good.Open(port, "NB0000000001", "2"));
    const auto refused = WaitForLine([](const Json::Value& l) {
        return l["event"] == "refused" && l["reason"].asString().find("protocol") == 0;
    });
    ASSERT_TRUE(refused);
    EXPECT_EQ((*refused)["stream"], "NB0000000001");
    EXPECT_EQ((*refused)["message"]["protocol"], "1.2");
}

TEST_F(CameraStreamTest, RelayServesTheCameraNamedByTheSid) {
    const int relay = fleet_->RelayPort();
    for (const char* sid : {"NB0000000004", "NB0000000001", "NB0000000003"}) {
        StreamTestClient client;
        const auto reply = client.Open(relay, sid, "5");
        ASSERT_TRUE(reply) << sid;
        EXPECT_EQ((*reply)["width"], "320") << sid;
        auto p = client.Read();
        ASSERT_TRUE(p) << sid;
        EXPECT_TRUE(p->kind == 0x46 || p->kind == 0x5A || p->kind == 0x5B) << sid;
    }
    EXPECT_TRUE(WaitForLine([](const Json::Value& l) {
        return IsLine(l, "NB0000000004", "streaming") && l["via"] == "relay";
    }));
    for (const auto& [sid, linkType] : std::vector<std::pair<std::string, std::string>>{
             {"NB0000000005", "5"}, {"NB0000000099", "5"}, {"NB0000000004", "2"}}) {
        StreamTestClient client;
        ASSERT_TRUE(client.Connect(relay));
        ASSERT_TRUE(client.SendMessage(ConnectFor(sid, linkType)));
        EXPECT_TRUE(client.WaitClosed(5000)) << sid << " link-type " << linkType;
    }
}

TEST_F(CameraStreamTest, CloseCommandThenTheConnectionEnds) {
    StreamTestClient client;
    ASSERT_TRUE(client.Open(Port("NB0000000006"), "NB0000000006", "2"));
    std::optional<Json::Value> close;
    for (int i = 0; i < 500 && !close; ++i) {
        auto p = client.Read();
        ASSERT_TRUE(p) << "connection ended before the close command";
        if (p->kind == 0x32) close = p->message;
    }
    ASSERT_TRUE(close);
    EXPECT_EQ((*close)["cmd"], "close");
    EXPECT_TRUE(client.WaitClosed(10000));
}

TEST_F(CameraStreamTest, MediaBeforeTheReplyThenADrop) {
    StreamTestClient client;
    ASSERT_TRUE(client.Connect(Port("NB0000000009")));
    ASSERT_TRUE(client.SendMessage(ConnectFor("NB0000000009", "2")));
    std::vector<int> kinds;
    while (true) {
        auto p = client.Read();
        ASSERT_TRUE(p);
        if (p->kind == 0x32) break;
        kinds.push_back(p->kind);
    }
    EXPECT_EQ(kinds, (std::vector<int>{0x46, 0x5A, 0x46, 0x5A}));
    Json::Value startup(Json::objectValue);
    startup["type"] = "startup";
    ASSERT_TRUE(client.SendMessage(startup));
    EXPECT_TRUE(client.WaitClosed(10000));
    EXPECT_TRUE(WaitForLine([](const Json::Value& l) {
        return IsLine(l, "NB0000000009", "closed") &&
               l["reason"].asString().find("dropAfter") != std::string::npos;
    }));
}

TEST_F(CameraStreamTest, BrokenPacketsAsTheFaultsAskThenSilence) {
    {
        StreamTestClient client;
        ASSERT_TRUE(client.Open(Port("NB0000000011"), "NB0000000011", "2"));
        bool overflow = false;
        for (int i = 0; i < 2000 && !overflow; ++i) {
            auto p = client.Read();
            ASSERT_TRUE(p);
            if (p->kind == 0x46) overflow = p->S16(19) * 1375 + p->Length() > 409600;
        }
        EXPECT_TRUE(overflow);
        EXPECT_FALSE(client.Read(1000)) << "the camera goes quiet after the broken packet";
    }
    StreamTestClient client;
    ASSERT_TRUE(client.Open(Port("NB0000000012"), "NB0000000012", "3"));
    int kind = 0;
    for (int i = 0; i < 2000; ++i) {
        auto p = client.Read();
        ASSERT_TRUE(p);
        kind = p->kind;
        if (kind != 0x46 && kind != 0x5A) break;
    }
    EXPECT_EQ(kind, 0x47);
}

TEST_F(CameraStreamTest, SilentCameraNeverAnswersConnect) {
    StreamTestClient client;
    ASSERT_TRUE(client.Connect(Port("NB0000000013")));
    ASSERT_TRUE(client.SendMessage(ConnectFor("NB0000000013", "2")));
    EXPECT_FALSE(client.Read(1500));
    EXPECT_TRUE(WaitForLine([](const Json::Value& l) {
        return IsLine(l, "NB0000000013", "fault") && l["fault"] == "silentConnect";
    }));
}

TEST_F(CameraStreamTest, ConnectFaultsRefuseOrHang) {
    auto start = [](int port) {
        auto socket = TcpSocket::Open();
        socket->Handle().SetNonBlocking();
        EXPECT_NE(socket->StartConnect(*Ipv4Endpoint::Parse("127.0.0.1", port)),
                  TcpSocket::ConnectStart::Connected);
        return socket;
    };
    auto refused = start(Port("NB0000000007"));
    ASSERT_EQ(refused->Handle().WaitWritable(5000), WaitResult::Ready);
    EXPECT_EQ(refused->ConnectError(), ECONNREFUSED);

    auto hanging = start(Port("NB0000000008"));
    EXPECT_EQ(hanging->Handle().WaitWritable(1500), WaitResult::TimedOut);
}

}  // namespace
}  // namespace nimbrel::sim::test
