// The recorder of a live view driven tick by tick as the display timer drives it: where files
// go and what they are called, when they are cut, that every file begins with a key frame and
// no frame is lost or written twice, and what a missing folder, a file name taken in the same
// second, a full disk, a lost flush, a frozen disk or a recording length of 0 do.
#include "live/CameraRecorder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <numeric>

#include "FullDiskSink.h"
#include "H264Clip.h"
#include "Mp4Probe.h"
#include "RecordingNotifier.h"
#include "platform/DurableFile.h"
#include "platform/FileFaults.h"
#include "platform/UserDirs.h"

namespace nimbrel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::tm Time(int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = 2024 - 1900;
    t.tm_mon = 2;
    t.tm_mday = 5;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

ParameterSetRecord Record(const std::vector<uint8_t>& nal) {
    ParameterSetRecord r;
    r.bytes[3] = 1;
    std::copy(nal.begin(), nal.end(), r.bytes.begin() + 4);
    r.bytes[63] = static_cast<uint8_t>(nal.size());
    return r;
}

// While it exists, the recording files' writes and flushes do what it says (see FileFaults).
class FaultFile {
  public:
    FaultFile(const fs::path& path, const std::string& says) : path_(path) {
        std::ofstream(path_) << says;
        file_faults::SetControlFile(path_);
    }
    ~FaultFile() {
        Remove();
        file_faults::SetControlFile({});
    }
    void Remove() { fs::remove(path_); }

  private:
    fs::path path_;
};

class CameraRecorderTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        H264ClipOptions options;
        options.width = 96;
        options.height = 64;
        options.gop = 5;
        options.frames = 10;
        auto made = MakeH264Clip(options);
        ASSERT_TRUE(made) << "libx264 encoder not available";
        clip_ = new H264Clip(std::move(*made));
    }
    static void TearDownTestSuite() { delete clip_; }

    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("recorder-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    CameraRecorder::View View(std::chrono::milliseconds length = 0ms) const {
        CameraRecorder::View v;
        v.folder = (dir_ / "videos").string() + "/";
        v.user = "demo_user";
        v.sid = "NB0000000001";
        v.fileLength = length;
        v.framePeriodMs = 40;
        v.track = {clip_->width, clip_->height, Record(clip_->sps), Record(clip_->pps), 3600};
        return v;
    }

    // One display tick with frame `n` of the looping clip (key every 5 frames, 40 ms apart).
    void Tick(CameraRecorder& recorder, int n) {
        recorder.Upkeep(record);
        auto& bytes = clip_->frames[static_cast<std::size_t>(n) % clip_->frames.size()].bytes;
        const FrameRing::Frame frame{bytes.data(),
                                     bytes.size(),
                                     n % 5 == 0,
                                     static_cast<uint32_t>(n),
                                     static_cast<uint32_t>(1000000 + n * 40),
                                     0};
        if (record) recorder.WriteFrame(frame, record);
    }
    // The writer has done everything handed to it, and a tick has seen what came of it.
    void Settle(CameraRecorder& recorder) {
        ASSERT_TRUE(recorder.Flush(20s));
        recorder.Upkeep(record);
    }
    std::size_t Notices() const { return notifier.Messages().size(); }

    // A clock that moves on by one second every time it is read, or stands still.
    LocalClock Clock(bool moving = true) {
        return [this, moving] {
            const int s = moving ? seconds_++ : seconds_;
            return Time(7, s / 60, s % 60);
        };
    }

    static inline H264Clip* clip_ = nullptr;
    fs::path dir_;
    test::RecordingNotifier notifier;
    std::atomic<int> record{1};
    int seconds_ = 0;
};

TEST(CapturePaths, FolderPerAccountAndDayAndFileNamedByTimeAndDevice) {
    const auto path = PlanCapturePath("/v/", "demo", "NB1", Time(7, 8, 9), ".mp4");
    ASSERT_TRUE(path);
    EXPECT_EQ(path->folder, fs::path("/v/demo/2024-03-05"));
    EXPECT_EQ(path->file, fs::path("/v/demo/2024-03-05/2024-03-05-07-08-09-NB1.mp4"));
    EXPECT_EQ(PlanCapturePath("/i/", "demo", "NB1", Time(23, 59, 58), ".bmp")->file,
              fs::path("/i/demo/2024-03-05/2024-03-05-23-59-58-NB1.bmp"));
    // A folder is a folder however it was stored: without its "/", or from "~".
    EXPECT_EQ(PlanCapturePath("/v", "demo", "NB1", Time(7, 8, 9), ".mp4")->file, path->file);
    EXPECT_EQ(PlanCapturePath("~/Видео", "demo", "NB1", Time(7, 8, 9), ".mp4")->folder,
              HomeDir() / "Видео/demo/2024-03-05");
    EXPECT_FALSE(PlanCapturePath("Видео/", "demo", "NB1", Time(7, 8, 9), ".mp4"));
    // Ids from outside never leave the folder.
    for (const char* bad : {"", ".", "..", "a/b", "../x"}) {
        EXPECT_FALSE(PlanCapturePath("/v/", bad, "NB1", Time(1, 2, 3), ".mp4")) << bad;
        EXPECT_FALSE(PlanCapturePath("/v/", "demo", bad, Time(1, 2, 3), ".mp4")) << bad;
    }
    EXPECT_FALSE(PlanCapturePath("", "demo", "NB1", Time(1, 2, 3), ".mp4"));
}

