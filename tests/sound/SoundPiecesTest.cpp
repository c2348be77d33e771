// The sound layer's pieces without a network: WAV files, the paced outputs and inputs, the rings
// between the reading thread and the player, the capture ring, and the hand-over of the device
// audio and talk roles on the wall.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "ToneMeter.h"
#include "media/AudioFrameRing.h"
#include "media/CaptureRing.h"
#include "platform/audio/AudioBackends.h"
#include "platform/audio/PacedAudioInput.h"
#include "platform/audio/PacedAudioOutput.h"
#include "platform/audio/WavFile.h"
#include "wall/CCanvas.h"

namespace nimbrel::test {
namespace {

using namespace std::chrono_literals;

std::string TempPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() /
            (name + "-" + std::to_string(getpid()) + ".wav"))
        .string();
}

std::vector<uint8_t> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<uint8_t> Bytes(const std::vector<int16_t>& samples) {
    std::vector<uint8_t> b(samples.size() * 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        b[2 * i] = static_cast<uint8_t>(samples[i]);
        b[2 * i + 1] = static_cast<uint8_t>(static_cast<uint16_t>(samples[i]) >> 8);
    }
    return b;
}

TEST(WavFile, RoundTripAndBrokenFiles) {
    const std::string path = TempPath("roundtrip");
    WavData data{{16000, 2}, Tone(500, 16000, 1000, 2)};
    ASSERT_TRUE(WriteWav(path, data));
    const auto back = ReadWav(path);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->format, data.format);
    EXPECT_EQ(back->samples, data.samples);

    std::vector<uint8_t> file(44);
    std::string why;
    EXPECT_FALSE(ParseWav(file, &why));
    EXPECT_FALSE(why.empty());
    // A format chunk whose length runs past the end, and a file of 8-bit samples.
    const std::string header("RIFF\x24\0\0\0WAVEfmt \xff\xff\0\0", 20);
    EXPECT_FALSE(ParseWav(std::vector<uint8_t>(header.begin(), header.end())));
    std::vector<uint8_t> eightBit = FileBytes(path);
    eightBit[34] = 8;
    EXPECT_FALSE(ParseWav(eightBit, &why));
    // A data chunk cut short (a writer that was killed) gives what is there.
    std::vector<uint8_t> cut = FileBytes(path);
    cut.resize(44 + 400);
    const auto partial = ParseWav(cut);
    ASSERT_TRUE(partial);
    EXPECT_EQ(partial->samples.size(), 200u);
    std::filesystem::remove(path);
}

TEST(WavFile, OneWriterPerPathAppendsUntilTheFormatChanges) {
    const std::string path = TempPath("writer");
    const auto a = Bytes(Tone(300, 8000, 800));
    {
        auto w = WavWriter::ForPath(path);
        ASSERT_TRUE(w->Begin({8000, 1}));
        w->Append(a);
        EXPECT_EQ(WavWriter::ForPath(path), w);
        ASSERT_TRUE(WavWriter::ForPath(path)->Begin({8000, 1}));
        w->AppendSilence(160);
        w->Append(a);
        // The header is kept true while writing.
        const auto now = ReadWav(path);
        ASSERT_TRUE(now);
        EXPECT_EQ(now->samples.size(), 800u + 80u + 800u);
        ASSERT_TRUE(w->Begin({16000, 2}));
        w->Append(Bytes(Tone(300, 16000, 10, 2)));
        const auto restarted = ReadWav(path);
        ASSERT_TRUE(restarted);
        EXPECT_EQ(restarted->format, (AudioFormat{16000, 2}));
        EXPECT_EQ(restarted->samples.size(), 20u);
    }
    std::filesystem::remove(path);
}

// Collects the done reports of an output.
struct DoneLog {
    std::mutex lock;
    std::condition_variable wake;
    std::vector<int> ids;
    bool WaitFor(std::size_t n) {
        std::unique_lock l(lock);
        return wake.wait_for(l, 20s, [&] { return ids.size() >= n; });
    }
    AudioOutput::DoneCallback Callback() {
        return [this](int id, AudioOutput::Clock::time_point) {
            std::lock_guard g(lock);
            ids.push_back(id);
            wake.notify_all();
        };
    }
};

