// The playback stream against the simulated cameras: the hour's pictures equal the recorded clip,
// pause stops pictures and timeline and resume goes on, a jump moves the timeline at once and the
// pictures follow from the key frame before it, fast forward at the end asks for the end, the
// recording's end leaves the frames playing and stops in bounded time, the start fails cleanly on
// what a playback cannot take, a new start ends the previous playback first, and the other ways
// to reach a camera (UDT, the relay) play too.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "ClientSession.h"
#include "Polling.h"
#include "SimProcess.h"
#include "camera/H264ClipEncoder.h"
#include "live/LiveContext.h"
#include "media/H264Decoder.h"
#include "media/PaneScaler.h"
#include "media/PaneSurface.h"
#include "platform/FixedText.h"
#include "platform/RequestWorker.h"
#include "playback/PlaybackStream.h"
#include "wall/CCanvas.h"
#include "wall/CanvasPaneHost.h"

namespace nimbrel::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kWidth = 320, kHeight = 180;
constexpr int kGopMs = 50 * 40;  // a key frame every 2 s

// The recorded clip's pictures at the stream's drawing size, converted as the stream does.
const std::vector<std::vector<uint8_t>>& ClipPictures() {
    static const std::vector<std::vector<uint8_t>> pictures = [] {
        const auto clip =
            sim::H264ClipEncoder::Encode(sim::VideoClipKey{kWidth, kHeight, 40, 1000000, 50, true});
        EXPECT_TRUE(clip.ok());
        std::vector<std::vector<uint8_t>> out;
        H264Decoder decoder;
        const auto none = ParameterSetRecord::FromBase64("");
        decoder.Open(*none, *none, kWidth, kHeight);
        PaneScaler scaler;
        for (const auto& frame : clip.value().frames) {
            std::string padded = frame.bytes + std::string(H264Decoder::kInputPadding, '\0');
            const AVFrame* picture =
                decoder.Decode(reinterpret_cast<const uint8_t*>(padded.data()), frame.bytes.size());
            if (!picture) continue;
            PanePicture converted;
            if (!scaler.Scale(*picture, converted.Resize(kWidth, kHeight))) continue;
            std::vector<uint8_t> rows;
            for (int y = 0; y < kHeight; ++y)
                rows.insert(rows.end(), converted.bgrx.begin() + y * converted.stride,
                            converted.bgrx.begin() + y * converted.stride + kWidth * 4);
            out.push_back(std::move(rows));
        }
        return out;
    }();
    return pictures;
}

class PlaybackStreamTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string why;
        ASSERT_TRUE(client.SignIn(sim, "pb_user", "pb123456", &why)) << why;
        live.connectTimeoutMs = 3000;
    }
    std::unique_ptr<PlaybackStream> Stream(const std::string& sid = "PB0000000001") {
        auto stream = std::make_unique<PlaybackStream>(live, sid);
        stream->Surface().SetDrawSize(kWidth, kHeight);
        return stream;
    }
    // The camera's log lines of one event ("jumped", "paused", ...) for `sid`.
    std::vector<Json::Value> Events(const std::string& sid, const std::string& event) const {
        std::vector<Json::Value> lines;
        for (const auto& l : sim.RequestLog())
            if (l["stream"] == sid && l["event"] == event) lines.push_back(l);
        return lines;
    }
    // The control messages the camera received from `sid`'s playback with this cmd.
    std::vector<Json::Value> Commands(const std::string& sid, const std::string& cmd) const {
        std::vector<Json::Value> lines;
        for (const auto& l : sim.RequestLog())
            if (l["stream"] == sid && l["message"]["cmd"] == cmd) lines.push_back(l["message"]);
        return lines;
    }
    // Waits until the decoded count stands still for a second.
    static uint64_t SettledFrames(const PlaybackStream& s) {
        uint64_t seen = s.Stats().framesDecoded;
        for (int still = 0; still < 5;) {
            std::this_thread::sleep_for(200ms);
            const uint64_t now = s.Stats().framesDecoded;
            still = now == seen ? still + 1 : 0;
            seen = now;
        }
        return seen;
    }

    // Request workers left running end before the process does.
    void TearDown() override {
        EXPECT_TRUE(RequestWorker::WaitForAllThreads(std::chrono::seconds(30)));
    }

    SimProcess sim{"playback.json"};
    ClientSession client;
    CCanvas canvas;
    CanvasPaneHost host{canvas};
    LiveContext live{client.g, client.app, client.notifier, host};
};