TEST_F(CameraRecorderTest, MakesMissingFoldersAndFailsWhereAFileStandsInTheWay) {
    std::string error;
    EXPECT_TRUE(MakeFolders(dir_ / "a/b/c/", error)) << error;
    EXPECT_TRUE(fs::is_directory(dir_ / "a/b/c"));
    std::ofstream(dir_ / "plain") << "x";
    EXPECT_FALSE(MakeFolders(dir_ / "plain/sub/", error));
    EXPECT_NE(error.find("plain"), std::string::npos);
}

TEST_F(CameraRecorderTest, FilesAreCutAfterTheLengthAtTheNextKeyFrameWithEveryFrameOnce) {
    CameraRecorder recorder(notifier, Clock());
    recorder.BeginView(View(200ms));  // 5 ticks of 40 ms
    EXPECT_EQ(recorder.RecordTicks(), 5);
    for (int n = 0; n < 40; ++n) Tick(recorder, n);
    recorder.EndView();
    ASSERT_TRUE(recorder.Flush(20s));

    const auto files = recorder.Files();
    // Each file runs 5 ticks, then waits for the key frame that follows.
    ASSERT_EQ(files.size(), 4u);
    uint64_t sum = 0;
    for (const auto& f : files) {
        EXPECT_TRUE(f.closed && !f.failed);
        EXPECT_EQ(f.frames, 10u);
        sum += f.frames;
        const auto facts = test::ProbeMp4(f.path);
        ASSERT_TRUE(facts.read) << facts.error;
        EXPECT_EQ(facts.frames, 10);
        EXPECT_DOUBLE_EQ(facts.duration, 0.4);  // the frames' own 40 ms, across the cuts too
        EXPECT_EQ(fs::status(f.path).permissions(), fs::perms(0600)) << f.path;
        ASSERT_FALSE(facts.keyFrames.empty());
        EXPECT_TRUE(facts.keyFrames.front()) << f.path;
    }
    EXPECT_EQ(sum, recorder.FramesOffered());
    EXPECT_EQ(sum, 40u);
    EXPECT_EQ(files[0].path,
              dir_ / "videos/demo_user/2024-03-05/2024-03-05-07-00-00-NB0000000001.mp4");
    EXPECT_EQ(Notices(), 0u);
}

TEST_F(CameraRecorderTest, TheCountdownFollowsLengthAndPeriodAndZeroNeverDivides) {
    CameraRecorder recorder(notifier, Clock());
    recorder.BeginView(View(10min));
    EXPECT_EQ(recorder.RecordTicks(), 15000);  // 10 minutes of 40 ms frames

    recorder.BeginView(View(0ms));  // a length of 0: one file, never cut
    for (int n = 0; n < 30; ++n) Tick(recorder, n);
    recorder.EndView();
    ASSERT_TRUE(recorder.Flush(20s));
    ASSERT_EQ(recorder.Files().size(), 1u);
    EXPECT_EQ(recorder.Files()[0].frames, 30u);

    CameraRecorder noPeriod(notifier, Clock());
    auto view = View(10min);
    view.framePeriodMs = 0;
    view.track.sampleDuration = 0;
    noPeriod.BeginView(view);
    for (int n = 0; n < 12; ++n) Tick(noPeriod, n);
    Settle(noPeriod);
    EXPECT_TRUE(noPeriod.Files().empty());  // no frame rate, no file
    EXPECT_EQ(Notices(), 1u);
    EXPECT_EQ(record, 1);  // over TCP it is tried again
}

