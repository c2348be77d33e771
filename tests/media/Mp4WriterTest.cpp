// The MP4 recorder's file as players see it: ffprobe's frames, size, duration and key frames,
// the samples at the times given, the pictures decoded back, fragments that survive a killed
// writer, and a sink that fails half way or loses a flush, after which what is kept plays to its
// end.
#include "media/Mp4Writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "H264Clip.h"
#include "Mp4Probe.h"
#include "media/H264Decoder.h"
#include "media/PaneScaler.h"
#include "platform/DurableFile.h"

namespace nimbrel {
namespace {

namespace fs = std::filesystem;
using test::DecodeMp4Pictures;
using test::ProbeMp4;

ParameterSetRecord Record(const std::vector<uint8_t>& nal) {
    ParameterSetRecord r;
    r.bytes[3] = 1;
    std::copy(nal.begin(), nal.end(), r.bytes.begin() + 4);
    r.bytes[63] = static_cast<uint8_t>(nal.size());
    return r;
}

// A sink that takes `budget` bytes and then fails, as a full disk does (the last write partly),
// and whose flushes fail once `syncFails` is set.
class FullDisk : public ByteSink {
  public:
    FullDisk(std::unique_ptr<ByteSink> file, std::size_t budget)
        : file_(std::move(file)), budget_(budget) {}
    bool Write(const uint8_t* data, std::size_t size) override {
        const std::size_t take = std::min(size, budget_);
        budget_ -= take;
        return file_->Write(data, take) && take == size;
    }
    bool Sync() override {
        ++syncs;
        return !syncFails && file_->Sync();
    }
    bool Truncate(uint64_t size) override { return file_->Truncate(size); }
    bool Finish() override { return file_->Finish(); }
    int syncs = 0;
    bool syncFails = false;