TEST(PacedOutput, PlaysInOrderWritesTheFileAndShowsRunningDryAsSilence) {
    const std::string path = TempPath("paced");
    const AudioFormat format{8000, 1};
    const auto buffer = Bytes(Tone(400, 8000, 320));  // 40 ms
    DoneLog log;
    {
        PacedAudioOutput out(path);
        ASSERT_TRUE(out.Open(format, log.Callback()));
        for (int id = 0; id < 4; ++id) ASSERT_TRUE(out.Queue(id, buffer));
        EXPECT_FALSE(out.Queue(0, buffer)) << "a queued buffer is not taken twice";
        EXPECT_FALSE(out.Queue(AudioOutput::kMaxBuffers, buffer));
        EXPECT_FALSE(out.Queue(1, std::vector<uint8_t>(3))) << "not whole frames";
        ASSERT_TRUE(log.WaitFor(4));
        EXPECT_EQ(log.ids, (std::vector<int>{0, 1, 2, 3}));
        // Running dry counts an underrun; what comes after follows a stretch of silence as long
        // as the output had nothing (at least the 100 ms waited here).
        std::this_thread::sleep_for(100ms);
        ASSERT_TRUE(out.Queue(0, buffer));
        ASSERT_TRUE(log.WaitFor(5));
        EXPECT_GE(out.Underruns(), 1u);
        out.Close();
        EXPECT_FALSE(out.Queue(1, buffer));
    }
    const auto wav = ReadWav(path);
    ASSERT_TRUE(wav);
    const auto x = Channel(wav->samples, 1, 0, wav->samples.size());
    EXPECT_GE(x.size(), 5u * 320u + 800u);
    EXPECT_GE(LongestSilence(x), 800u);
    EXPECT_NEAR(DominantHz(Channel(wav->samples, 1, 0, 4 * 320), 8000), 400, 8);
    std::filesystem::remove(path);
}

TEST(PacedOutput, CloseDuringPlayReturnsWithoutFurtherReports) {
    DoneLog log;
    PacedAudioOutput out;
    ASSERT_TRUE(out.Open({8000, 1}, log.Callback()));
    const std::vector<uint8_t> long_(16000 * 2);  // 2 s
    ASSERT_TRUE(out.Queue(0, long_));
    std::this_thread::sleep_for(50ms);
    const auto start = std::chrono::steady_clock::now();
    out.Close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_TRUE(log.ids.empty());
}

TEST(PacedInput, DeliversTheFileLoopingInTheAskedFormat) {
    const std::string path = TempPath("input");
    ASSERT_TRUE(WriteWav(path, {{44100, 2}, Tone(700, 44100, 44100 / 2, 2)}));
    std::mutex lock;
    std::condition_variable wake;
    std::vector<int16_t> got;
    std::size_t blocks = 0;
    {
        PacedAudioInput in(path);
        ASSERT_TRUE(in.Open({8000, 1}, 3200, [&](std::span<const uint8_t> b) {
            std::lock_guard g(lock);
            ++blocks;
            for (std::size_t i = 0; i + 1 < b.size(); i += 2)
                got.push_back(static_cast<int16_t>(b[i] | b[i + 1] << 8));
            wake.notify_all();
        }));
        std::unique_lock l(lock);
        // Three blocks of 200 ms outlast the half-second file: it loops.
        ASSERT_TRUE(wake.wait_for(l, 20s, [&] { return blocks >= 3; }));
    }
    EXPECT_NEAR(DominantHz(Channel(got, 1, 0, got.size()), 8000), 700, 14);
    EXPECT_FALSE(PacedAudioInput(TempPath("missing")).Open({8000, 1}, 3200, [](auto) {}));
    std::filesystem::remove(path);
}

TEST(AudioBackendNames, ParseTheThreeKinds) {
    EXPECT_EQ(AudioBackend::Parse("null")->kind, AudioBackend::Kind::Null);
    EXPECT_EQ(AudioBackend::Parse("portaudio")->kind, AudioBackend::Kind::PortAudio);
    const auto wav = AudioBackend::Parse("wav:/tmp/x.wav");
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->kind, AudioBackend::Kind::Wav);
    EXPECT_EQ(wav->path, "/tmp/x.wav");
    EXPECT_FALSE(AudioBackend::Parse("wav:"));
    EXPECT_FALSE(AudioBackend::Parse("alsa"));
}

