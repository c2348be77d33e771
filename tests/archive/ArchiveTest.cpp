// The archive's index against real recordings made by the recorder: what it reads from whole,
// cut-off and damaged files, a folder edited by hand, a damaged database, the recorder's news,
// and retention by age, by size and on a full disk — never the file being written or a kept one.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <thread>

#include "ArchiveFiles.h"
#include "FullDiskSink.h"
#include "RecordingNotifier.h"
#include "archive/ArchiveKeeper.h"
#include "archive/ArchiveSpans.h"
#include "archive/LocalTime.h"
#include "archive/RecordingName.h"
#include "archive/RetentionPolicy.h"
#include "platform/DurableFile.h"

namespace nimbrel::archive {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::RecordFiles;

int64_t At(const char* text) {
    return *ParseTimeText(text);
}

void Truncate(const fs::path& file, uint64_t bytes) {
    fs::resize_file(file, bytes);
}

class ArchiveTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = test::FreshFolder("archive-test");
        folder_ = (dir_ / "videos").string() + "/";
        root_ = dir_ / "videos" / "anna";
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Retention by `limits_`, which a test may change while the keeper is idle.
    std::unique_ptr<ArchiveKeeper> Keeper(DiskSpace disk = {1ull << 40, 1ull << 39}) {
        ArchiveKeeper::Options o;
        o.database = dir_ / "config" / "anna_archive.sqlite";
        o.user = "anna";
        o.limits = [this] { return limits_; };
        o.period = 1h;  // the tests run retention themselves
        o.disk = [this, disk](const fs::path&) { return diskOverride_ ? *diskOverride_ : disk; };
        o.nowMs = [this] { return now_; };
        auto keeper = std::make_unique<ArchiveKeeper>(o);
        std::string error;
        EXPECT_TRUE(keeper->Start(error)) << error;
        keeper->SetFolder(folder_);
        EXPECT_TRUE(keeper->WaitIdle(30s));
        return keeper;
    }

    fs::path dir_;
    std::string folder_;
    fs::path root_;
    int64_t now_ = At("2024-03-07 12:00:00");
    RetentionLimits limits_;
    std::optional<DiskSpace> diskOverride_;
};

TEST(ArchiveNames, RecordingNamesAndTimes) {
    const auto name = ParseRecordingName("2024-03-05-07-08-09-NB0000000001.mp4");
    ASSERT_TRUE(name);
    EXPECT_EQ(name->sid, "NB0000000001");
    EXPECT_EQ(TimeText(name->startMs), "2024-03-05 07:08:09");
    // A name taken in the same second carries a number after the device id.
    EXPECT_EQ(ParseRecordingName("2024-03-05-07-08-09-NB1-2.mp4")->sid, "NB1");
    for (const char* bad : {"2024-03-05-07-08-09-.mp4", "2024-02-30-07-08-09-NB1.mp4",
                            "2024-03-05-25-08-09-NB1.mp4", "notes.mp4", "2024-03-05-07-08-09-NB1.bmp"})
        EXPECT_FALSE(ParseRecordingName(bad)) << bad;
    EXPECT_FALSE(ParseTimeText("2024-03-05 7:08:09"));
    EXPECT_EQ(DayText(DayStart(At("2024-03-05 23:59:59"))), "2024-03-05");
}

