// A simulated camera serving a recorded hour from its card to a bare client: the playback reply
// with the hour's length and start time, frames whose time values run through the recording,
// "jump" to the key frame at or before the point, pause and play, the end of the recording told
// by "close" (also after a jump past the end), and hours the card does not hold refused.
#include <gtest/gtest.h>

#include "FleetFixture.h"
#include "StreamTestClient.h"

namespace nimbrel::sim::test {
namespace {

const char* const kCardScenario = R"({
  "accounts": [{"name": "demo_user", "password": "demo1234"}],
  "devices": [
    {"sid": "CD0000000001", "owner": "demo_user", "reach": "lan",
     "media": {"width": 160, "height": 90, "gop": 10, "audio": "none"},
     "card": {"days": [{"date": "20140315", "hours": [8, 9]}], "startSecond": 1830}},
    {"sid": "CD0000000002", "owner": "demo_user", "reach": "lan",
     "media": {"width": 160, "height": 90, "gop": 10, "audio": "none"},
     "card": {"days": [{"date": "20140315", "hours": [8]}], "endsAt": 0.4}},
    {"sid": "CD0000000003", "owner": "demo_user", "reach": "lan",
     "media": {"width": 160, "height": 90, "gop": 10, "audio": "none"}}
  ]})";

constexpr int kGopMs = 10 * 40;

class CardStreamTest : public FleetFixture {
  protected:
    static void SetUpTestSuite() { StartFleet(kCardScenario); }

    static Json::Value PlaybackConnect(const std::string& sid, const std::string& date) {
        Json::Value m = ConnectFor(sid, "2");
        m["video-playback"] = "1";
        m["request-date"] = date;
        return m;
    }
    // connect, reply, startup; the reply or a null value.
    Json::Value Open(StreamTestClient& client, const std::string& sid, const std::string& date) {
        if (!client.Connect(Port(sid)) || !client.SendMessage(PlaybackConnect(sid, date)))
            return Json::Value();
        auto reply = client.ReadMessage();
        if (!reply) return Json::Value();
        Send(client, "startup");
        return *reply;
    }
    static void Send(StreamTestClient& client, const std::string& type, const std::string& cmd = "",
                     const std::string& point = "") {
        Json::Value m(Json::objectValue);
        m["type"] = type;
        if (!cmd.empty()) {
            m["cmd"] = cmd;
            m["umac"] = kTestUmac;
        }
        if (!point.empty()) m["point"] = point;
        ASSERT_TRUE(client.SendMessage(m));
    }
    struct Frame {
        uint32_t timeMs;
        bool key;
    };
    // The next first fragment of a frame (audio and later fragments skipped); nothing when a
    // message or the end of the connection comes first.
    static std::optional<Frame> NextFrame(StreamTestClient& client) {
        while (auto p = client.Read()) {
            if (p->kind == 0x32) return std::nullopt;
            if (p->kind == 0x46 && p->S16(19) == 0)
                return Frame{p->U32(13), (static_cast<uint8_t>(p->bytes[3]) & 1) == 0};
        }
        return std::nullopt;
    }
    static bool Logged(const std::string& sid, const std::string& event) {
        return WaitForLine(
                   [&](const Json::Value& l) { return l["stream"] == sid && l["event"] == event; })
            .has_value();
    }
};

TEST_F(CardStreamTest, TheReplyAnnouncesTheHourAndFramesCarryTheirTimeInTheRecording) {
    StreamTestClient client;
    const Json::Value reply = Open(client, "CD0000000001", "20140315-09");
    ASSERT_TRUE(reply.isObject());
    EXPECT_EQ(reply["type"], "connect");
    EXPECT_EQ(reply["playbackGap"], "3600");
    EXPECT_EQ(reply["playback-initTime"], "20140315093030");
    EXPECT_EQ(reply["timeGap"], "40");
    EXPECT_EQ(reply["width"], "160");
    EXPECT_FALSE(reply["sps"].asString().empty());
    for (int i = 0; i < 12; ++i) {
        const auto frame = NextFrame(client);
        ASSERT_TRUE(frame) << i;
        EXPECT_EQ(frame->timeMs, static_cast<uint32_t>(i * 40));
        EXPECT_EQ(frame->key, i % 10 == 0) << i;
    }
}

TEST_F(CardStreamTest, AJumpGoesToTheKeyFrameAtOrBeforeThePointAndPauseStopsThePictures) {
    StreamTestClient client;
    ASSERT_TRUE(Open(client, "CD0000000001", "20140315-08").isObject());
    ASSERT_TRUE(NextFrame(client));
    Send(client, "control", "jump", "1801");
    // Frames sent before the jump was read may still come; then the key frame at 1800.4 s.
    std::optional<Frame> frame;
    do frame = NextFrame(client);
    while (frame && frame->timeMs < 1000000);
    ASSERT_TRUE(frame);
    EXPECT_TRUE(frame->key);
    EXPECT_LE(frame->timeMs, 1801000u);
    EXPECT_GT(frame->timeMs, 1801000u - kGopMs);

    Send(client, "control", "playback-pause");
    ASSERT_TRUE(Logged("CD0000000001", "paused"));
    while (client.Read(300)) {  // what was under way before the pause
    }
    EXPECT_FALSE(client.Read(600)) << "a picture came during the pause";
    Send(client, "control", "playback-play");
    const auto resumed = NextFrame(client);
    ASSERT_TRUE(resumed);
    EXPECT_GT(resumed->timeMs, frame->timeMs);
    EXPECT_LT(resumed->timeMs, frame->timeMs + 5000);
}

TEST_F(CardStreamTest, TheEndOfTheRecordingAndAJumpPastItAreToldByClose) {
    StreamTestClient early;
    ASSERT_TRUE(Open(early, "CD0000000002", "20140315-08").isObject());
    std::optional<Frame> last;
    while (auto frame = NextFrame(early)) last = frame;
    ASSERT_TRUE(last);
    EXPECT_LT(last->timeMs, 400u);
    EXPECT_TRUE(early.WaitClosed(10000));

    StreamTestClient past;
    ASSERT_TRUE(Open(past, "CD0000000001", "20140315-08").isObject());
    ASSERT_TRUE(NextFrame(past));
    Send(past, "control", "jump", "3700");
    auto close = past.ReadMessage();
    ASSERT_TRUE(close);
    EXPECT_EQ((*close)["cmd"], "close");
    EXPECT_TRUE(past.WaitClosed(10000));
}

TEST_F(CardStreamTest, HoursTheCardDoesNotHoldAndCardlessCamerasAreRefused) {
    for (const auto& [sid, date] :
         {std::pair{"CD0000000001", "20140315-10"}, std::pair{"CD0000000003", "20140315-08"},
          std::pair{"CD0000000001", "2014031508"}}) {
        StreamTestClient client;
        ASSERT_TRUE(client.Connect(Port(sid)));
        ASSERT_TRUE(client.SendMessage(PlaybackConnect(sid, date)));
        EXPECT_FALSE(client.ReadMessage(3000)) << sid << " " << date;
        EXPECT_TRUE(client.WaitClosed(10000)) << sid << " " << date;
    }
    EXPECT_TRUE(Logged("CD0000000003", "refused"));
}

}  // namespace
}  // namespace nimbrel::sim::test