TEST_F(CameraRecorderTest, ANameTakenInTheSameSecondGetsANumberAndNothingIsWrittenOver) {
    CameraRecorder recorder(notifier, Clock(false));  // the clock stands still
    auto view = View(40ms);                            // a cut after one tick
    view.udt = true;                                   // which once switched recording off
    recorder.BeginView(view);
    for (int n = 0; n < 12; ++n) Tick(recorder, n);
    recorder.EndView();
    ASSERT_TRUE(recorder.Flush(20s));
    const fs::path day = dir_ / "videos/demo_user/2024-03-05";
    const auto files = recorder.Files();
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0].path, day / "2024-03-05-07-00-00-NB0000000001.mp4");
    EXPECT_EQ(files[1].path, day / "2024-03-05-07-00-00-NB0000000001-2.mp4");
    EXPECT_EQ(files[2].path, day / "2024-03-05-07-00-00-NB0000000001-3.mp4");
    const long frames[] = {5, 5, 2};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(test::ProbeMp4(files[i].path).frames, frames[i]) << i;
    EXPECT_EQ(record, 1);
    EXPECT_EQ(Notices(), 0u);
}

TEST_F(CameraRecorderTest, AFolderThatCannotBeMadeIsToldOnceAndTheViewGoesOn) {
    std::ofstream(dir_ / "videos") << "a file where the folder should be";
    CameraRecorder recorder(notifier, Clock());
    recorder.BeginView(View(1min));
    for (int n = 0; n < 25; ++n) {
        Tick(recorder, n);
        if (n % 5 == 0) Settle(recorder);
    }
    EXPECT_TRUE(recorder.Files().empty());
    EXPECT_EQ(recorder.OpenFailures(), 5u);
    EXPECT_EQ(Notices(), 1u);
    EXPECT_EQ(notifier.Messages()[0].text, CameraRecorder::kFileFailedNotice);
    EXPECT_EQ(record, 1);  // tried again at every key frame

    // Over UDT a file that cannot be made switches recording off.
    CameraRecorder udt(notifier, Clock());
    auto view = View(1min);
    view.udt = true;
    udt.BeginView(view);
    Tick(udt, 0);
    Settle(udt);
    EXPECT_EQ(record, 0);
}

TEST_F(CameraRecorderTest, AFullDiskStopsTheRecordingOnceAndLeavesAFileThatPlaysToItsEnd) {
    CameraRecorder recorder(notifier, Clock(), [](const fs::path& path, std::string& error) {
        auto file = DurableFile::Create(path, error);
        if (!file) return RecordingWriter::NewFile{};
        fs::path made = file->Path();
        return RecordingWriter::NewFile{std::make_unique<test::FullDiskSink>(std::move(file), 12000),
                                        made};
    });
    recorder.BeginView(View());
    for (int n = 0; n < 40 && record; ++n) {
        Tick(recorder, n);
        Settle(recorder);
    }
    EXPECT_EQ(record, 0);
    EXPECT_FALSE(recorder.FileOpen());
    ASSERT_EQ(Notices(), 1u);
    EXPECT_EQ(notifier.Messages()[0].text, CameraRecorder::kWriteFailedNotice);
    const auto files = recorder.Files();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_TRUE(files[0].failed);
    const auto facts = test::ProbeMp4(files[0].path);
    ASSERT_TRUE(facts.read) << facts.error;
    EXPECT_EQ(facts.error, "");
    EXPECT_GT(facts.frames, 0);
    EXPECT_EQ(facts.frames, static_cast<long>(files[0].frames));
    for (int n = 0; n < 10; ++n) Tick(recorder, n);  // switched off: nothing more happens
    Settle(recorder);
    EXPECT_EQ(recorder.Files().size(), 1u);
    EXPECT_EQ(Notices(), 1u);
}

TEST_F(CameraRecorderTest, AFlushThatFailsStopsTheRecordingAndIsReported) {
    CameraRecorder recorder(notifier, Clock());
    recorder.BeginView(View());
    for (int n = 0; n < 12; ++n) Tick(recorder, n);
    Settle(recorder);  // frames 0 to 9 on the disk
    {
        // The kernel tells a lost write-back once: a later flush may well succeed.
        FaultFile lost(dir_ / "faults", "fail-sync");
        for (int n = 12; n < 22; ++n) Tick(recorder, n);
        Settle(recorder);
    }
    EXPECT_EQ(record, 0);
    recorder.EndView();
    ASSERT_TRUE(recorder.Flush(20s));
    const auto files = recorder.Files();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_TRUE(files[0].closed);
    EXPECT_TRUE(files[0].failed);
    ASSERT_EQ(Notices(), 1u);
    EXPECT_EQ(notifier.Messages()[0].text, CameraRecorder::kWriteFailedNotice);
    const auto facts = test::ProbeMp4(files[0].path);
    ASSERT_TRUE(facts.read) << facts.error;
    EXPECT_EQ(facts.error, "");
    EXPECT_EQ(facts.frames, 10);  // what the last good flush kept
    EXPECT_EQ(files[0].frames, 10u);
}