TEST_F(ArchiveTest, WholeCutOffAndDamagedFilesAreReadWithoutTrouble) {
    const auto files = RecordFiles(folder_, "anna", "NB1", "2024-03-05 07:00:00", 4);
    ASSERT_EQ(files.size(), 1u);
    const RecordingFacts whole = ProbeRecording(files[0]);
    EXPECT_EQ(whole.state, RecordingState::Complete);
    EXPECT_EQ(whole.frames, 100);
    EXPECT_EQ(whole.durationMs, 4000);
    EXPECT_EQ(whole.keyFramesMs.size(), 20u);
    EXPECT_EQ(whole.keyFramesMs[1], 5 * test::kFramePeriodMs);

    // Cut off in the middle: counted up to its last complete fragment, never past the bytes.
    const fs::path torn = dir_ / "torn.mp4";
    fs::copy_file(files[0], torn);
    Truncate(torn, whole.bytes / 2);
    const RecordingFacts half = ProbeRecording(torn);
    EXPECT_EQ(half.state, RecordingState::Torn);
    EXPECT_GT(half.frames, 20);
    EXPECT_LT(half.frames, 100);
    EXPECT_EQ(half.frames % test::kKeyEvery, 0);  // a fragment per key frame interval
    EXPECT_LE(half.validBytes, half.bytes);

    const fs::path empty = dir_ / "empty.mp4", text = dir_ / "text.mp4", header = dir_ / "h.mp4";
    std::ofstream(empty).flush();
    std::ofstream(text) << "not a recording at all";
    fs::copy_file(files[0], header);
    Truncate(header, 600);  // the file's start, no whole fragment
    for (const auto& f : {empty, text, header, dir_ / "missing.mp4"}) {
        const RecordingFacts facts = ProbeRecording(f);
        EXPECT_EQ(facts.state, RecordingState::Damaged) << f;
        EXPECT_EQ(facts.frames, 0) << f;
        EXPECT_FALSE(facts.problem.empty()) << f;
    }
}

TEST_F(ArchiveTest, AFolderEditedByHandIsFoundAndALaterStartReadsTheDatabaseOnly) {
    const auto morning = RecordFiles(folder_, "anna", "NB1", "2024-03-05 07:00:00", 3, 1);
    const auto evening = RecordFiles(folder_, "anna", "NB2", "2024-03-06 20:00:00", 2);
    auto keeper = Keeper();
    auto report = keeper->LastSync();
    EXPECT_EQ(report.files, static_cast<int64_t>(morning.size() + evening.size()));
    EXPECT_EQ(report.read, report.files);
    EXPECT_EQ(report.damaged, 0);
    // The cut recording is one span; each camera has its own.
    const auto cameras = JoinSpans(keeper->Index().Files(root_));
    ASSERT_EQ(cameras.size(), 2u);
    ASSERT_EQ(cameras[0].spans.size(), 1u);
    EXPECT_EQ(cameras[0].spans[0].files, static_cast<int>(morning.size()));
    EXPECT_EQ(TimeText(cameras[0].spans[0].startMs), "2024-03-05 07:00:00");
    EXPECT_EQ(TimeText(cameras[0].spans[0].endMs), "2024-03-05 07:00:03");

    // By hand: one file removed, one cut short, one damaged, one copied in under a new name.
    fs::remove(morning.back());
    Truncate(evening[0], ProbeRecording(evening[0]).bytes / 2);
    const fs::path day = root_ / "2024-03-06";
    std::ofstream(day / "2024-03-06-21-00-00-NB2.mp4") << "garbage";
    fs::copy_file(morning[0], day / "2024-03-06-22-00-00-NB1.mp4");
    keeper->SyncSoon();
    ASSERT_TRUE(keeper->WaitIdle(30s));
    report = keeper->LastSync();
    EXPECT_EQ(report.removed, 1);
    EXPECT_EQ(report.read, 3);
    EXPECT_EQ(report.damaged, 1);
    const auto torn = keeper->Index().Find(evening[0].string());
    ASSERT_TRUE(torn);
    EXPECT_EQ(torn->state, RecordingState::Torn);
    EXPECT_LT(torn->durationMs, 2000);

    // The next start finds everything in the database; an unchanged folder costs no reading.
    keeper.reset();
    auto again = Keeper();
    EXPECT_EQ(again->LastSync().read, 0);
    EXPECT_EQ(again->Index().Files(root_).size(), morning.size() - 1 + 3);
}

