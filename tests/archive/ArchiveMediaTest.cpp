// What the archive makes of its recordings: a span exported across a cut into one file whose
// times run on evenly, the player going from one file to the next without a gap (and pausing,
// stepping and jumping), and nimbrelctl archive on the same folder.
#include <gtest/gtest.h>

extern "C" {
#include <libavformat/avformat.h>
}

#include <thread>

#include "ArchiveFiles.h"
#include "CtlRunner.h"
#include "Mp4Probe.h"
#include "archive/ArchiveExport.h"
#include "archive/ArchiveKeeper.h"
#include "archive/ArchivePlayer.h"
#include "archive/LocalTime.h"

namespace nimbrel::archive {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

int64_t At(const char* text) {
    return *ParseTimeText(text);
}

// The decoding times of a file's pictures, in ticks of its time base.
std::vector<int64_t> PacketTimes(const fs::path& file, AVRational* base) {
    std::vector<int64_t> times;
    AVFormatContext* f = nullptr;
    if (avformat_open_input(&f, file.c_str(), nullptr, nullptr) < 0) return times;
    *base = f->streams[0]->time_base;
    AVPacket* p = av_packet_alloc();
    while (av_read_frame(f, p) >= 0) {
        times.push_back(p->dts);
        av_packet_unref(p);
    }
    av_packet_free(&p);
    avformat_close_input(&f);
    return times;
}

class ArchiveMedia : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = test::FreshFolder("archive-media");
        folder_ = (dir_ / "videos").string() + "/";
        root_ = dir_ / "videos" / "anna";
        // 3 s cut after 1 s: three files that follow each other.
        files_ = test::RecordFiles(folder_, "anna", "NB1", "2024-03-05 07:00:00", 3, 1);
        ASSERT_EQ(files_.size(), 3u);
        ArchiveKeeper::Options o;
        o.database = dir_ / "config" / "anna_archive.sqlite";
        o.user = "anna";
        keeper_ = std::make_unique<ArchiveKeeper>(o);
        std::string error;
        ASSERT_TRUE(keeper_->Start(error)) << error;
        keeper_->SetFolder(folder_);
        ASSERT_TRUE(keeper_->WaitIdle(30s));
    }
    void TearDown() override {
        keeper_.reset();
        fs::remove_all(dir_);
    }

    fs::path dir_;
    std::string folder_;
    fs::path root_;
    std::vector<fs::path> files_;
    std::unique_ptr<ArchiveKeeper> keeper_;
};

TEST_F(ArchiveMedia, ASpanAcrossACutBecomesOneFileWithEvenTimesFromAKeyFrame) {
    ExportRequest r{root_, "NB1", At("2024-03-05 07:00:00") + 500, At("2024-03-05 07:00:02") + 500,
                    dir_ / "out" / "span.mp4"};
    ExportProgress progress;
    const ExportResult result = ExportSpan(keeper_->Index(), r, &progress);
    ASSERT_TRUE(result.ok) << (result.error ? result.error : "");
    EXPECT_EQ(result.files, 3);
    // From the key frame at 0.4 s (every 5th frame) to the frame at 2.48 s, the last before 2.5.
    EXPECT_EQ(result.frames, (2480 - 400) / test::kFramePeriodMs + 1);
    EXPECT_EQ(progress.doneMs, progress.totalMs);
    AVRational base{};
    const auto times = PacketTimes(r.output, &base);
    ASSERT_EQ(static_cast<int64_t>(times.size()), result.frames);
    for (std::size_t i = 1; i < times.size(); ++i)
        ASSERT_EQ(av_rescale_q(times[i] - times[i - 1], base, {1, 1000}), test::kFramePeriodMs)
            << "at frame " << i;
    const auto facts = test::ProbeMp4(r.output);
    ASSERT_TRUE(facts.read) << facts.error;
    EXPECT_TRUE(facts.keyFrames.at(0));
    // Within one key-frame interval of the span asked for.
    EXPECT_NEAR(facts.duration, 2.0, 0.2 + 0.001);
    EXPECT_FALSE(fs::exists(r.output.string() + ".part"));

    // A cancelled export leaves nothing; a span without recordings is said so.
    ExportProgress cancelled;
    cancelled.cancel = true;
    r.output = dir_ / "out" / "cancelled.mp4";
    EXPECT_STREQ(ExportSpan(keeper_->Index(), r, &cancelled).error, export_text::kCancelled);
    EXPECT_TRUE(fs::is_empty(dir_ / "out") || !fs::exists(r.output));
    EXPECT_FALSE(fs::exists(r.output.string() + ".part"));
    r.fromMs = At("2024-03-05 09:00:00");
    r.toMs = r.fromMs + 1000;
    EXPECT_STREQ(ExportSpan(keeper_->Index(), r).error, export_text::kNothing);
}

