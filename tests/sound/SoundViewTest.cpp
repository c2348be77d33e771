// Device audio and talk through the simulated cameras over loopback: each camera's tone arrives
// in the WAV output (AAC over TCP, Speex over TCP and UDT) without gaps once playing; talk from a
// WAV file reaches the camera at the file's pitch; switching either role from camera A to B stops
// A before B starts; a camera without audio keeps the player filling until it is switched off;
// view stops during sound end in bounded time; broken frames are dropped or played as silence.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "LiveFixture.h"
#include "ToneMeter.h"
#include "platform/audio/WavFile.h"
#include "wall/SoundSwitch.h"

namespace nimbrel::test {
namespace {

using namespace std::chrono_literals;

class SoundView : public LiveFixture {
  protected:
    void SetUp() override {
        dir_ =
            std::filesystem::temp_directory_path() / ("nimbrel-sound-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override {
        LiveFixture::TearDown();
        std::filesystem::remove_all(dir_);
    }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    void StartSound(const std::string& output, const std::string& input = {}) {
        Start("audio.json", "audio_user", "audio1234", [&](LiveContext& l) {
            l.audio = AudioBackends({AudioBackend::Kind::Wav, output},
                                    input.empty() ? AudioBackend{AudioBackend::Kind::Null, {}}
                                                  : AudioBackend{AudioBackend::Kind::Wav, input});
        });
        canvas.Relayout(0, 3, 3);
        canvas.PlacePanes(480, 288);
    }
    CCamera& Playing(const std::string& sid) {
        CCamera& c = Camera(sid);
        c.CameraStart();
        EXPECT_TRUE(WaitUntil([&] { return c.m_nStatus == kStatusPlaying; })) << sid;
        return c;
    }
    static bool Played(const CCamera& c, uint64_t frames) {
        return c.Audio().Counters().framesPlayed >= frames;
    }

    // The talk the simulated camera heard, per second, with at least `minSamples` samples.
    std::vector<Json::Value> Heard(const std::string& sid, int64_t minSamples) const {
        std::vector<Json::Value> seconds;
        for (const Json::Value& line : sim->RequestLog())
            if (line["stream"].asString() == sid && line.isMember("talkSecond") &&
                line["talkSecond"]["samples"].asInt64() >= minSamples)
                seconds.push_back(line["talkSecond"]);
        return seconds;
    }

    std::filesystem::path dir_;
};

WavData ReadOutput(const std::string& path) {
    std::string why;
    auto wav = ReadWav(path, &why);
    EXPECT_TRUE(wav) << why;
    return wav ? *wav : WavData{};
}

// The tone of `frames` frames of the left channel from `first`, within 2 %.
void ExpectTone(const WavData& wav, double hz, std::size_t first, std::size_t frames,
                const char* what) {
    const auto x = Channel(wav.samples, wav.format.channels, first, frames);
    ASSERT_GE(x.size(), frames / 2) << what;
    EXPECT_NEAR(DominantHz(x, wav.format.sampleRate), hz, hz * 0.02) << what;
    EXPECT_GT(Rms(x), 2000) << what;
}

TEST_F(SoundView, AacOverTcpPlaysTheCamerasToneWithoutGapsAndTheKeepAliveFollows) {
    const std::string out = Path("aac.wav");
    StartSound(out);
    CCamera& cam = Playing("AU0000000001");
    EXPECT_EQ(cam.m_bAudioAac, 1);
    SwitchDeviceAudioOn(canvas, cam);
    EXPECT_TRUE(host.IsAudioOwner(cam));
    ASSERT_TRUE(WaitUntil([&] { return Played(cam, 40); }));
    // While device audio plays the keep-alive says "running".
    ASSERT_TRUE(WaitUntil(
        [&] {
            for (const auto& m : StreamMessages("AU0000000001"))
                if (m["cmd"] == "running") return true;
            return false;
        },
        15s));
    SwitchDeviceAudioOff(canvas);
    ASSERT_TRUE(WaitUntil([&] { return !cam.AudioRunning(); }, 10s));
    EXPECT_EQ(cam.m_bAudioOff, 1);
    EXPECT_EQ(cam.Audio().Underruns(), 0u);
    EXPECT_EQ(cam.Audio().Counters().framesSilent, 0u);

    const WavData wav = ReadOutput(out);
    EXPECT_EQ(wav.format, (AudioFormat{16000, 2}));
    const std::size_t frames = wav.samples.size() / 2;
    // The buffers still queued when audio went off were never played.
    ASSERT_GE(frames, 30u * 1024u);
    ExpectTone(wav, 1000, 0, frames, "whole file");
    // No gap once playing: the first 8 buffers are the filling, everything after is the tone.
    const auto after = Channel(wav.samples, 2, 8 * 1024, frames - 8 * 1024);
    EXPECT_LT(LongestSilence(after), 8u);
    for (std::size_t at = 8 * 1024; at + 8000 <= frames; at += 8000)
        ExpectTone(wav, 1000, at, 8000, "half second");
}

TEST_F(SoundView, SwitchingAudioFromACameraToAnotherStopsTheFirstBeforeTheSecondStarts) {
    const std::string out = Path("speex.wav");
    StartSound(out);
    CCamera& a = Playing("AU0000000002");  // Speex over TCP, 440 Hz
    CCamera& b = Playing("AU0000000003");  // Speex over UDT, 600 Hz
    EXPECT_EQ(b.m_DeviceNATType, kDeviceNatTraversal);
    SwitchDeviceAudioOn(canvas, a);
    ASSERT_TRUE(WaitUntil([&] { return Played(a, 14); }));
    SwitchDeviceAudioOn(canvas, b);
    EXPECT_EQ(canvas.NextRoleCamera(CameraRole::Audio), &b);
    bool overlapped = false;
    ASSERT_TRUE(WaitUntil([&] {
        overlapped = overlapped || (b.AudioRunning() && a.AudioRunning());
        return Played(b, 14);
    }));
    EXPECT_FALSE(overlapped);
    EXPECT_TRUE(host.IsAudioOwner(b));
    EXPECT_EQ(canvas.NextRoleCamera(CameraRole::Audio), nullptr);
    EXPECT_EQ(a.m_bAudioOff, 1);
    SwitchDeviceAudioOff(canvas);
    ASSERT_TRUE(WaitUntil([&] { return !b.AudioRunning(); }, 10s));

    // One file: A's tone, then B's; each entry is 1600 samples.
    const WavData wav = ReadOutput(out);
    EXPECT_EQ(wav.format, (AudioFormat{8000, 1}));
    // At most the 8 buffers still queued when A stopped went unplayed.
    const std::size_t aHeard = (a.Audio().Counters().framesPlayed - 8) * 1600;
    ASSERT_GE(wav.samples.size(), aHeard + 4 * 1600);
    ExpectTone(wav, 440, 0, aHeard, "camera A");
    ExpectTone(wav, 600, wav.samples.size() - 4 * 1600, 4 * 1600, "camera B");
    EXPECT_EQ(a.Audio().Underruns(), 0u);
}

TEST_F(SoundView, ACameraWithoutAudioStaysFillingAndStopsInBoundedTime) {
    StartSound(Path("none.wav"));
    CCamera& silent = Playing("AU0000000005");
    SwitchDeviceAudioOn(canvas, silent);
    ASSERT_TRUE(WaitUntil([&] { return silent.m_bAudioOff == 0; }));
    std::this_thread::sleep_for(1s);
    EXPECT_TRUE(silent.AudioRunning());
    EXPECT_EQ(silent.Audio().Counters().framesPlayed, 0u) << "nothing plays before 8 frames";
    EXPECT_FALSE(std::filesystem::exists(Path("none.wav")));
    const auto start = std::chrono::steady_clock::now();
    SwitchDeviceAudioOff(canvas);
    ASSERT_TRUE(WaitUntil([&] { return !silent.AudioRunning(); }, 10s));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_EQ(silent.m_nStatus, kStatusPlaying);

    // Switched on again, then the view stops while it fills.
    SwitchDeviceAudioOn(canvas, silent);
    ASSERT_TRUE(WaitUntil([&] { return silent.m_bAudioOff == 0; }));
    const auto stopStart = std::chrono::steady_clock::now();
    silent.StopCleanCameraTCP_UDT();
    EXPECT_LT(std::chrono::steady_clock::now() - stopStart, 10s);
    EXPECT_FALSE(silent.AudioRunning());
    EXPECT_EQ(canvas.RoleCamera(CameraRole::Audio), nullptr);
}

TEST_F(SoundView, TalkReachesEachCameraAtTheFilesPitchAndMovesFromCameraToCamera) {
    const std::string in = Path("tone.wav");
    ASSERT_TRUE(WriteWav(in, {{44100, 1}, Tone(523, 44100, 44100)}));
    StartSound(Path("unused.wav"), in);
    CCamera& aac = Playing("AU0000000001");
    CCamera& speex = Playing("AU0000000002");
    CCamera& udt = Playing("AU0000000003");

    SwitchTalkOn(canvas, aac);
    ASSERT_TRUE(WaitUntil([&] { return Heard("AU0000000001", 12000).size() >= 2; }, 20s));
    SwitchTalkOn(canvas, speex);  // A to B: A stops first
    bool overlapped = false;
    ASSERT_TRUE(WaitUntil(
        [&] {
            overlapped = overlapped || (speex.TalkRunning() && aac.TalkRunning());
            return Heard("AU0000000002", 6400).size() >= 2;
        },
        20s));
    EXPECT_FALSE(overlapped);
    EXPECT_TRUE(host.IsTalkOwner(speex));
    SwitchTalkOn(canvas, udt);
    ASSERT_TRUE(WaitUntil([&] { return Heard("AU0000000003", 6400).size() >= 2; }, 20s));
    SwitchTalkOff(canvas);
    ASSERT_TRUE(WaitUntil([&] { return !udt.TalkRunning(); }, 10s));

    for (const char* sid : {"AU0000000001", "AU0000000002", "AU0000000003"}) {
        for (const auto& second : Heard(sid, 6400)) {
            EXPECT_NEAR(second["dominantHz"].asDouble(), 523, 523 * 0.02)
                << sid << " " << second.toStyledString();
            EXPECT_EQ(second["malformed"], 0) << sid;
        }
    }
    EXPECT_EQ(Heard("AU0000000001", 1)[0]["kind"], "aac");
    EXPECT_EQ(Heard("AU0000000003", 1)[0]["kind"], "speex");
    // The packets never broke the stream: the keep-alives went on being read.
    EXPECT_EQ(aac.m_nStatus, kStatusPlaying);
    EXPECT_EQ(udt.m_nStatus, kStatusPlaying);
    EXPECT_FALSE(aac.Talk().Counters().sendFailed);
}

TEST_F(SoundView, ViewStopsDuringAudioAndTalkEndInBoundedTime) {
    const std::string in = Path("tone.wav");
    ASSERT_TRUE(WriteWav(in, {{8000, 1}, Tone(300, 8000, 8000)}));
    StartSound(Path("stop.wav"), in);
    CCamera& cam = Playing("AU0000000001");
    SwitchDeviceAudioOn(canvas, cam);
    SwitchTalkOn(canvas, cam);
    ASSERT_TRUE(
        WaitUntil([&] { return Played(cam, 10) && cam.Talk().Counters().packetsSent >= 5; }));
    const auto start = std::chrono::steady_clock::now();
    cam.StopCleanCameraTCP_UDT();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    EXPECT_FALSE(cam.AudioRunning());
    EXPECT_FALSE(cam.TalkRunning());
    EXPECT_EQ(canvas.RoleCamera(CameraRole::Audio), nullptr);
    EXPECT_EQ(canvas.RoleCamera(CameraRole::Talk), nullptr);
    EXPECT_EQ(cam.m_bAudioOff, 1);
    // The view starts again and plays; sound stays off until asked for.
    Playing("AU0000000001");
    EXPECT_FALSE(cam.AudioRunning());
}

TEST_F(SoundView, OversizedAndGarbledFramesAreDroppedOrSilentWithoutHarm) {
    StartSound(Path("bad-aac.wav"));
    CCamera& oversized = Playing("AU0000000006");
    SwitchDeviceAudioOn(canvas, oversized);
    ASSERT_TRUE(WaitUntil([&] { return Played(oversized, 24); }));
    EXPECT_GE(oversized.Audio().Counters().framesOversized, 5u);
    SwitchDeviceAudioOff(canvas);
    ASSERT_TRUE(WaitUntil([&] { return !oversized.AudioRunning(); }, 10s));
    const WavData wav = ReadOutput(Path("bad-aac.wav"));
    ExpectTone(wav, 1000, 0, wav.samples.size() / 2, "oversized frames dropped");

    live->audio.SetOutput({AudioBackend::Kind::Wav, Path("garbled-aac.wav")});
    CCamera& garbledAac = Playing("AU0000000008");
    SwitchDeviceAudioOn(canvas, garbledAac);
    ASSERT_TRUE(WaitUntil([&] { return Played(garbledAac, 24); }));
    EXPECT_GE(garbledAac.Audio().Counters().framesSilent, 3u);
    SwitchDeviceAudioOff(canvas);
    ASSERT_TRUE(WaitUntil([&] { return !garbledAac.AudioRunning(); }, 10s));
    // A frame that does not decode is silence: whole silent entries, never a repeat of the last.
    const WavData g = ReadOutput(Path("garbled-aac.wav"));
    std::size_t silentEntries = 0;
    for (std::size_t e = 0; (e + 1) * 2048 <= g.samples.size(); ++e)
        silentEntries +=
            std::all_of(g.samples.begin() + e * 2048, g.samples.begin() + (e + 1) * 2048,
                        [](int16_t v) { return v == 0; });
    EXPECT_GE(silentEntries, 3u);

    live->audio.SetOutput({AudioBackend::Kind::Wav, Path("garbled-speex.wav")});
    CCamera& garbledSpeex = Playing("AU0000000007");
    SwitchDeviceAudioOn(canvas, garbledSpeex);
    ASSERT_TRUE(WaitUntil([&] { return Played(garbledSpeex, 12); }));
    SwitchDeviceAudioOff(canvas);
    ASSERT_TRUE(WaitUntil([&] { return !garbledSpeex.AudioRunning(); }, 10s));
    for (CCamera* c : {&oversized, &garbledAac, &garbledSpeex})
        EXPECT_EQ(c->m_nStatus, kStatusPlaying);
}

}  // namespace
}  // namespace nimbrel::test