  private:
    std::unique_ptr<ByteSink> file_;
    std::size_t budget_;
};

class Mp4WriterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("mp4writer-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        H264ClipOptions options;
        options.width = 176;
        options.height = 144;
        options.gop = 5;
        options.frames = 20;
        options.bitRate = 400000;
        auto made = MakeH264Clip(options);
        ASSERT_TRUE(made) << "libx264 encoder not available";
        clip_ = std::move(*made);
        track_ = {clip_.width, clip_.height, Record(clip_.sps), Record(clip_.pps), 3600};
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::unique_ptr<ByteSink> File(const std::string& name) {
        std::string error;
        auto file = DurableFile::Create(dir_ / name, error);
        EXPECT_TRUE(file) << error;
        EXPECT_EQ(file->Path(), dir_ / name);
        return file;
    }

    // The clip's pictures as the recorder's reader decodes them: full-size BGR.
    std::vector<std::string> ClipPictures() const {
        H264Decoder decoder;
        decoder.Open(track_.sps, track_.pps, clip_.width, clip_.height);
        PaneScaler scaler;
        std::vector<std::string> pictures;
        std::vector<uint8_t> bgr;
        for (const auto& frame : clip_.frames) {
            std::vector<uint8_t> padded = frame.bytes;
            padded.resize(frame.bytes.size() + H264Decoder::kInputPadding);
            const AVFrame* picture = decoder.Decode(padded.data(), frame.bytes.size());
            if (picture && scaler.ConvertFullSize(*picture, bgr))
                pictures.emplace_back(reinterpret_cast<const char*>(bgr.data()), bgr.size());
        }
        return pictures;
    }

    // Frame `i` of the clip at `time` ticks.
    bool Write(Mp4Writer& writer, int i, int64_t time) {
        const auto& frame = clip_.frames[static_cast<std::size_t>(i)];
        return writer.WriteFrame(frame.bytes.data(), frame.bytes.size(), frame.key, time);
    }

    fs::path dir_;
    H264Clip clip_;
    Mp4Writer::Track track_;
};

TEST(Mp4WriterRules, SampleDurationAndTrackConfiguration) {
    EXPECT_EQ(Mp4Writer::SampleDuration(40), 3600);
    EXPECT_EQ(Mp4Writer::SampleDuration(33), 2970);   // a period, not a rounded rate
    EXPECT_EQ(Mp4Writer::SampleDuration(666), 59940);  // 1.5 frames a second, not one
    EXPECT_EQ(Mp4Writer::SampleDuration(2000), 180000);
    for (int period : {0, -40, 60001}) EXPECT_FALSE(Mp4Writer::SampleDuration(period)) << period;

    const ParameterSetRecord sps = Record({0x67, 0x42, 0xC0, 0x1E, 0xDA, 0x02});
    const ParameterSetRecord pps = Record({0x68, 0xCE, 0x3C, 0x80});
    const std::vector<uint8_t> expected = {1, 0x42, 0xC0, 0x1E, 0xFF, 0xE1, 0,
                                           6, 0x67, 0x42, 0xC0, 0x1E, 0xDA, 0x02,
                                           1, 0,    4,    0x68, 0xCE, 0x3C, 0x80};
    EXPECT_EQ(Mp4Writer::AvcConfiguration(sps, pps), expected);
    EXPECT_TRUE(Mp4Writer::AvcConfiguration(Record({0x67, 0x42, 0xC0}), pps).empty());
    EXPECT_TRUE(Mp4Writer::AvcConfiguration(sps, ParameterSetRecord{}).empty());
}

TEST_F(Mp4WriterTest, WritesAFilePlayersReadWithTheClipsPicturesAndLeavesTheFramesAsTheyWere) {
    Mp4Writer writer;
    std::string error;
    ASSERT_TRUE(writer.Open(File("clip.mp4"), track_, error)) << error;
    for (int i = 0; i < 20; ++i) {
        const std::vector<uint8_t> before = clip_.frames[i].bytes;
        ASSERT_TRUE(Write(writer, i, i * 3600));
        ASSERT_EQ(clip_.frames[i].bytes, before);
    }
    EXPECT_EQ(writer.Frames(), 20u);
    ASSERT_TRUE(writer.Close());

    const auto facts = ProbeMp4(dir_ / "clip.mp4");
    ASSERT_TRUE(facts.read) << facts.error;
    EXPECT_EQ(facts.error, "");
    EXPECT_EQ(facts.width, 176);
    EXPECT_EQ(facts.height, 144);
    EXPECT_EQ(facts.frames, 20);
    EXPECT_DOUBLE_EQ(facts.duration, 0.8);  // 20 samples of 3600 / 90000 s
    EXPECT_EQ(facts.timeBase, "1/90000");
    ASSERT_EQ(facts.keyFrames.size(), 20u);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(facts.keyFrames[i], i % 5 == 0) << i;
    EXPECT_EQ(DecodeMp4Pictures(dir_ / "clip.mp4"), ClipPictures());
}

TEST_F(Mp4WriterTest, EachSampleLastsUntilTheNextOneAcrossFragmentsAndGaps) {
    Mp4Writer writer;
    std::string error;
    ASSERT_TRUE(writer.Open(File("times.mp4"), track_, error)) << error;
    // 666 ms apart, except frames 7 to 9 that never came: a gap of three periods.
    std::vector<int64_t> times;
    for (int i = 0, at = 0; i < 20; ++i) {
        if (i >= 7 && i <= 9) continue;
        at = i * 59940;
        times.push_back(at);
        ASSERT_TRUE(Write(writer, i, at));
    }
    ASSERT_TRUE(writer.Close(times.back() + 59940));
    const auto facts = ProbeMp4(dir_ / "times.mp4");
    ASSERT_TRUE(facts.read) << facts.error;
    EXPECT_EQ(facts.error, "");
    EXPECT_EQ(facts.packetTimes, times);
    EXPECT_NEAR(facts.duration, 20 * 0.666, 0.001);  // the last frame lasts until the end given
}

TEST_F(Mp4WriterTest, FramesWithShortStartCodesAreRecordedAsWell) {
    Mp4Writer writer;
    std::string error;
    ASSERT_TRUE(writer.Open(File("short.mp4"), track_, error)) << error;
    for (const auto& frame : clip_.frames) {
        // The same units behind 3-byte start codes.
        std::vector<uint8_t> shortCodes;
        for (const auto& unit : SplitAnnexB(frame.bytes.data(), frame.bytes.size())) {
            shortCodes.insert(shortCodes.end(), {0, 0, 1});
            shortCodes.insert(shortCodes.end(), unit.begin(), unit.end());
        }
        ASSERT_TRUE(writer.WriteFrame(shortCodes.data(), shortCodes.size(), frame.key,
                                      static_cast<int64_t>(writer.Frames()) * 3600));
    }
    ASSERT_TRUE(writer.Close());
    EXPECT_EQ(DecodeMp4Pictures(dir_ / "short.mp4"), ClipPictures());
}

TEST_F(Mp4WriterTest, AWriterKilledMidWayLeavesEveryFinishedFragmentPlayable) {
    Mp4Writer writer;
    std::string error;
    ASSERT_TRUE(writer.Open(File("killed.mp4"), track_, error)) << error;
    for (int i = 0; i < 13; ++i) ASSERT_TRUE(Write(writer, i, i * 3600));
    // What is in the file now is what a kill would leave: frame 10, handed on when frame 11
    // came, closed the fragment of frames 5 to 9.
    fs::copy_file(dir_ / "killed.mp4", dir_ / "left.mp4");
    const auto facts = ProbeMp4(dir_ / "left.mp4");
    ASSERT_TRUE(facts.read) << facts.error;
    EXPECT_EQ(facts.frames, 10);
    EXPECT_DOUBLE_EQ(facts.duration, 0.4);
    const auto clip = ClipPictures();
    EXPECT_EQ(DecodeMp4Pictures(dir_ / "left.mp4"),
              std::vector<std::string>(clip.begin(), clip.begin() + 10));
}

TEST_F(Mp4WriterTest, AFullDiskCutsTheFileBackToItsLastCompleteFragment) {
    // Room for the header and about two fragments.
    auto sink = std::make_unique<FullDisk>(File("full.mp4"), 3000 + 2 * clip_.TotalBytes() / 4);
    Mp4Writer writer;
    std::string error;
    ASSERT_TRUE(writer.Open(std::move(sink), track_, error)) << error;
    int accepted = 0;
    for (int i = 0; i < 20 && Write(writer, i, i * 3600); ++i) ++accepted;
    ASSERT_LT(accepted, 20);
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_TRUE(writer.Failed());
    uint8_t spare[8] = {0, 0, 0, 1, 0x65, 0, 0, 0};
    EXPECT_FALSE(writer.WriteFrame(spare, sizeof spare, true, 99 * 3600));  // nothing more
    EXPECT_FALSE(writer.Close());  // the file failed

    const auto facts = ProbeMp4(dir_ / "full.mp4");
    ASSERT_TRUE(facts.read) << facts.error;
    EXPECT_EQ(facts.error, "");  // no torn fragment: it plays to its end
    EXPECT_GE(facts.frames, 5);
    EXPECT_EQ(facts.frames % 5, 0);  // whole fragments only
    EXPECT_EQ(facts.frames, static_cast<long>(writer.Frames()));
    const auto clip = ClipPictures();
    EXPECT_EQ(DecodeMp4Pictures(dir_ / "full.mp4"),
              std::vector<std::string>(clip.begin(), clip.begin() + facts.frames));
}

TEST_F(Mp4WriterTest, AFailedFlushCutsTheFileBackToWhatTheLastGoodFlushKept) {
    auto sink = std::make_unique<FullDisk>(File("lost.mp4"), SIZE_MAX);
    FullDisk* disk = sink.get();
    Mp4Writer writer;
    std::string error;
    ASSERT_TRUE(writer.Open(std::move(sink), track_, error)) << error;
    for (int i = 0; i < 12; ++i) ASSERT_TRUE(Write(writer, i, i * 3600));
    ASSERT_TRUE(writer.Sync());  // frames 0 to 9: two fragments on the disk
    EXPECT_TRUE(writer.Sync());  // nothing new: no flush
    EXPECT_EQ(disk->syncs, 1);
    for (int i = 12; i < 17; ++i) ASSERT_TRUE(Write(writer, i, i * 3600));
    disk->syncFails = true;  // the fragment of frames 10 to 14 never reached the disk
    EXPECT_FALSE(writer.Sync());
    EXPECT_TRUE(writer.Failed());
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_EQ(writer.Frames(), 10u);

    const auto facts = ProbeMp4(dir_ / "lost.mp4");
    ASSERT_TRUE(facts.read) << facts.error;
    EXPECT_EQ(facts.error, "");
    EXPECT_EQ(facts.frames, 10);
}

TEST_F(Mp4WriterTest, UnusableTracksAndFilesAreRefused) {
    Mp4Writer writer;
    std::string error;
    Mp4Writer::Track noPeriod = track_;
    noPeriod.sampleDuration = 0;
    EXPECT_FALSE(writer.Open(File("a.mp4"), noPeriod, error));
    EXPECT_FALSE(error.empty());
    Mp4Writer::Track noSize = track_;
    noSize.width = 0;
    EXPECT_FALSE(writer.Open(File("b.mp4"), noSize, error));
    EXPECT_FALSE(writer.Open(std::make_unique<FullDisk>(File("c.mp4"), 10), track_, error));
    EXPECT_FALSE(writer.IsOpen());
    // A name that is taken is never written over: the new file gets a number.
    const auto second = DurableFile::Create(dir_ / "a.mp4", error);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->Path(), dir_ / "a-2.mp4");
    EXPECT_EQ(fs::status(second->Path()).permissions(), fs::perms(0600));
}

}  // namespace
}  // namespace nimbrel