TEST_F(PlaybackStreamTest, AnHourPlaysWithItsOwnMessagesAndPicturesEqualToTheRecordedClip) {
    auto stream = Stream();
    ASSERT_TRUE(stream->Start("20140315-09"));
    const auto timeline = stream->Timeline();
    ASSERT_TRUE(timeline);
    EXPECT_EQ(timeline->StartText(), "09:00:00");
    EXPECT_EQ(timeline->EndText(), "10:00:00");
    ASSERT_TRUE(WaitUntil([&] { return stream->Stats().framesShown >= 30; }));
    EXPECT_EQ(stream->State(), PlaybackStream::kPlaying);

    PanePicture picture;
    ASSERT_TRUE(stream->Surface().TakeFront(picture));
    ASSERT_EQ(picture.width, kWidth);
    ASSERT_EQ(picture.height, kHeight);
    std::vector<uint8_t> rows;
    for (int y = 0; y < kHeight; ++y)
        rows.insert(rows.end(), picture.bgrx.begin() + y * picture.stride,
                    picture.bgrx.begin() + y * picture.stride + kWidth * 4);
    const auto& clip = ClipPictures();
    EXPECT_NE(std::find(clip.begin(), clip.end(), rows), clip.end())
        << "the picture is none of the recorded clip's";
    // A video area larger than the recording gets it at its own size; the window stretches it.
    stream->Surface().SetDrawSize(2 * kWidth, 2 * kHeight + 1);
    const uint64_t published = stream->Surface().Published();
    ASSERT_TRUE(WaitUntil([&] { return stream->Surface().Published() >= published + 3; }));
    ASSERT_TRUE(stream->Surface().TakeFront(picture));
    EXPECT_EQ(std::pair(picture.width, picture.height), std::pair(kWidth, kHeight));

    // current.do asked for the hour; the connect named it; keep-alives carry no number.
    const auto current = sim.Requests("current.do");
    ASSERT_FALSE(current.empty());
    const auto pairs = PayloadPairs(current.back());
    EXPECT_NE(
        std::find(pairs.begin(), pairs.end(), std::pair<std::string, std::string>{"play", "1"}),
        pairs.end());
    EXPECT_NE(std::find(pairs.begin(), pairs.end(),
                        std::pair<std::string, std::string>{"date", "20140315-09"}),
              pairs.end());
    const auto connects = Events("PB0000000001", "answered");
    ASSERT_EQ(connects.size(), 1u);
    ASSERT_TRUE(WaitUntil([&] { return !Commands("PB0000000001", "running").empty(); }));
    EXPECT_FALSE(Commands("PB0000000001", "running")[0].isMember("control_number"));
    stream->Stop();
    EXPECT_EQ(stream->State(), PlaybackStream::kIdle);
}

TEST_F(PlaybackStreamTest, PauseStopsPicturesAndTimelineAndResumeGoesOn) {
    auto stream = Stream();
    ASSERT_TRUE(stream->Start("20140315-08"));
    ASSERT_TRUE(WaitUntil([&] { return stream->Position() >= 2; }));
    stream->Pause();
    ASSERT_TRUE(WaitUntil([&] { return !Events("PB0000000001", "paused").empty(); }));
    const uint64_t frames = SettledFrames(*stream);
    const int position = stream->Position();
    std::this_thread::sleep_for(1200ms);
    EXPECT_EQ(stream->Stats().framesDecoded, frames);
    EXPECT_EQ(stream->Position(), position);
    EXPECT_EQ(stream->State(), PlaybackStream::kPlaying);

    stream->Play();
    ASSERT_TRUE(WaitUntil([&] { return stream->Position() >= position + 2; }));
    EXPECT_GT(stream->Stats().framesDecoded, frames + 25);
    EXPECT_EQ(Commands("PB0000000001", "playback-pause").size(), 1u);
    EXPECT_EQ(Commands("PB0000000001", "playback-play").size(), 1u);
}

TEST_F(PlaybackStreamTest, AJumpMovesTheTimelineAtOnceAndThePicturesFollowFromAKeyFrame) {
    auto stream = Stream();
    ASSERT_TRUE(stream->Start("20140315-08"));
    ASSERT_TRUE(WaitUntil([&] { return stream->Stats().framesShown >= 5; }));
    stream->Jump(1801);
    EXPECT_EQ(stream->Position(), 1801);
    ASSERT_TRUE(WaitUntil([&] { return stream->VideoTimeMs() >= 1801000 - kGopMs; }));
    // The first picture after the jump is of the key frame at or before the point.
    EXPECT_LE(stream->VideoTimeMs(), 1801000 + 1000);
    ASSERT_TRUE(WaitUntil([&] { return stream->VideoTimeMs() >= 1803000; }));
    EXPECT_GE(stream->Position(), 1801);
    EXPECT_LE(stream->Position(), 1801 + 4);
    const auto jumps = Commands("PB0000000001", "jump");
    ASSERT_EQ(jumps.size(), 1u);
    EXPECT_EQ(jumps[0]["point"], "1801");

    // Out of range: held to the recording.
    stream->Jump(-5);
    EXPECT_EQ(stream->Position(), 0);
}

