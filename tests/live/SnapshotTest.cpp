// Snapshots: the top-down BMP layout byte by byte, and the snapshot of a decoded picture taken
// into the day folder (retried while the folder cannot be made) or a named file, read back by an
// independent decoder.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "Mp4Probe.h"
#include "live/SnapshotTaker.h"
#include "media/BmpFile.h"
#include "media/PaneScaler.h"
#include "platform/AtomicFile.h"

extern "C" {
#include <libavutil/frame.h>
}

namespace nimbrel {
namespace {

namespace fs = std::filesystem;

uint32_t U32(const std::string& b, std::size_t at) {
    return static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8 |
           static_cast<uint8_t>(b[at + 2]) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
}

// A 4:2:0 picture whose brightness runs down and colour runs across.
std::unique_ptr<AVFrame, void (*)(AVFrame*)> Picture(int width, int height) {
    std::unique_ptr<AVFrame, void (*)(AVFrame*)> frame(av_frame_alloc(),
                                                       [](AVFrame* f) { av_frame_free(&f); });
    frame->format = 0;  // AV_PIX_FMT_YUV420P
    frame->width = width;
    frame->height = height;
    EXPECT_EQ(av_frame_get_buffer(frame.get(), 0), 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            frame->data[0][y * frame->linesize[0] + x] = 16 + y * 200 / height;
    for (int y = 0; y < height / 2; ++y)
        for (int x = 0; x < width / 2; ++x) {
            frame->data[1][y * frame->linesize[1] + x] = static_cast<uint8_t>(64 + x * 128 / width);
            frame->data[2][y * frame->linesize[2] + x] =
                static_cast<uint8_t>(192 - x * 128 / width);
        }
    return frame;
}

TEST(SnapshotBmp, A1280By720SnapshotIsTopDownWithTheFixedHeader) {
    std::vector<uint8_t> bgr(1280 * 720 * 3);
    for (std::size_t i = 0; i < bgr.size(); ++i) bgr[i] = static_cast<uint8_t>(i * 7);
    const std::string bmp = EncodeSnapshotBmp(1280, 720, bgr.data());
    ASSERT_EQ(bmp.size(), 2764854u);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(U32(bmp, 2), 2764854u);
    EXPECT_EQ(U32(bmp, 10), 54u);
    EXPECT_EQ(U32(bmp, 14), 40u);
    EXPECT_EQ(U32(bmp, 18), 1280u);
    EXPECT_EQ(static_cast<int32_t>(U32(bmp, 22)), -720);  // rows top-down
    EXPECT_EQ(U32(bmp, 26), 1u | 24u << 16);              // one plane, 24 bits
    EXPECT_EQ(U32(bmp, 30), 0u);                          // no compression
    EXPECT_EQ(U32(bmp, 34), 720u * 3840u);
    EXPECT_EQ(U32(bmp, 38), 100u);
    EXPECT_EQ(U32(bmp, 42), 100u);
    EXPECT_EQ(U32(bmp, 46), 0u);
    EXPECT_EQ(0, std::memcmp(bmp.data() + 54, bgr.data(), bgr.size()));
    // Odd widths are not padded: 3 × 5 × 3 bytes of pixels.
    EXPECT_EQ(EncodeSnapshotBmp(5, 3, bgr.data()).size(), 54u + 45u);
    EXPECT_TRUE(EncodeSnapshotBmp(0, 3, bgr.data()).empty());
    EXPECT_TRUE(EncodeSnapshotBmp(100000, 100000, bgr.data()).empty());
}

class SnapshotTakerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("snapshot-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

TEST_F(SnapshotTakerTest, ThePictureLandsInTheDayFolderAndDecodesToTheSamePixels) {
    std::tm at{};
    at.tm_year = 124;
    at.tm_mon = 0;
    at.tm_mday = 2;
    at.tm_hour = 3;
    at.tm_min = 4;
    at.tm_sec = 5;
    SnapshotTaker taker([&] { return at; });
    const auto picture = Picture(1280, 720);
    PaneScaler scaler;
    const SnapshotTaker::Place place{(dir_ / "images").string() + "/", "demo_user", "NB7"};
    EXPECT_EQ(taker.Take(*picture, scaler, place), SnapshotTaker::Outcome::None);

    // While a file blocks the folder the request stands and is tried with every picture.
    std::ofstream(dir_ / "images") << "x";
    taker.Request();
    EXPECT_EQ(taker.Take(*picture, scaler, place), SnapshotTaker::Outcome::Retry);
    EXPECT_TRUE(taker.Requested());
    fs::remove(dir_ / "images");
    ASSERT_EQ(taker.Take(*picture, scaler, place), SnapshotTaker::Outcome::Written);
    EXPECT_FALSE(taker.Requested());
    const fs::path file = dir_ / "images/demo_user/2024-01-02/2024-01-02-03-04-05-NB7.bmp";
    EXPECT_EQ(taker.LastFile(), file);
    ASSERT_EQ(fs::file_size(file), 2764854u);

    // Another reader turns the file back into the picture the decoder gave.
    std::vector<uint8_t> expected;
    ASSERT_TRUE(PaneScaler().ConvertFullSize(*picture, expected));
    int status = -1;
    const std::string decoded = test::RunShell(
        "ffmpeg -v error -i '" + file.string() + "' -f rawvideo -pix_fmt bgr24 -", &status);
    ASSERT_EQ(status, 0);
    ASSERT_EQ(decoded.size(), expected.size());
    EXPECT_EQ(0, std::memcmp(decoded.data(), expected.data(), expected.size()));
}

TEST_F(SnapshotTakerTest, ANamedFileIsWrittenAsItIsAndAnUnwritableOneFails) {
    SnapshotTaker taker;
    const auto picture = Picture(64, 48);
    PaneScaler scaler;
    taker.Request(dir_ / "one.bmp");
    ASSERT_EQ(taker.Take(*picture, scaler, {}), SnapshotTaker::Outcome::Written);
    EXPECT_EQ(fs::file_size(dir_ / "one.bmp"), 64u * 48u * 3u + 54u);
    EXPECT_EQ(taker.Taken(), 1u);
    taker.Request(dir_ / "missing/two.bmp");
    EXPECT_EQ(taker.Take(*picture, scaler, {}), SnapshotTaker::Outcome::Failed);
    EXPECT_FALSE(taker.Requested());
    EXPECT_EQ(taker.Failed(), 1u);
}

TEST_F(SnapshotTakerTest, TwoInOneSecondAreBothKeptPrivateInAFolderTypedWithoutSlash) {
    std::tm at{};
    at.tm_year = 124;
    at.tm_mday = 2;
    SnapshotTaker taker([&] { return at; });
    PaneScaler scaler;
    fs::create_directories(dir_ / "images");
    fs::permissions(dir_ / "images", fs::perms(0755));
    const SnapshotTaker::Place place{(dir_ / "images").string(), "demo_user", "NB7"};
    const auto first = Picture(64, 48), second = Picture(32, 24);
    taker.Request();
    ASSERT_EQ(taker.Take(*first, scaler, place), SnapshotTaker::Outcome::Written);
    taker.Request();
    ASSERT_EQ(taker.Take(*second, scaler, place), SnapshotTaker::Outcome::Written);

    const fs::path day = dir_ / "images/demo_user/2024-01-02";
    EXPECT_EQ(fs::file_size(day / "2024-01-02-00-00-00-NB7.bmp"), 64u * 48u * 3u + 54u);
    EXPECT_EQ(fs::file_size(day / "2024-01-02-00-00-00-NB7-2.bmp"), 32u * 24u * 3u + 54u);
    EXPECT_EQ(taker.LastFile(), day / "2024-01-02-00-00-00-NB7-2.bmp");
    // Pictures of someone's home: the owner's alone, in folders made for the owner alone; a
    // folder that was there keeps its mode.
    for (const char* name : {"2024-01-02-00-00-00-NB7.bmp", "2024-01-02-00-00-00-NB7-2.bmp"})
        EXPECT_EQ(fs::status(day / name).permissions(), fs::perms(0600)) << name;
    EXPECT_EQ(fs::status(day).permissions(), fs::perms(0700));
    EXPECT_EQ(fs::status(dir_ / "images/demo_user").permissions(), fs::perms(0700));
    EXPECT_EQ(fs::status(dir_ / "images").permissions(), fs::perms(0755));
}

}  // namespace
}  // namespace nimbrel