TEST_F(ArchiveTest, ADamagedDatabaseIsSetAsideAndRebuiltKeepingTheKeptMarks) {
    const auto files = RecordFiles(folder_, "anna", "NB1", "2024-03-05 07:00:00", 2);
    {
        auto keeper = Keeper();
        ASSERT_TRUE(keeper->Index().SetKept(files[0].string(), true));
        EXPECT_TRUE(fs::exists(KeptMarkOf(files[0])));
    }
    const fs::path db = dir_ / "config" / "anna_archive.sqlite";
    for (const char* side : {"-wal", "-shm"}) fs::remove(db.string() + side);
    std::ofstream(db, std::ios::trunc) << std::string(8192, 'x');
    auto keeper = Keeper();
    EXPECT_TRUE(fs::exists(db.string() + ".broken"));
    const auto row = keeper->Index().Find(files[0].string());
    ASSERT_TRUE(row);
    EXPECT_TRUE(row->kept);
    EXPECT_EQ(row->frames, 50);
}

// Hears the recorder as the keeper does, and notes what it was told and on which thread.
class Watch : public RecordingEvents {
    // Calls under the lock (defined first: the readers below deduce their types from them).
    template <class Change>
    void Note(Change change) {
        std::lock_guard guard(lock_);
        threads_.insert(std::this_thread::get_id());
        change();
    }
    template <class Get>
    auto Read(Get get) const {
        std::lock_guard guard(lock_);
        return get();
    }

  public:
    explicit Watch(ArchiveKeeper& keeper) : k_(keeper) {}
    void BeforeNewFile(const std::string& f) override {
        k_.BeforeNewFile(f);
        Note([&] { ++before_; });
    }
    void FileOpened(const File& f) override {
        k_.FileOpened(f);
        const RecordingState state = k_.Index().Find(f.path.string())->state;
        Note([&] { seenOpen_.push_back(state); });
    }
    void FileClosed(const File& f) override {
        k_.FileClosed(f);
        Note([&] { closed_.push_back(f); });
    }
    bool MakeRoom(const std::string& f) override {
        const bool made = k_.MakeRoom(f);
        Note([&] { rooms_.push_back(made); });
        return made;
    }

    int Before() const { return Read([&] { return before_; }); }
    std::vector<RecordingState> SeenOpen() const { return Read([&] { return seenOpen_; }); }
    std::vector<File> Closed() const { return Read([&] { return closed_; }); }
    std::vector<bool> Rooms() const { return Read([&] { return rooms_; }); }
    // Every call came from a thread other than `thread` (the recording's writer, not its tick).
    bool NoneFrom(std::thread::id thread) const {
        return Read([&] { return threads_.count(thread) == 0 && !threads_.empty(); });
    }

  private:
    ArchiveKeeper& k_;
    mutable std::mutex lock_;
    int before_ = 0;
    std::vector<RecordingState> seenOpen_;
    std::vector<File> closed_;
    std::vector<bool> rooms_;
    std::set<std::thread::id> threads_;
};

TEST_F(ArchiveTest, TheRecorderListsAFileAsItOpensAndReadsItAgainAtEachCutAndClose) {
    auto keeper = Keeper();
    Watch watch(*keeper);
    const auto files = RecordFiles(folder_, "anna", "NB1", "2024-03-05 07:00:00", 3, 1, &watch);
    ASSERT_EQ(files.size(), 3u);
    // Retention before each file, each listed as being written once it is open, each closed
    // (two cuts and the end) and none failed: all told by the recording's writer thread.
    EXPECT_EQ(watch.Before(), 3);
    EXPECT_EQ(watch.SeenOpen(), std::vector<RecordingState>(3, RecordingState::Open));
    const auto closed = watch.Closed();
    ASSERT_EQ(closed.size(), 3u);
    uint64_t closedFrames = 0;
    for (std::size_t i = 0; i < closed.size(); ++i) {
        EXPECT_EQ(closed[i].path, files[i]);
        EXPECT_EQ(closed[i].sid, "NB1");
        EXPECT_FALSE(closed[i].failed);
        closedFrames += closed[i].frames;
    }
    EXPECT_EQ(closedFrames, 75u);
    EXPECT_TRUE(watch.Rooms().empty());
    EXPECT_TRUE(watch.NoneFrom(std::this_thread::get_id()));
    ASSERT_TRUE(keeper->WaitIdle(30s));
    int64_t frames = 0;
    for (const FileRow& row : keeper->Index().Files(root_)) {
        EXPECT_EQ(row.state, RecordingState::Complete) << row.path;
        frames += row.frames;
    }
    EXPECT_EQ(frames, 75);
}

