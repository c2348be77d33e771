#include "media/PaneScaler.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "H264Clip.h"
#include "media/H264Decoder.h"
#include "media/ParameterSets.h"

extern "C" {
#include <libavutil/frame.h>
}

namespace nimbrel {
namespace {

using Yuv = std::array<uint8_t, 3>;
using Bgr = std::array<int, 3>;

struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;

// A planar 4:2:0 picture whose quadrants have the given colours (top-left, top-right,
// bottom-left, bottom-right).
FramePtr MakePicture(int width, int height, const std::array<Yuv, 4>& quadrants,
                     AVPixelFormat format = AV_PIX_FMT_YUV420P) {
    FramePtr frame(av_frame_alloc());
    frame->format = format;
    frame->width = width;
    frame->height = height;
    EXPECT_EQ(av_frame_get_buffer(frame.get(), 0), 0);
    for (int plane = 0; plane < 3; ++plane) {
        const int shift = plane == 0 ? 0 : 1;
        for (int y = 0; y < (height >> shift); ++y)
            for (int x = 0; x < (width >> shift); ++x) {
                const int q = (y >= (height >> shift) / 2) * 2 + (x >= (width >> shift) / 2);
                frame->data[plane][y * frame->linesize[plane] + x] = quadrants[q][plane];
            }
    }
    return frame;
}

FramePtr MakeFlat(int width, int height, Yuv colour, AVPixelFormat format = AV_PIX_FMT_YUV420P) {
    return MakePicture(width, height, {colour, colour, colour, colour}, format);
}

// A pixel of a pane picture (4 bytes a pixel) or, with `bytes` 3, of a snapshot.
Bgr PixelAt(const std::vector<uint8_t>& bgr, int stride, int x, int y, int bytes = 4) {
    const uint8_t* p = &bgr[std::size_t(y) * stride + std::size_t(x) * bytes];
    return {p[0], p[1], p[2]};
}

void ExpectNear(Bgr actual, Bgr expected, int tolerance, const char* what) {
    for (int c = 0; c < 3; ++c)
        EXPECT_LE(std::abs(actual[c] - expected[c]), tolerance)
            << what << " channel " << c << ": " << actual[c] << " vs " << expected[c];
}

// Where a conversion may write: all of `bgr`, rows `stride` bytes apart.
BgrxTarget Into(std::vector<uint8_t>& bgr, int width, int height, int stride) {
    return {bgr.data(), bgr.size(), width, height, stride};
}

// Limited-range BT.601 values of pure colours.
constexpr Yuv kRed{81, 90, 240};
constexpr Yuv kGreen{145, 54, 34};
constexpr Yuv kBlue{41, 240, 110};
constexpr Yuv kWhite{235, 128, 128};
constexpr Yuv kBlack{16, 128, 128};

TEST(PaneScaler, ConvertsKnownColoursToBgrInThatByteOrder) {
    struct Case {
        Yuv yuv;
        Bgr bgr;
        const char* name;
    };
    PaneScaler scaler;
    for (const Case& c : {Case{kRed, {0, 0, 255}, "red"}, Case{kGreen, {0, 255, 0}, "green"},
                          Case{kBlue, {255, 0, 0}, "blue"}, Case{kWhite, {255, 255, 255}, "white"},
                          Case{kBlack, {0, 0, 0}, "black"}}) {
        const auto picture = MakeFlat(64, 48, c.yuv);
        std::vector<uint8_t> bgr(40 * 40 * 4);
        ASSERT_TRUE(scaler.Scale(*picture, Into(bgr, 40, 30, 40 * 4)));
        for (int y = 0; y < 30; y += 7)
            for (int x = 0; x < 40; x += 9) ExpectNear(PixelAt(bgr, 160, x, y), c.bgr, 4, c.name);
    }
}

TEST(PaneScaler, HonoursTheValueRangeOfThePicture) {
    PaneScaler scaler;
    std::vector<uint8_t> bgr(16 * 16 * 4);
    // 16 is black in limited range but dark grey in full range, whether the range is said by
    // the format or by the picture's range field.
    auto limited = MakeFlat(32, 32, {16, 128, 128});
    ASSERT_TRUE(scaler.Scale(*limited, Into(bgr, 16, 16, 64)));
    ExpectNear(PixelAt(bgr, 48, 8, 8), {0, 0, 0}, 2, "limited");

    auto jpeg = MakeFlat(32, 32, {16, 128, 128}, AV_PIX_FMT_YUVJ420P);
    ASSERT_TRUE(scaler.Scale(*jpeg, Into(bgr, 16, 16, 64)));
    ExpectNear(PixelAt(bgr, 48, 8, 8), {16, 16, 16}, 2, "yuvj");

    limited->color_range = AVCOL_RANGE_JPEG;
    ASSERT_TRUE(scaler.Scale(*limited, Into(bgr, 16, 16, 64)));
    ExpectNear(PixelAt(bgr, 48, 8, 8), {16, 16, 16}, 2, "full range field");
}

TEST(PaneScaler, KeepsTheLayoutAtEverySizeAndAtFullSize) {
    const auto picture = MakePicture(128, 96, {kRed, kGreen, kBlue, kWhite});
    PaneScaler scaler;
    // Smaller, larger and back: the set-up follows every change of size.
    for (auto [w, h] :
         {std::pair{32, 24}, std::pair{320, 240}, std::pair{16, 12}, std::pair{32, 24}}) {
        std::vector<uint8_t> bgr(std::size_t(w) * h * 4);
        ASSERT_TRUE(scaler.Scale(*picture, Into(bgr, w, h, w * 4)));
        const int stride = w * 4;
        SCOPED_TRACE(testing::Message() << w << "x" << h);
        ExpectNear(PixelAt(bgr, stride, w / 4, h / 4), {0, 0, 255}, 6, "top left");
        ExpectNear(PixelAt(bgr, stride, 3 * w / 4, h / 4), {0, 255, 0}, 6, "top right");
        ExpectNear(PixelAt(bgr, stride, w / 4, 3 * h / 4), {255, 0, 0}, 6, "bottom left");
        ExpectNear(PixelAt(bgr, stride, 3 * w / 4, 3 * h / 4), {255, 255, 255}, 6, "bottom right");
    }
    std::vector<uint8_t> full;
    ASSERT_TRUE(scaler.ConvertFullSize(*picture, full));
    ASSERT_EQ(full.size(), 128u * 96 * 3);
    ExpectNear(PixelAt(full, 384, 10, 10, 3), {0, 0, 255}, 4, "full top left");
    ExpectNear(PixelAt(full, 384, 127, 95, 3), {255, 255, 255}, 4, "full bottom right");
    // The pane conversion is still the one of its own size after a snapshot.
    std::vector<uint8_t> bgr(32 * 24 * 4);
    ASSERT_TRUE(scaler.Scale(*picture, Into(bgr, 32, 24, 128)));
    ExpectNear(PixelAt(bgr, 128, 24, 18), {255, 255, 255}, 6, "after snapshot");
}

TEST(PaneScaler, WritesNothingPastItsRowsAtAnyWidthAndStride) {
    // The converter is not instrumented, so the bytes after the buffer's height × stride are
    // checked by hand. Odd widths with and without a spare pixel in the stride, and an even
    // width that is not a multiple of 8 (libswscale writes such rows in blocks of 8 pixels).
    const auto picture = MakeFlat(176, 144, kGreen);
    constexpr int kHeight = 299, kTail = 256;
    struct Case {
        int width;
        int stride;
    };
    for (const Case c : {Case{401, 401 * 4}, Case{401, 401 * 4 + 13}, Case{402, 402 * 4},
                         Case{402, 402 * 4 + 1}}) {
        SCOPED_TRACE(testing::Message() << c.width << " wide, stride " << c.stride);
        PaneScaler scaler;
        const std::size_t end = std::size_t(c.stride) * kHeight;
        std::vector<uint8_t> bgr(end + kTail, 0xAB);
        ASSERT_TRUE(
            scaler.Scale(*picture, BgrxTarget{bgr.data(), end, c.width, kHeight, c.stride}));
        for (std::size_t i = end; i < bgr.size(); ++i) ASSERT_EQ(bgr[i], 0xAB) << "tail";
        for (int y : {0, kHeight / 2, kHeight - 1})
            for (int x : {0, c.width - 1})
                ExpectNear(PixelAt(bgr, c.stride, x, y), {0, 255, 0}, 4, "pixel");
    }
}

TEST(PaneScaler, StoredSizeIsTransposedForQuarterTurnsAndNeverEnlarges) {
    // A stream larger than the pane: the pane's size, turned for quarter turns.
    EXPECT_EQ(PaneScaler::StoredSize(400, 300, 0, 1280, 720), std::pair(400, 300));
    EXPECT_EQ(PaneScaler::StoredSize(400, 300, 1, 1280, 720), std::pair(300, 400));
    EXPECT_EQ(PaneScaler::StoredSize(400, 300, 2, 1280, 720), std::pair(400, 300));
    EXPECT_EQ(PaneScaler::StoredSize(400, 300, 3, 1280, 720), std::pair(300, 400));
    // A full-screen pane of a smaller stream: the stream's size, which the viewer stretches.
    EXPECT_EQ(PaneScaler::StoredSize(1920, 1080, 0, 1280, 720), std::pair(1280, 720));
    EXPECT_EQ(PaneScaler::StoredSize(1920, 1080, 1, 1280, 720), std::pair(1080, 720));
    // Each side on its own: a tall narrow pane shrinks the width and keeps the stream's height.
    EXPECT_EQ(PaneScaler::StoredSize(200, 1000, 0, 640, 480), std::pair(200, 480));
}

TEST(PaneScaler, RefusesWhatItCannotConvert) {
    const auto picture = MakeFlat(64, 48, kRed);
    PaneScaler scaler;
    std::vector<uint8_t> bgr(64 * 48 * 4, 0xCD);
    EXPECT_FALSE(scaler.Scale(*picture, Into(bgr, 64, 48, 64 * 4 - 1)));
    EXPECT_FALSE(scaler.Scale(*picture, Into(bgr, 0, 48, 64 * 4)));
    EXPECT_FALSE(scaler.Scale(*picture, Into(bgr, 64, -2, 64 * 4)));
    EXPECT_FALSE(scaler.Scale(*picture, BgrxTarget{nullptr, bgr.size(), 64, 48, 64 * 4}));
    FramePtr empty(av_frame_alloc());
    EXPECT_FALSE(scaler.Scale(*empty, Into(bgr, 64, 48, 64 * 4)));
    std::vector<uint8_t> full;
    EXPECT_FALSE(scaler.ConvertFullSize(*empty, full));
    for (uint8_t b : bgr) ASSERT_EQ(b, 0xCD);
}

TEST(PaneScaler, RefusesRowsThatDoNotFitTheBuffer) {
    // A pane turned a quarter: 360 × 640 in a buffer made for it, but with the stride of the
    // 640 × 360 picture it held before; and a buffer one byte short of its last row.
    const auto picture = MakeFlat(64, 48, kRed);
    PaneScaler scaler;
    std::vector<uint8_t> bgr(360 * 640 * 4, 0xCD);
    EXPECT_FALSE(scaler.Scale(*picture, Into(bgr, 360, 640, 640 * 4)));
    EXPECT_FALSE(scaler.Scale(*picture, BgrxTarget{bgr.data(), bgr.size() - 1, 360, 640, 360 * 4}));
    for (uint8_t b : bgr) ASSERT_EQ(b, 0xCD);
    // The same buffer with the rows of its own picture.
    EXPECT_TRUE(scaler.Scale(*picture, Into(bgr, 359, 640, 360 * 4)));
    EXPECT_TRUE(scaler.Scale(*picture, Into(bgr, 360, 640, 360 * 4)));
}

TEST(PaneScaler, DecodedPictureKeepsItsColour) {
    H264ClipOptions options;
    options.width = 64;
    options.height = 48;
    options.frames = 3;
    options.flatYuv = kRed;
    const auto clip = MakeH264Clip(options);
    ASSERT_TRUE(clip);
    ParameterSetRecord none{};
    H264Decoder decoder;
    ASSERT_TRUE(decoder.Open(none, none, clip->width, clip->height));
    std::vector<uint8_t> padded(clip->frames[0].bytes.size() + H264Decoder::kInputPadding, 0);
    std::memcpy(padded.data(), clip->frames[0].bytes.data(), clip->frames[0].bytes.size());
    const AVFrame* picture = decoder.Decode(padded.data(), clip->frames[0].bytes.size());
    ASSERT_NE(picture, nullptr);
    PaneScaler scaler;
    std::vector<uint8_t> bgr(100 * 60 * 4);
    ASSERT_TRUE(scaler.Scale(*picture, Into(bgr, 100, 60, 400)));
    ExpectNear(PixelAt(bgr, 400, 50, 30), {0, 0, 255}, 8, "decoded red");
}

}  // namespace
}  // namespace nimbrel