TEST(AudioFrameRing, HandsOverWholeFramesAndDropsWhatDoesNotFit) {
    AudioFrameRing<200, 3200> ring;
    const std::vector<uint8_t> frame(200, 7);
    EXPECT_EQ(ring.Put(frame, 0), AudioPut::Off) << "no storage before the player starts";
    ASSERT_TRUE(ring.Allocate());
    EXPECT_EQ(ring.Put(std::vector<uint8_t>(201, 1), 0), AudioPut::Oversized);
    EXPECT_EQ(ring.Peek(), nullptr);
    for (int i = 0; i < 32; ++i) ASSERT_EQ(ring.Put(frame, 0), AudioPut::Stored) << i;
    EXPECT_EQ(ring.Put(frame, 0), AudioPut::Full);
    ASSERT_NE(ring.Peek(), nullptr);
    ring.Consume();
    // A short frame leaves nothing of the frame that was there before.
    ASSERT_EQ(ring.Put(std::vector<uint8_t>(20, 9), 5), AudioPut::Stored);
    for (int i = 0; i < 31; ++i) ring.Consume();
    auto* e = ring.Peek();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->count, 20u);
    EXPECT_EQ(e->timeValue, 5u);
    EXPECT_EQ(e->input[19], 9);
    EXPECT_EQ(e->input[20], 0);
    ring.Release();
    EXPECT_EQ(ring.Put(frame, 0), AudioPut::Off);
}

TEST(AudioFrameRing, WriterAndReaderThreadsHandOverEveryFrameIntact) {
    AudioFrameRing<1024, 16> ring;
    ASSERT_TRUE(ring.Allocate());
    constexpr int kFrames = 5000;
    std::thread writer([&] {
        std::vector<uint8_t> f(1024);
        for (int n = 0; n < kFrames;) {
            std::fill(f.begin(), f.end(), static_cast<uint8_t>(n));
            if (ring.Put(std::span(f.data(), 1 + n % 1024), static_cast<uint32_t>(n)) ==
                AudioPut::Stored)
                ++n;
            else
                std::this_thread::yield();
        }
    });
    for (int n = 0; n < kFrames;) {
        auto* e = ring.Peek();
        if (!e) {
            std::this_thread::yield();
            continue;
        }
        ASSERT_EQ(e->timeValue, static_cast<uint32_t>(n));
        ASSERT_EQ(e->count, static_cast<std::size_t>(1 + n % 1024));
        ASSERT_EQ(e->input[e->count - 1], static_cast<uint8_t>(n));
        ring.Consume();
        ++n;
    }
    writer.join();
}

TEST(CaptureRing, CountsWholeBlocksOnly) {
    CaptureRing ring;
    ring.Reset(3200);
    EXPECT_FALSE(ring.Put(std::vector<uint8_t>(3199))) << "a 3199-byte block is not sent";
    EXPECT_TRUE(ring.Front().empty());
    for (int i = 0; i < CaptureRing::kBlocks; ++i)
        ASSERT_TRUE(ring.Put(std::vector<uint8_t>(3200, i)));
    EXPECT_FALSE(ring.Put(std::vector<uint8_t>(3200))) << "full";
    EXPECT_EQ(ring.Front()[0], 0);
    ring.Pop();
    EXPECT_EQ(ring.Front()[0], 1);
    EXPECT_EQ(ring.Count(), CaptureRing::kBlocks - 1);
}

TEST(SoundRoles, HandOverGoesToTheWaitingCameraOnlyFromTheOwner) {
    CCanvas canvas;
    PaneOwner a, b, c;
    EXPECT_EQ(canvas.ClaimRole(CameraRole::Audio, a), CCanvas::Claim::Taken);
    EXPECT_EQ(canvas.ClaimRole(CameraRole::Audio, b), CCanvas::Claim::Queued);
    // Another camera's stop changes nothing.
    EXPECT_EQ(canvas.HandOverRole(CameraRole::Audio, c), nullptr);
    EXPECT_EQ(canvas.RoleCamera(CameraRole::Audio), &a);
    EXPECT_EQ(canvas.HandOverRole(CameraRole::Audio, a), &b);
    EXPECT_EQ(canvas.RoleCamera(CameraRole::Audio), &b);
    EXPECT_EQ(canvas.NextRoleCamera(CameraRole::Audio), nullptr);
    // Switched off first (nobody owns it): the waiting camera still takes over.
    canvas.SetNextRoleCamera(CameraRole::Audio, &c);
    canvas.SetRoleCamera(CameraRole::Audio, nullptr);
    EXPECT_EQ(canvas.HandOverRole(CameraRole::Audio, b), &c);
    EXPECT_EQ(canvas.HandOverRole(CameraRole::Audio, c), nullptr);
    EXPECT_EQ(canvas.RoleCamera(CameraRole::Audio), nullptr);
    EXPECT_EQ(canvas.RoleCamera(CameraRole::Talk), nullptr);
}

}  // namespace
}  // namespace nimbrel::test