TEST(RetentionPlan, OldestFirstByAgeSizeShareAndFreeSpaceNeverOpenOrKept) {
    const uint64_t mb = 1 << 20;
    const std::vector<FileBrief> files = {
        {"d1-a", At("2024-03-01 10:00:00"), 10 * mb, RecordingState::Complete, true},  // kept
        {"d1-b", At("2024-03-01 11:00:00"), 10 * mb, RecordingState::Complete, false},
        {"d2-a", At("2024-03-02 10:00:00"), 10 * mb, RecordingState::Torn, false},
        {"d3-a", At("2024-03-03 10:00:00"), 10 * mb, RecordingState::Complete, false},
        {"d3-b", At("2024-03-03 23:00:00"), 10 * mb, RecordingState::Open, false},  // written
    };
    const int64_t now = At("2024-03-03 12:00:00");
    const DiskSpace disk{1000 * mb, 500 * mb};
    using V = std::vector<std::string>;
    // The last two days, today among them: the first day goes, save its kept file.
    EXPECT_EQ(PlanRetention(files, {2, 0, 0}, now, disk).paths, V({"d1-b"}));
    EXPECT_EQ(PlanRetention(files, {1, 0, 0}, now, disk).paths, V({"d1-b", "d2-a"}));
    // At most 25 MB: the oldest until the rest fit; the open and kept files count but stay.
    const auto bySize = PlanRetention(files, {0, 25 * mb, 0}, now, disk);
    EXPECT_EQ(bySize.paths, V({"d1-b", "d2-a", "d3-a"}));
    EXPECT_EQ(bySize.bytesAfter, 20 * mb);
    // 3 % of a 1000 MB disk is 30 MB.
    EXPECT_EQ(PlanRetention(files, {0, 0, 0.03}, now, disk).paths, V({"d1-b", "d2-a"}));
    // A disk that must get 15 MB more free space than it has.
    EXPECT_EQ(PlanRetention(files, {}, now, {1000 * mb, 5 * mb}, 20 * mb).paths, V({"d1-b", "d2-a"}));
    // However much the disk needs, the open and the kept file stay.
    EXPECT_EQ(PlanRetention(files, {}, now, {1000 * mb, 0}, 1000 * mb).paths,
              V({"d1-b", "d2-a", "d3-a"}));
    EXPECT_TRUE(PlanRetention(files, {}, now, disk).paths.empty());
}

TEST_F(ArchiveTest, RetentionDeletesWholeOldestFilesAndTheirRowsButNeverTheOpenOrAKeptOne) {
    const auto old = RecordFiles(folder_, "anna", "NB1", "2024-03-04 07:00:00", 2, 1);
    const auto recent = RecordFiles(folder_, "anna", "NB1", "2024-03-07 07:00:00", 2, 1);
    auto keeper = Keeper();
    ASSERT_TRUE(keeper->Index().SetKept(old[0].string(), true));
    keeper->FileOpened({old[1], "NB1"});  // as if a camera still wrote it
    limits_.days = 2;
    EXPECT_TRUE(keeper->Prune().deleted.empty());
    // Neither is deleted when asked by name either.
    EXPECT_FALSE(keeper->DeleteRecording(old[0].string()));
    EXPECT_FALSE(keeper->DeleteRecording(old[1].string()));
    EXPECT_TRUE(fs::exists(old[0]) && fs::exists(old[1]));
    keeper->FileClosed({old[1], "NB1", 0, false});
    ASSERT_TRUE(keeper->WaitIdle(30s));
    const auto report = keeper->Prune();
    ASSERT_EQ(report.deleted, std::vector<std::string>({old[1].string()}));
    EXPECT_FALSE(fs::exists(old[1]));
    EXPECT_TRUE(fs::exists(old[0]));
    EXPECT_FALSE(keeper->Index().Find(old[1].string()));

    // By size: only the newest file's bytes fit, so the older of today's goes too.
    limits_ = {};
    limits_.bytes = fs::file_size(recent[1]) + fs::file_size(old[0]);
    EXPECT_EQ(keeper->Prune().deleted, std::vector<std::string>({recent[0].string()}));
    EXPECT_TRUE(fs::exists(recent[1]));

    // Limits changed in the settings apply at once, not at the next minute, on the worker;
    // a window showing the files learns that they changed.
    const uint64_t changes = keeper->Changes();
    limits_ = {};
    limits_.days = 1;
    now_ = At("2024-03-08 12:00:00");
    keeper->PruneSoon();
    ASSERT_TRUE(keeper->WaitIdle(30s));
    EXPECT_FALSE(fs::exists(recent[1]));
    EXPECT_FALSE(keeper->Index().Find(recent[1].string()));
    EXPECT_TRUE(fs::exists(old[0]));
    EXPECT_GT(keeper->Changes(), changes);
}

