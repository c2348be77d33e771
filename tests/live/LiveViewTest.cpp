// Live views against the simulated cameras over loopback: every way of reaching a camera, the
// pictures themselves, keep-alives, failures, retries, relay limits and bounded stops.
#include <gtest/gtest.h>

#include <set>
#include <string_view>

#include "LiveFixture.h"
#include "camera/H264ClipEncoder.h"
#include "media/H264Decoder.h"
#include "media/PaneScaler.h"

namespace nimbrel::test {
namespace {

using namespace std::chrono_literals;

// Every picture of the simulator's default clip, decoded and converted at 640 × 360 the way a
// pane gets it, as a set of byte strings.
std::set<std::string> ReferencePictures() {
    const auto clip = sim::H264ClipEncoder::Encode(sim::VideoClipKey{});
    EXPECT_TRUE(clip.ok());
    std::set<std::string> pictures;
    H264Decoder decoder;
    const auto sps = ParameterSetRecord::FromBase64("");
    decoder.Open(*sps, *sps, 640, 360);
    PaneScaler scaler;
    PanePicture bgrx;
    for (const auto& frame : clip.value().frames) {
        std::string padded = frame.bytes + std::string(H264Decoder::kInputPadding, '\0');
        const AVFrame* picture =
            decoder.Decode(reinterpret_cast<const uint8_t*>(padded.data()), frame.bytes.size());
        if (picture && scaler.Scale(*picture, bgrx.Resize(640, 360)))
            pictures.emplace(reinterpret_cast<const char*>(bgrx.bgrx.data()), bgrx.bgrx.size());
    }
    return pictures;
}

class LiveView : public LiveFixture {};

bool Playing(const CCamera& c, uint64_t shown = 10) {
    return c.m_nStatus == kStatusPlaying && c.counters.framesShown >= shown;
}

TEST_F(LiveView, EveryReachabilityCasePlaysTheCamerasPictures) {
    Start("demo.json", "demo_user", "demo1234");
    const std::pair<const char*, int> cases[] = {{"NB0000000001", kDeviceLan},
                                                 {"NB0000000002", kDevicePortMapping},
                                                 {"NB0000000003", kDeviceNatTraversal},
                                                 {"NB0000000004", kDeviceRelay}};
    for (const auto& [sid, nat] : cases) Camera(sid).CameraStart();
    for (const auto& [sid, nat] : cases) {
        CCamera& c = Camera(sid);
        ASSERT_TRUE(WaitUntil([&] { return Playing(c); })) << sid << " status " << c.m_nStatus;
        EXPECT_EQ(c.m_DeviceNATType, nat) << sid;
        EXPECT_EQ(c.m_nWidth, 640);
        EXPECT_EQ(c.m_nTimeGap, 40);
        EXPECT_EQ(c.counters.framesDropped, 0u) << sid;
    }
    // The LAN camera's pane shows one of the clip's own pictures, byte for byte.
    const auto reference = ReferencePictures();
    ASSERT_FALSE(reference.empty());
    PanePicture shown;
    ASSERT_TRUE(canvas.SurfaceOf(Camera("NB0000000001"))->TakeFront(shown));
    ASSERT_EQ(shown.width, 640);
    ASSERT_EQ(shown.stride, 640 * 4);
    EXPECT_TRUE(reference.count(
        std::string(reinterpret_cast<const char*>(shown.bgrx.data()), shown.bgrx.size())));
    EXPECT_NE(Camera("NB0000000001").StatusLine().find("Прихожая  "), std::string::npos);

    // Keep-alives over TCP say "pause" (no device audio) with a rising number; over UDT "running".
    // The camera logs a message after it has read it: wait for its log, not for the sender.
    std::vector<std::string> numbers;
    ASSERT_TRUE(WaitUntil(
        [&] {
            numbers.clear();
            for (const auto& m : StreamMessages("NB0000000001"))
                if (m["cmd"] == "pause") numbers.push_back(m["control_number"].asString());
            return numbers.size() >= 2;
        },
        15s));
    EXPECT_EQ(numbers[0], "0");
    EXPECT_EQ(numbers[1], "1");
    bool udtRunning = false;
    for (const auto& m : StreamMessages("NB0000000003"))
        udtRunning = udtRunning || (m["cmd"] == "running" && !m.isMember("control_number"));
    EXPECT_TRUE(udtRunning);
}

TEST_F(LiveView, DeviceCloseAndDroppedStreamsFailAndDirectViewsAreRetried) {
    Start("live-faults.json", "live_user", "live1234",
          [](LiveContext& l) { l.checkPeriod = 1500ms; });
    CCamera& closing = Camera("LF0000000001");
    CCamera& dropped = Camera("LF0000000002");
    closing.CameraStart();
    dropped.CameraStart();
    ASSERT_TRUE(WaitUntil([&] { return closing.m_nStatus == kStatusFailed; })) << closing.m_nStatus;
    ASSERT_TRUE(WaitUntil([&] { return dropped.m_nStatus == kStatusFailed; })) << dropped.m_nStatus;
    // The check thread stops the failed LAN view and starts it again.
    ASSERT_TRUE(WaitUntil([&] { return closing.m_nStatus == kStatusPlaying; }));
}

TEST_F(LiveView, BrokenStreamsEndTheView) {
    Start("live-faults.json", "live_user", "live1234");
    for (const char* sid : {"LF0000000004", "LF0000000005"}) Camera(sid).CameraStart();
    for (const char* sid : {"LF0000000004", "LF0000000005"}) {
        CCamera& c = Camera(sid);
        ASSERT_TRUE(WaitUntil([&] { return c.counters.framesShown > 0; })) << sid;
        ASSERT_TRUE(WaitUntil([&] { return c.m_nStatus == kStatusFailed; })) << sid;
    }
}

TEST_F(LiveView, AfterAHiccupThePicturesCatchUpWithTheStream) {
    // Three seconds in, the camera holds its video back for a second and then sends it all at
    // once. Drawn one a tick, the burst would keep every later picture a second behind the
    // stream; the view skips the surplus and is back to its usual delay (1.75 periods).
    Start("live-faults.json", "live_user", "live1234");
    CCamera& camera = Camera("LF0000000021");
    camera.CameraStart();
    ASSERT_TRUE(WaitUntil([&] { return Playing(camera); }));
    ASSERT_TRUE(WaitUntil([&] {
        for (const Json::Value& line : sim->RequestLog())
            if (line["stream"] == "LF0000000021" && line["fault"] == "hold") return true;
        return false;
    }));
    // The burst lands a second after the hold began, and a second of pictures later the
    // surplus goes; the two seconds after that are measured.
    const uint64_t atHold = camera.counters.framesShown;
    ASSERT_TRUE(WaitUntil([&] { return camera.counters.framesShown >= atHold + 30; }));
    const uint64_t shown = camera.counters.framesShown;
    const DelayHistogram::Snapshot before = camera.counters.publishDelay.Take();
    ASSERT_TRUE(WaitUntil([&] { return camera.counters.framesShown >= shown + 50; }));
    const DelayHistogram::Snapshot window = camera.counters.publishDelay.Take().Since(before);
    // A second behind would be 1,000 ms and more; the usual delay is 70 ms, give or take the
    // machine's load.
    EXPECT_LT(window.Quantile(0.5), 400'000) << "median delay in microseconds";
    EXPECT_GE(camera.counters.framesSkippedBehind, 10u);
    EXPECT_EQ(camera.counters.framesDropped, 0u);
}

TEST_F(LiveView, FallbacksAndHandshakeVariants) {
    Start("live-faults.json", "live_user", "live1234",
          [](LiveContext& l) { l.connectTimeoutMs = 1500; });
    const char* sids[] = {"LF0000000007", "LF0000000008", "LF0000000010", "LF0000000011",
                          "LF0000000015", "LF0000000016", "LF0000000017"};
    canvas.Relayout(0, 3, 3);
    canvas.PlacePanes(1920, 1080);
    for (const char* sid : sids) Camera(sid).CameraStart();

    // A refused connect is an answer: no fall-back to the relay.
    CCamera& refused = Camera("LF0000000007");
    ASSERT_TRUE(WaitUntil([&] { return refused.m_nStatus == kStatusFailed; }));
    EXPECT_EQ(refused.m_DeviceNATType, kDeviceLan);
    // A LAN camera that does not answer in time is reached through the relay.
    CCamera& slow = Camera("LF0000000008");
    ASSERT_TRUE(WaitUntil([&] { return Playing(slow); }));
    EXPECT_EQ(slow.m_DeviceNATType, kDeviceRelay);
    // A silent rendezvous server: the login's default relay.
    CCamera& unpunched = Camera("LF0000000010");
    ASSERT_TRUE(WaitUntil([&] { return Playing(unpunched); }));
    EXPECT_EQ(unpunched.m_DeviceNATType, kDeviceRelay);
    // Media before the reply are skipped.
    ASSERT_TRUE(WaitUntil([&] { return Playing(Camera("LF0000000011")); }));
    // AAC over TCP takes the announced sample rate; the camera punched from another port is
    // followed there; an AAC camera over UDT plays with the plain audio.
    CCamera& aac = Camera("LF0000000015");
    ASSERT_TRUE(WaitUntil([&] { return Playing(aac); }));
    EXPECT_EQ(aac.m_bAudioAac, 1);
    EXPECT_EQ(aac.m_nAudioSample, 16000);
    CCamera& moved = Camera("LF0000000016");
    ASSERT_TRUE(WaitUntil([&] { return Playing(moved); }));
    EXPECT_EQ(moved.m_DeviceNATType, kDeviceNatTraversal);
    CCamera& aacUdt = Camera("LF0000000017");
    ASSERT_TRUE(WaitUntil([&] { return Playing(aacUdt); }));
    EXPECT_EQ(aacUdt.m_bAudioAac, 0);
    EXPECT_EQ(aacUdt.m_nAudioSample, 8000);
}

TEST_F(LiveView, RelayLimitsAndCuts) {
    Start("live-faults.json", "live_user", "live1234", [](LiveContext& l) {
        l.checkPeriod = 1000ms;
        l.relayCutSeconds = {1};
    });
    // A viewing limit of 0 minutes ends the view right after the handshake.
    CCamera& none = Camera("LF0000000012");
    none.CameraStart();
    ASSERT_TRUE(WaitUntil([&] {
        for (const auto& m : StreamMessages("LF0000000012"))
            if (m["type"] == "startup") return true;
        return false;
    }));
    ASSERT_TRUE(WaitUntil([&] { return none.m_nStatus == kStatusReady && none.m_nPage == -1; }));

    // The relay cut closes the stream; a failed relayed view is not retried, and the notice
    // is shown once.
    CCamera& cut = Camera("LF0000000013");
    cut.CameraStart();
    ASSERT_TRUE(WaitUntil([&] { return cut.m_nStatus == kStatusFailed; }));
    std::this_thread::sleep_for(2500ms);  // two check periods
    EXPECT_EQ(cut.m_nStatus, kStatusFailed);
    int notices = 0;
    for (const auto& shown : client.notifier.Messages())
        notices += shown.text == "检测到当前网速不稳定，请稍后重试";
    EXPECT_EQ(notices, 1);
}

TEST_F(LiveView, StopsEndInBoundedTimeAndRestartsWhenAsked) {
    Start("live-faults.json", "live_user", "live1234");
    auto stopTime = [](CCamera& c) {
        const auto start = std::chrono::steady_clock::now();
        c.StopCleanCameraTCP_UDT();
        return std::chrono::steady_clock::now() - start;
    };
    // Connecting to a camera that never answers "connect".
    CCamera& silent = Camera("LF0000000006");
    silent.CameraStart();
    std::this_thread::sleep_for(1s);
    EXPECT_EQ(silent.m_nStatus, kStatusConnecting);
    EXPECT_LT(stopTime(silent), 10s);
    EXPECT_EQ(silent.m_nStatus, kStatusReady);
    EXPECT_EQ(silent.m_nPage, -1);

    // Playing.
    CCamera& plain = Camera("LF0000000014");
    plain.CameraStart();
    ASSERT_TRUE(WaitUntil([&] { return Playing(plain); }));
    EXPECT_LT(stopTime(plain), 10s);
    EXPECT_EQ(plain.m_nStatus, kStatusReady);

    // A start while the stop runs restarts the view when the stop is done; a second start
    // while it plays does nothing.
    plain.CameraStart();
    ASSERT_TRUE(WaitUntil([&] { return Playing(plain); }));
    plain.RequestStop();
    plain.CameraStart();
    ASSERT_TRUE(WaitUntil(
        [&] { return plain.m_nStatus == kStatusReady || plain.m_nStatus == kStatusConnecting; }));
    ASSERT_TRUE(WaitUntil([&] { return Playing(plain, 5); }));
    const int page = plain.m_nPage;
    plain.CameraStart();
    EXPECT_EQ(plain.m_nPage, page);
    EXPECT_EQ(plain.m_nStatus, kStatusPlaying);
}

TEST_F(LiveView, CameraOnAHiddenPageNeitherDecodesNorPlaysUntilShown) {
    Start("demo.json", "demo_user", "demo1234");
    canvas.Relayout(0, 1, 1);
    canvas.PlacePanes(640, 360);
    CCamera& first = Camera("NB0000000001");
    CCamera& second = Camera("NB0000000006");
    first.CameraStart();
    second.CameraStart();
    ASSERT_TRUE(WaitUntil([&] { return Playing(first); }));
    ASSERT_EQ(second.m_nPage, 1);
    ASSERT_TRUE(WaitUntil([&] { return second.counters.fragments >= 20; }));
    EXPECT_EQ(second.m_nStatus, kStatusConnecting);
    EXPECT_EQ(second.counters.framesDecoded, 0u);
    EXPECT_EQ(second.counters.framesShown, 0u);
    ASSERT_TRUE(canvas.NextPage());
    ASSERT_TRUE(WaitUntil([&] { return Playing(second, 5); }));
}

}  // namespace
}  // namespace nimbrel::test
