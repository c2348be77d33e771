// Through the simulator: a recording killed with SIGKILL while the archive indexed it is found at
// the next start up to its last complete fragment, and a card's hour saved as it plays holds
// exactly the frames that were played.
#include <gtest/gtest.h>
#include <unistd.h>

extern "C" {
#include <libavformat/avformat.h>
}

#include <filesystem>
#include <thread>

#include "ClientSession.h"
#include "CtlRunner.h"
#include "Mp4Probe.h"
#include "Polling.h"
#include "SimProcess.h"
#include "archive/ArchiveIndex.h"
#include "archive/ArchiveKeeper.h"
#include "live/LiveContext.h"
#include "platform/RequestWorker.h"
#include "playback/PlaybackSaver.h"
#include "playback/PlaybackStream.h"
#include "wall/CCanvas.h"
#include "wall/CanvasPaneHost.h"

namespace nimbrel::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

TEST(ArchiveSim, ARecordingKilledWithSigkillIsIndexedUpToItsLastCompleteFragment) {
    SimProcess sim("recording.json");
    const fs::path dir = fs::temp_directory_path() / ("archive-kill-" + std::to_string(getpid()));
    fs::remove_all(dir);
    const std::string config = " --config-dir " + (dir / "config").string();
    const std::string global = "--service " + sim.ServiceUrl() +
                               " --adapter lo --user rec_user --password rec12345 --json ";
    const long recorded = RecordThenKill(global + "record RC0000000001 --seconds 60 --progress --dir " +
                                             (dir / "videos").string() + config,
                                         150);
    ASSERT_GE(recorded, 150);

    // The killed run left the file listed as being written.
    const fs::path db = dir / "config" / "rec_user_archive.sqlite";
    std::string path;
    {
        archive::ArchiveIndex index;
        std::string error;
        ASSERT_TRUE(index.Open(db, error)) << error;
        const auto rows = index.Files(dir / "videos" / "rec_user");
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].state, archive::RecordingState::Open);
        path = rows[0].path;
    }
    const auto r = RunCtl("--user rec_user --json archive index --dir " + (dir / "videos").string() +
                          config);
    ASSERT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(ParseJson(r.out)["read"].asInt(), 1);
    archive::ArchiveIndex index;
    std::string error;
    ASSERT_TRUE(index.Open(db, error));
    const auto row = index.Find(path);
    ASSERT_TRUE(row);
    EXPECT_NE(row->state, archive::RecordingState::Open);
    EXPECT_NE(row->state, archive::RecordingState::Damaged);
    // Frames handed over before the kill, less at most the fragment being written (a key frame
    // every 50 frames) and the frame in the ring.
    EXPECT_GE(row->frames, recorded - 51);
    EXPECT_LE(row->validBytes, row->bytes);
    EXPECT_EQ(ProbeMp4(path).frames >= row->frames, true);
    fs::remove_all(dir);
}

class CardSaverTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string why;
        ASSERT_TRUE(client.SignIn(sim, "pb_user", "pb123456", &why)) << why;
        dir_ = fs::temp_directory_path() / ("archive-card-" + std::to_string(getpid()));
        fs::remove_all(dir_);
    }
    void TearDown() override {
        fs::remove_all(dir_);
        EXPECT_TRUE(RequestWorker::WaitForAllThreads(std::chrono::seconds(30)));
    }

    SimProcess sim{"playback.json"};
    ClientSession client;
    CCanvas canvas;
    CanvasPaneHost host{canvas};
    LiveContext live{client.g, client.app, client.notifier, host};
    fs::path dir_;
};

// The NAL units of an Annex B frame (3- or 4-byte start codes).
std::vector<std::string> AnnexBUnits(const std::string& frame) {
    std::vector<std::size_t> codes;
    for (std::size_t i = 0; i + 3 <= frame.size(); ++i)
        if (frame[i] == 0 && frame[i + 1] == 0 && frame[i + 2] == 1) codes.push_back(i);
    std::vector<std::string> units;
    for (std::size_t k = 0; k < codes.size(); ++k) {
        const std::size_t begin = codes[k] + 3;
        std::size_t end = k + 1 < codes.size() ? codes[k + 1] : frame.size();
        if (k + 1 < codes.size() && end > begin && frame[end - 1] == 0) --end;
        units.push_back(frame.substr(begin, end - begin));
    }
    return units;
}

// Hears the frames as the saver does, to compare with the file.
struct Played : PlaybackFrameTap {
    PlaybackSaver& saver;
    std::vector<std::string> frames;
    explicit Played(PlaybackSaver& s) : saver(s) {}
    void OnFrame(uint8_t* frame, std::size_t size, bool key, uint32_t time) override {
        const uint64_t before = saver.Frames();
        saver.OnFrame(frame, size, key, time);
        if (saver.Frames() > before) frames.emplace_back(reinterpret_cast<char*>(frame), size);
    }
};

TEST_F(CardSaverTest, TheSpanSavedAsItPlaysHoldsExactlyThePlayedFrames) {
    PlaybackStream stream(live, "PB0000000001");
    stream.Surface().SetDrawSize(320, 180);
    ASSERT_TRUE(stream.Start("20140315-09"));
    ASSERT_TRUE(WaitUntil([&] { return stream.Stats().framesShown >= 10; }));
    PlaybackSaver saver;
    std::string error;
    const fs::path file = dir_ / "card.mp4";
    ASSERT_TRUE(stream.Track());
    const Mp4Writer::Track track = *stream.Track();
    ASSERT_TRUE(saver.Begin(file, track, error)) << error;
    Played played(saver);
    stream.SetFrameTap(&played);
    ASSERT_TRUE(WaitUntil([&] { return saver.Frames() >= 120; }));
    stream.SetFrameTap(nullptr);
    ASSERT_TRUE(saver.Finish());
    stream.Stop();
    EXPECT_FALSE(fs::exists(file.string() + ".part"));

    // The file's samples are the played frames, in order (their units behind lengths instead of
    // start codes).
    AVFormatContext* f = nullptr;
    ASSERT_GE(avformat_open_input(&f, file.c_str(), nullptr, nullptr), 0);
    AVPacket* p = av_packet_alloc();
    std::size_t n = 0;
    bool same = true;
    while (av_read_frame(f, p) >= 0) {
        if (n < played.frames.size()) {
            std::vector<std::string> units;
            for (int at = 0; at + 4 <= p->size;) {
                const uint32_t unit = (uint32_t(p->data[at]) << 24) | (p->data[at + 1] << 16) |
                                      (p->data[at + 2] << 8) | p->data[at + 3];
                units.emplace_back(reinterpret_cast<const char*>(p->data) + at + 4, unit);
                at += 4 + static_cast<int>(unit);
            }
            same = same && units == AnnexBUnits(played.frames[n]);
        }
        ++n;
        av_packet_unref(p);
    }
    av_packet_free(&p);
    avformat_close_input(&f);
    EXPECT_EQ(n, played.frames.size());
    EXPECT_EQ(n, saver.Frames());
    EXPECT_TRUE(same);
    EXPECT_EQ(ProbeMp4(file).frames, static_cast<long>(n));

    // A cancel leaves nothing.
    ASSERT_TRUE(saver.Begin(dir_ / "cancelled.mp4", track, error)) << error;
    EXPECT_TRUE(fs::exists(dir_ / "cancelled.mp4.part"));
    saver.Cancel();
    EXPECT_FALSE(fs::exists(dir_ / "cancelled.mp4"));
    EXPECT_FALSE(fs::exists(dir_ / "cancelled.mp4.part"));
}

}  // namespace
}  // namespace nimbrel::test