TEST_F(ArchiveTest, AFullDiskMakesRoomByTheSameRuleSoTheRecordingGoesOn) {
    const auto old = RecordFiles(folder_, "anna", "NB1", "2024-03-01 07:00:00", 1);
    auto keeper = Keeper();
    Watch watch(*keeper);
    // The disk is full: the first file's writes fail after a while; once the old recording is
    // gone the disk has room.
    diskOverride_ = DiskSpace{1ull << 30, 1 << 20};
    int made = 0;
    auto sinks = [&](const fs::path& path, std::string& error) -> RecordingWriter::NewFile {
        std::unique_ptr<DurableFile> file = DurableFile::Create(path, error);
        if (!file) return {};
        const fs::path name = file->Path();
        if (made++ > 0) {
            diskOverride_ = DiskSpace{1ull << 30, 1ull << 29};
            return {std::move(file), name};
        }
        return {std::make_unique<test::FullDiskSink>(std::move(file), 3000), name};
    };
    test::TestRecording recording(folder_, "anna", "NB2", "2024-03-05 07:00:00", 0, &watch,
                                  sinks);
    recording.Record(4);
    recording.End();
    EXPECT_TRUE(recording.Recording());
    EXPECT_EQ(recording.Notices(), 0u);  // nothing failed that the user needs to know
    EXPECT_FALSE(fs::exists(old[0]));
    const auto files = recording.Files();
    ASSERT_EQ(files.size(), 2u);
    // The failed file was closed as failed before room was asked for, once.
    const auto closed = watch.Closed();
    ASSERT_EQ(closed.size(), 2u);
    EXPECT_TRUE(closed[0].failed);
    EXPECT_FALSE(closed[1].failed);
    EXPECT_EQ(watch.Rooms(), std::vector<bool>({true}));
    EXPECT_TRUE(watch.NoneFrom(std::this_thread::get_id()));
    ASSERT_TRUE(keeper->WaitIdle(30s));
    EXPECT_GT(keeper->Index().Find(files[1].string())->frames, 50);
    // A failed write on a disk with room is something else: the recording stops as before.
    EXPECT_FALSE(keeper->MakeRoom(folder_));
}

TEST_F(ArchiveTest, AFileThatCannotBeMadeOnAFullDiskMakesRoomAndTheNextKeyFrameBeginsIt) {
    const auto old = RecordFiles(folder_, "anna", "NB1", "2024-03-01 07:00:00", 1);
    auto keeper = Keeper();
    Watch watch(*keeper);
    diskOverride_ = DiskSpace{1ull << 30, 1 << 20};
    int asked = 0;
    auto sinks = [&](const fs::path& path, std::string& error) -> RecordingWriter::NewFile {
        if (asked++ == 0) {
            error = "No space left on device";
            return {};
        }
        diskOverride_ = DiskSpace{1ull << 30, 1ull << 29};
        std::unique_ptr<DurableFile> file = DurableFile::Create(path, error);
        if (!file) return {};
        const fs::path name = file->Path();
        return {std::move(file), name};
    };
    test::TestRecording recording(folder_, "anna", "NB2", "2024-03-05 07:00:00", 0, &watch,
                                  sinks);
    recording.Record(2);
    recording.End();
    EXPECT_TRUE(recording.Recording());
    EXPECT_EQ(recording.Notices(), 0u);
    EXPECT_FALSE(fs::exists(old[0]));
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(watch.Before(), 2);  // retention before each try
    EXPECT_EQ(watch.Rooms(), std::vector<bool>({true}));
    const auto files = recording.Files();
    ASSERT_EQ(files.size(), 1u);
    ASSERT_TRUE(keeper->WaitIdle(30s));
    // The frames from the next key frame on: the first key frame interval had nowhere to go.
    EXPECT_EQ(keeper->Index().Find(files[0].string())->frames, 50 - test::kKeyEvery);
}