TEST_F(ArchiveMedia, ThePlayerGoesAcrossEachCutWithoutAGapAndPausesStepsAndJumps) {
    ArchivePlayer player(keeper_->Index());
    player.Surface().SetDrawSize(96, 64);
    std::mutex lock;
    std::vector<std::pair<int64_t, int64_t>> shown;  // time, clock
    player.SetFrameObserver([&](int64_t time, int64_t clock) {
        std::lock_guard guard(lock);
        shown.emplace_back(time, clock);
    });
    player.SetSpeed(8);
    player.Play(root_, "NB1", At("2024-03-05 07:00:00"));
    for (int i = 0; i < 500 && player.State() == ArchivePlayer::kPlaying; ++i)
        std::this_thread::sleep_for(20ms);
    ASSERT_EQ(player.State(), ArchivePlayer::kEnded);
    {
        std::lock_guard guard(lock);
        ASSERT_EQ(shown.size(), 75u);  // every frame of the three files, once
        for (std::size_t i = 1; i < shown.size(); ++i)
            ASSERT_EQ(shown[i].second - shown[i - 1].second, test::kFramePeriodMs) << "frame " << i;
        EXPECT_EQ(TimeText(shown.back().first), "2024-03-05 07:00:02");
    }
    EXPECT_EQ(player.Stats().filesOpened, 3u);
    EXPECT_EQ(player.Stats().framesShown, 75u);

    // A jump into the second file while paused shows its picture there; a step shows one more.
    const auto shownCount = [&] {
        std::lock_guard guard(lock);
        return shown.size();
    };
    const auto lastShown = [&] {
        std::lock_guard guard(lock);
        return shown.back().first;
    };
    player.Pause();
    const int64_t target = At("2024-03-05 07:00:01") + 520;
    player.Seek(target);
    for (int i = 0; i < 250 && shownCount() == 75; ++i) std::this_thread::sleep_for(20ms);
    std::this_thread::sleep_for(100ms);
    ASSERT_EQ(shownCount(), 76u);
    EXPECT_EQ(lastShown(), target);
    EXPECT_EQ(player.State(), ArchivePlayer::kPaused);
    player.StepFrame();
    for (int i = 0; i < 250 && shownCount() == 76; ++i) std::this_thread::sleep_for(20ms);
    std::this_thread::sleep_for(100ms);
    ASSERT_EQ(shownCount(), 77u);
    EXPECT_EQ(lastShown(), target + test::kFramePeriodMs);
    player.Stop();
    EXPECT_EQ(player.State(), ArchivePlayer::kIdle);
}

