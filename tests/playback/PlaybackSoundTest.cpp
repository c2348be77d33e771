// A recorded hour's sound against the simulated camera, whose recordings sound a tone apart from
// its live one: the hour's tone reaches the chosen output, the pause stops the sound and the
// resume brings it back, a jump plays nothing of the position it left, and a stop with the sound
// running ends in bounded time.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "ClientSession.h"
#include "Polling.h"
#include "SimProcess.h"
#include "ToneMeter.h"
#include "live/LiveContext.h"
#include "platform/RequestWorker.h"
#include "platform/audio/WavFile.h"
#include "playback/PlaybackStream.h"
#include "wall/CCanvas.h"
#include "wall/CanvasPaneHost.h"

namespace nimbrel::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr const char* kSid = "PB0000000014";
constexpr double kRecordedToneHz = 750;  // the card's; the camera's live tone is 440 Hz

class PlaybackSound : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(dir_);
        std::string why;
        ASSERT_TRUE(client.SignIn(sim, "pb_user", "pb123456", &why)) << why;
        live.connectTimeoutMs = 3000;
    }
    void TearDown() override {
        EXPECT_TRUE(RequestWorker::WaitForAllThreads(std::chrono::seconds(30)));
        std::filesystem::remove_all(dir_);
    }
    // A playback of the sounding camera's hour whose sound goes into `wav` (under the test's
    // folder), started.
    std::unique_ptr<PlaybackStream> Playing(const std::string& wav) {
        live.audio.SetOutput({AudioBackend::Kind::Wav, Path(wav)});
        auto stream = std::make_unique<PlaybackStream>(live, kSid);
        stream->Surface().SetDrawSize(320, 180);
        EXPECT_TRUE(stream->Start("20140315-08"));
        return stream;
    }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    static uint64_t Played(const PlaybackStream& s) { return s.Sound().Counters().framesPlayed; }

    std::filesystem::path dir_ =
        std::filesystem::temp_directory_path() / ("nimbrel-pbsound-" + std::to_string(getpid()));
    SimProcess sim{"playback.json"};
    ClientSession client;
    CCanvas canvas;
    CanvasPaneHost host{canvas};
    LiveContext live{client.g, client.app, client.notifier, host};
};

TEST_F(PlaybackSound, TheHoursToneReachesTheChosenOutputInStepWithThePictures) {
    auto stream = Playing("hour.wav");
    EXPECT_EQ(stream->Sound().SampleRate(), 16000);
    ASSERT_TRUE(WaitUntil([&] { return Played(*stream) >= 40; }));
    EXPECT_EQ(stream->State(), PlaybackStream::kPlaying);
    // Played in step with the pictures: the sound is within half a second of the picture.
    const int64_t picture = stream->VideoTimeMs();
    const int64_t sound = stream->Sound().Counters().lastHeardTime;
    EXPECT_LT(std::abs(picture - sound), 1500) << picture << " " << sound;
    stream->Stop();

    std::string why;
    const auto wav = ReadWav(Path("hour.wav"), &why);
    ASSERT_TRUE(wav) << why;
    EXPECT_EQ(wav->format.sampleRate, 16000);
    EXPECT_EQ(wav->format.channels, 2);
    const std::size_t frames = wav->samples.size() / 2;
    ASSERT_GE(frames, (40u - 8) * 1024);  // less the buffers queued at the stop
    const auto x = Channel(wav->samples, 2, frames / 4, frames / 2);
    EXPECT_NEAR(DominantHz(x, 16000), kRecordedToneHz, kRecordedToneHz * 0.02);
    EXPECT_GT(Rms(x), 2000);
    EXPECT_EQ(stream->Sound().Counters().framesSilent, 0u);
}

TEST_F(PlaybackSound, ThePauseStopsTheSoundAndTheResumeBringsItBack) {
    auto stream = Playing("pause.wav");
    ASSERT_TRUE(WaitUntil([&] { return Played(*stream) >= 10; }));
    stream->Pause();
    // The sound stops before the pause goes out: nothing queued earlier is heard after it.
    ASSERT_TRUE(WaitUntil([&] { return stream->Stats().commandsSent >= 1; }));
    EXPECT_FALSE(stream->Sound().Running());
    const uint64_t played = Played(*stream);
    const uint32_t heard = stream->Sound().Counters().lastHeardTime;
    std::this_thread::sleep_for(1200ms);
    EXPECT_EQ(Played(*stream), played);
    EXPECT_EQ(stream->Sound().Counters().lastHeardTime, heard);

    stream->Play();
    ASSERT_TRUE(WaitUntil([&] { return Played(*stream) >= played + 10; }));
    EXPECT_TRUE(stream->Sound().Running());
}

TEST_F(PlaybackSound, AJumpPlaysNothingOfThePositionItLeft) {
    auto stream = Playing("jump.wav");
    // The output's buffers are all queued and playing.
    ASSERT_TRUE(WaitUntil([&] { return Played(*stream) >= 16; }));
    stream->Jump(1800);
    ASSERT_TRUE(WaitUntil([&] { return stream->Stats().commandsSent >= 1; }));
    // The sound of the old position ended with the jump's request: whatever the output finishes
    // from here on is of the new one (the camera goes on from the key frame at 1800 s).
    const uint32_t left = stream->Sound().Counters().lastHeardTime;
    ASSERT_LT(left, 1800000u);
    std::vector<uint32_t> stale;
    ASSERT_TRUE(WaitUntil([&] {
        const uint32_t heard = stream->Sound().Counters().lastHeardTime;
        if (heard != left && heard < 1800000u - 2000u && (stale.empty() || stale.back() != heard))
            stale.push_back(heard);
        return heard >= 1800000u;
    }));
    EXPECT_TRUE(stale.empty()) << stale.size() << " buffers of the old position heard, the first "
                               << stale.front() << " ms";
}

TEST_F(PlaybackSound, AStopWithTheSoundRunningEndsInBoundedTime) {
    auto stream = Playing("stop.wav");
    ASSERT_TRUE(WaitUntil([&] { return Played(*stream) >= 8; }));
    ASSERT_TRUE(stream->Sound().Running());
    const auto begun = Clock::now();
    stream->Stop();
    EXPECT_LT(Clock::now() - begun, 5s);
    EXPECT_FALSE(stream->Sound().Running());
    EXPECT_EQ(stream->State(), PlaybackStream::kIdle);
    // The same stream plays again, sound and all.
    ASSERT_TRUE(stream->Start("20140315-08"));
    const uint64_t played = Played(*stream);
    EXPECT_TRUE(WaitUntil([&] { return Played(*stream) >= played + 8; }));
}

}  // namespace
}  // namespace nimbrel::test