// A file whose every write goes through and whose close fails, as a disk that fills while the
// last of it goes out.
class CloseFails : public ByteSink {
  public:
    explicit CloseFails(std::unique_ptr<ByteSink> file) : file_(std::move(file)) {}
    bool Write(const uint8_t* data, std::size_t size) override { return file_->Write(data, size); }
    bool Sync() override { return file_->Sync(); }
    bool Truncate(uint64_t size) override { return file_->Truncate(size); }
    bool Finish() override {
        file_->Finish();
        return false;
    }

  private:
    std::unique_ptr<ByteSink> file_;
};

TEST_F(ArchiveTest, AFileWhoseCloseFailsAtACutOnAFullDiskMakesRoomAndTheRecordingGoesOnUntold) {
    const auto old = RecordFiles(folder_, "anna", "NB1", "2024-03-01 07:00:00", 1);
    auto keeper = Keeper();
    Watch watch(*keeper);
    diskOverride_ = DiskSpace{1ull << 30, 1 << 20};
    int made = 0;
    auto sinks = [&](const fs::path& path, std::string& error) -> RecordingWriter::NewFile {
        std::unique_ptr<DurableFile> file = DurableFile::Create(path, error);
        if (!file) return {};
        const fs::path name = file->Path();
        if (made++ > 0) return {std::move(file), name};
        return {std::make_unique<CloseFails>(std::move(file)), name};
    };
    test::TestRecording recording(folder_, "anna", "NB2", "2024-03-05 07:00:00", 1, &watch,
                                  sinks);
    recording.Record(3);
    recording.End();
    EXPECT_TRUE(recording.Recording());
    EXPECT_EQ(recording.Notices(), 0u);
    EXPECT_FALSE(fs::exists(old[0]));
    ASSERT_EQ(recording.Files().size(), 3u);
    const auto closed = watch.Closed();
    ASSERT_EQ(closed.size(), 3u);
    EXPECT_TRUE(closed[0].failed);
    EXPECT_FALSE(closed[1].failed);
    EXPECT_FALSE(closed[2].failed);
    EXPECT_EQ(watch.Rooms(), std::vector<bool>({true}));

    // On a disk with room the same failure is something else: room is asked for and not made,
    // and the user is told as before.
    diskOverride_ = DiskSpace{1ull << 30, 1ull << 29};
    Watch roomy(*keeper);
    test::TestRecording again(folder_, "anna", "NB3", "2024-03-05 08:00:00", 0, &roomy,
                              [](const fs::path& path, std::string& error) {
                                  std::unique_ptr<DurableFile> file =
                                      DurableFile::Create(path, error);
                                  if (!file) return RecordingWriter::NewFile{};
                                  const fs::path name = file->Path();
                                  return RecordingWriter::NewFile{
                                      std::make_unique<CloseFails>(std::move(file)), name};
                              });
    again.Record(1);
    again.End();
    EXPECT_EQ(roomy.Rooms(), std::vector<bool>({false}));
    ASSERT_EQ(roomy.Closed().size(), 1u);
    EXPECT_TRUE(roomy.Closed()[0].failed);
    EXPECT_EQ(again.Notices(), 1u);
}

}  // namespace
}  // namespace nimbrel::archive