TEST_F(PlaybackStreamTest, FastForwardNearTheEndAsksForTheEndAndTheCamerasCloseLeavesItPlaying) {
    auto stream = Stream();
    ASSERT_TRUE(stream->Start("20140315-08"));
    ASSERT_TRUE(WaitUntil([&] { return stream->Stats().framesShown >= 3; }));
    stream->Jump(3595);
    const auto timeline = stream->Timeline();
    ASSERT_TRUE(timeline);
    stream->Jump(timeline->Forward(3595));
    EXPECT_EQ(stream->Position(), 3600);
    ASSERT_TRUE(WaitUntil([&] { return stream->Closed(); }));
    EXPECT_EQ(Commands("PB0000000001", "jump").back()["point"], "3600");
    EXPECT_EQ(stream->State(), PlaybackStream::kPlaying);
    const auto begun = Clock::now();
    stream->Stop();
    EXPECT_LT(Clock::now() - begun, 5s);
}

TEST_F(PlaybackStreamTest, ARecordingThatEndsEarlyPlaysToItsEndAndStopsInBoundedTime) {
    auto stream = Stream("PB0000000009");
    ASSERT_TRUE(stream->Start("20140315-08"));
    ASSERT_TRUE(WaitUntil([&] { return stream->Closed(); }));
    ASSERT_TRUE(WaitUntil([&] { return stream->VideoTimeMs() >= 5000; }));
    EXPECT_LT(stream->VideoTimeMs(), 6000);
    EXPECT_EQ(stream->State(), PlaybackStream::kPlaying);
    EXPECT_GE(stream->Position(), 4);
    const auto begun = Clock::now();
    stream->Stop();
    EXPECT_LT(Clock::now() - begun, 5s);
    EXPECT_EQ(stream->State(), PlaybackStream::kIdle);
}

TEST_F(PlaybackStreamTest, WhatAPlaybackCannotTakeFailsItsStartOrItsStream) {
    for (const auto& [sid, hour] : {std::pair{"PB0000000001", "20140315-10"},     // not on the card
                                    std::pair{"PB0000000002", "20140315-08"},     // no card
                                    std::pair{"PB0000000004", "20140315-08"}}) {  // offline
        auto stream = Stream(sid);
        EXPECT_FALSE(stream->Start(hour)) << sid;
        EXPECT_EQ(stream->State(), PlaybackStream::kFailed) << sid;
        stream->Stop();
        EXPECT_EQ(stream->State(), PlaybackStream::kIdle) << sid;
    }
    // Speex sound has no place in a playback: the stream fails.
    auto speex = Stream("PB0000000011");
    const bool started = speex->Start("20140315-08");
    ASSERT_TRUE(WaitUntil([&] { return speex->State() == PlaybackStream::kFailed; })) << started;
}

TEST_F(PlaybackStreamTest, ANewStartEndsThePreviousPlaybackFirst) {
    auto stream = Stream();
    ASSERT_TRUE(stream->Start("20140315-08"));
    ASSERT_TRUE(WaitUntil([&] { return stream->Stats().framesShown >= 3; }));
    ASSERT_TRUE(stream->Start("20140315-21"));
    EXPECT_EQ(stream->Timeline()->StartText(), "21:00:00");
    ASSERT_TRUE(WaitUntil([&] { return stream->State() == PlaybackStream::kPlaying; }));
    // The first connection ended before the second was answered.
    const auto log = sim.RequestLog();
    int answered = 0;
    bool endedBeforeSecond = false;
    for (const auto& l : log) {
        if (l["stream"] != "PB0000000001") continue;
        if (l["event"] == "answered") ++answered;
        if (l.isMember("reason") && answered == 1) endedBeforeSecond = true;
    }
    EXPECT_EQ(answered, 2);
    EXPECT_TRUE(endedBeforeSecond);
}

TEST_F(PlaybackStreamTest, ACardReachedOverUdtOrThroughTheRelayPlays) {
    for (const char* sid : {"PB0000000012", "PB0000000013"}) {
        auto stream = Stream(sid);
        ASSERT_TRUE(stream->Start("20140315-08")) << sid;
        EXPECT_TRUE(WaitUntil([&] { return stream->Stats().framesShown >= 10; })) << sid;
        EXPECT_EQ(stream->LinkType(), std::string(sid) == "PB0000000012" ? 4 : 5) << sid;
    }
}

}  // namespace
}  // namespace nimbrel::test