TEST_F(ArchiveMedia, TheFileTheRecorderWritesNowPlaysAndExportsUpToItsLastCompleteFragment) {
    test::TestRecording live(folder_, "anna", "NB2", "2024-03-05 08:00:00", 0, keeper_.get());
    live.Record(2);
    ASSERT_EQ(live.Files().size(), 1u);
    const fs::path file = live.Files()[0];
    ASSERT_EQ(keeper_->Index().Find(file.string())->state, RecordingState::Open);
    // What the recorder has written out so far, as a player outside sees it: whole fragments,
    // the frames since the last key frame still to come.
    const long onDisk = test::ProbeMp4(file).frames;
    ASSERT_GT(onDisk, 0);
    ASSERT_LT(onDisk, 50);

    ArchivePlayer player(keeper_->Index());
    player.Surface().SetDrawSize(96, 64);
    player.SetSpeed(8);
    player.Play(root_, "NB2", At("2024-03-05 08:00:00"));
    for (int i = 0; i < 500 && player.State() == ArchivePlayer::kPlaying; ++i)
        std::this_thread::sleep_for(20ms);
    EXPECT_EQ(player.State(), ArchivePlayer::kEnded);
    EXPECT_EQ(player.Stats().framesShown, static_cast<uint64_t>(onDisk));
    player.Stop();

    ExportRequest r{root_, "NB2", At("2024-03-05 08:00:00"), At("2024-03-05 08:00:02"),
                    dir_ / "open.mp4"};
    const ExportResult result = ExportSpan(keeper_->Index(), r);
    ASSERT_TRUE(result.ok) << (result.error ? result.error : "");
    EXPECT_EQ(result.frames, onDisk);
    EXPECT_EQ(test::ProbeMp4(r.output).frames, onDisk);
}

TEST_F(ArchiveMedia, NimbrelctlListsPlaysExportsAndPrunesTheSameFolder) {
    keeper_.reset();  // the command line opens the same index
    const std::string common = " --user anna --json archive --dir " + folder_ + " --config-dir " +
                               (dir_ / "config").string() + " ";
    const auto list = test::RunCtl(common + "list");
    ASSERT_EQ(list.exitCode, 0) << list.out;
    const Json::Value spans = test::ParseJson(list.out)["cameras"][0]["spans"];
    ASSERT_EQ(spans.size(), 1u);
    EXPECT_EQ(spans[0]["start"].asString(), "2024-03-05 07:00:00");
    EXPECT_EQ(spans[0]["end"].asString(), "2024-03-05 07:00:03");

    const auto play = test::RunCtl(common + "play NB1 --from '2024-03-05 07:00:01' --seconds 5 --speed 8");
    ASSERT_EQ(play.exitCode, 0) << play.out;
    EXPECT_EQ(test::ParseJson(play.out)["framesDecoded"].asInt(), 50);
    EXPECT_EQ(test::ParseJson(play.out)["reached"].asString(), "2024-03-05 07:00:02");

    const std::string out = (dir_ / "cli.mp4").string();
    const auto exported = test::RunCtl(common + "export NB1 --from '2024-03-05 07:00:00' --to "
                                                "'2024-03-05 07:00:03' --output " + out);
    ASSERT_EQ(exported.exitCode, 0) << exported.out;
    EXPECT_EQ(test::ParseJson(exported.out)["frames"].asInt(), 75);
    EXPECT_EQ(test::ProbeMp4(out).frames, 75);

    ASSERT_EQ(test::RunCtl(common + "keep " + files_[0].string()).exitCode, 0);
    const auto pruned = test::RunCtl(common + "prune --size 0.000001");
    ASSERT_EQ(pruned.exitCode, 0) << pruned.out;
    EXPECT_EQ(test::ParseJson(pruned.out)["deleted"].size(), 2u);
    EXPECT_TRUE(fs::exists(files_[0]));  // kept
    EXPECT_EQ(test::RunCtl(common + "export NB1 --from x --to y --output " + out).exitCode, 2);
    // A relative folder names no place, as for `record --dir`: refused before anything is read.
    const auto relative = test::RunCtl(" --user anna --json archive --dir videos --config-dir " +
                                       (dir_ / "config").string() + " list");
    EXPECT_EQ(relative.exitCode, 2) << relative.out;
    EXPECT_EQ(test::ParseJson(relative.out)["status"].asString(), "USAGE");
}

}  // namespace
}  // namespace nimbrel::archive