TEST_F(CameraRecorderTest, AFrozenDiskNeverHoldsUpTheTickAndAFullQueueMakesACountedGap) {
    // A queue that holds a little more than one round of the clip.
    CameraRecorder recorder(notifier, Clock(), {}, clip_->TotalBytes() * 3 / 2);
    recorder.BeginView(View());
    FaultFile frozen(dir_ / "faults", "freeze");
    // The ticks run while every write waits for the thaw: were the tick to wait for the disk,
    // they would not end before it.
    auto ticks = std::async(std::launch::async, [&] {
        for (int n = 0; n < 10; ++n) Tick(recorder, n);
        EXPECT_EQ(recorder.FramesLeftOut(), 0u);  // the queue holds
        EXPECT_EQ(Notices(), 0u);
        for (int n = 10; n < 60; ++n) Tick(recorder, n);
    });
    const bool done = ticks.wait_for(60s) == std::future_status::ready;
    if (!done) frozen.Remove();  // lets the ticks end before the test does
    ASSERT_TRUE(done) << "the tick waited for the disk";
    ticks.get();
    EXPECT_GT(recorder.FramesLeftOut(), 0u);
    ASSERT_EQ(Notices(), 1u);  // told once, however long the gap
    EXPECT_EQ(notifier.Messages()[0].text, CameraRecorder::kDiskBehindNotice);

    frozen.Remove();  // the thaw: the queue drains, and the frames after the gap follow
    ASSERT_TRUE(recorder.Flush(20s));
    for (int n = 60; n < 80; ++n) {
        Tick(recorder, n);
        ASSERT_TRUE(recorder.Flush(20s));  // a disk that keeps up: no second gap
    }
    recorder.EndView();
    ASSERT_TRUE(recorder.Flush(20s));
    const auto files = recorder.Files();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_TRUE(files[0].closed && !files[0].failed);
    EXPECT_GE(files[0].gaps, 1u);
    EXPECT_EQ(files[0].gapFrames, recorder.FramesLeftOut());
    EXPECT_EQ(files[0].frames + files[0].gapFrames, recorder.FramesOffered());
    EXPECT_EQ(recorder.FramesOffered(), 80u);
    // The gap ends at a key frame: everything kept decodes, and the time of the frames left out
    // stays in the file.
    const auto facts = test::ProbeMp4(files[0].path);
    ASSERT_TRUE(facts.read) << facts.error;
    EXPECT_EQ(facts.error, "");
    EXPECT_EQ(facts.frames, static_cast<long>(files[0].frames));
    EXPECT_DOUBLE_EQ(facts.duration, 3.2);  // 80 frames of 40 ms
    EXPECT_EQ(Notices(), 1u);
}

TEST_F(CameraRecorderTest, SwitchingOffClosesTheFileAndOnAgainStartsANewOneAtAKeyFrame) {
    CameraRecorder recorder(notifier, Clock());
    recorder.BeginView(View(10min));
    for (int n = 0; n < 7; ++n) Tick(recorder, n);
    record = 0;
    Tick(recorder, 7);
    Settle(recorder);
    EXPECT_FALSE(recorder.FileOpen());
    ASSERT_EQ(recorder.Files().size(), 1u);
    EXPECT_TRUE(recorder.Files()[0].closed);
    EXPECT_EQ(test::ProbeMp4(recorder.Files()[0].path).frames, 7);
    record = 1;
    Tick(recorder, 8);  // not a key frame: no file yet
    Tick(recorder, 9);
    Settle(recorder);
    EXPECT_FALSE(recorder.FileOpen());
    Tick(recorder, 10);
    Settle(recorder);
    EXPECT_TRUE(recorder.FileOpen());
    recorder.EndView();
    ASSERT_TRUE(recorder.Flush(20s));
    EXPECT_EQ(recorder.Files().size(), 2u);
    EXPECT_EQ(recorder.Files()[1].frames, 1u);
}

TEST_F(CameraRecorderTest, ARecordingOfASetLengthEndsAfterItsFrames) {
    CameraRecorder recorder(notifier, Clock());
    recorder.BeginView(View(10min));
    recorder.StopAfter(12);
    for (int n = 0; n < 20; ++n) Tick(recorder, n);
    EXPECT_EQ(record, 0);
    ASSERT_TRUE(recorder.Flush(20s));
    ASSERT_EQ(recorder.Files().size(), 1u);
    EXPECT_EQ(recorder.Files()[0].frames, 12u);
    EXPECT_TRUE(recorder.Files()[0].closed);
}

}  // namespace
}  // namespace nimbrel
