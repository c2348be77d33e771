#include "media/H264Decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "H264Clip.h"
#include "media/FrameRing.h"
#include "text/Base64.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace nimbrel {
namespace {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> planes;  // Y, U, V without row padding

    bool operator==(const Picture&) const = default;
};

Picture Copy(const AVFrame& frame) {
    Picture p;
    p.width = frame.width;
    p.height = frame.height;
    for (int plane = 0; plane < 3; ++plane) {
        const int w = plane == 0 ? frame.width : (frame.width + 1) / 2;
        const int h = plane == 0 ? frame.height : (frame.height + 1) / 2;
        for (int y = 0; y < h; ++y) {
            const uint8_t* row = frame.data[plane] + std::ptrdiff_t(y) * frame.linesize[plane];
            p.planes.insert(p.planes.end(), row, row + w);
        }
    }
    return p;
}

ParameterSetRecord Record(const std::vector<uint8_t>& nal) {
    auto record = ParameterSetRecord::FromBase64(Base64Encode(std::string(nal.begin(), nal.end())));
    EXPECT_TRUE(record);
    return record ? *record : ParameterSetRecord{};
}

std::vector<uint8_t> Padded(const std::vector<uint8_t>& bytes) {
    std::vector<uint8_t> padded(bytes.size() + H264Decoder::kInputPadding, 0);
    std::memcpy(padded.data(), bytes.data(), bytes.size());
    return padded;
}

// Decodes the clip with libavcodec directly, the parameter sets given as extradata.
std::vector<Picture> ReferenceDecode(const H264Clip& clip) {
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    AVCodecContext* context = avcodec_alloc_context3(codec);
    std::vector<uint8_t> extra;
    for (const auto* nal : {&clip.sps, &clip.pps}) {
        extra.insert(extra.end(), {0, 0, 0, 1});
        extra.insert(extra.end(), nal->begin(), nal->end());
    }
    context->extradata =
        static_cast<uint8_t*>(av_mallocz(extra.size() + AV_INPUT_BUFFER_PADDING_SIZE));
    std::memcpy(context->extradata, extra.data(), extra.size());
    context->extradata_size = static_cast<int>(extra.size());
    EXPECT_EQ(avcodec_open2(context, codec, nullptr), 0);
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    std::vector<Picture> pictures;
    auto drain = [&] {
        while (avcodec_receive_frame(context, frame) == 0) pictures.push_back(Copy(*frame));
    };
    for (const auto& f : clip.frames) {
        EXPECT_EQ(av_new_packet(packet, static_cast<int>(f.bytes.size())), 0);
        std::memcpy(packet->data, f.bytes.data(), f.bytes.size());
        EXPECT_EQ(avcodec_send_packet(context, packet), 0);
        av_packet_unref(packet);
        drain();
    }
    avcodec_send_packet(context, nullptr);
    drain();
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&context);
    return pictures;
}

class H264DecoderTest : public ::testing::Test {
  protected:
    // Large enough that key frames take several fragments; two key frames.
    static H264Clip MakeClip(bool inBand) {
        H264ClipOptions options;
        options.width = 176;
        options.height = 144;
        options.bitRate = 1500000;
        options.gop = 5;
        options.frames = 10;
        options.inBandParameterSets = inBand;
        auto clip = MakeH264Clip(options);
        EXPECT_TRUE(clip) << "libx264 encoder not available";
        return clip ? std::move(*clip) : H264Clip{};
    }
};

TEST_F(H264DecoderTest, DecodesFramesFromTheRingLikeADirectDecode) {
    const H264Clip clip = MakeClip(/*inBand=*/false);
    ASSERT_EQ(clip.frames.size(), 10u);
    ASSERT_GT(clip.frames[0].bytes.size(), FrameRing::kFragmentStride);
    ASSERT_TRUE(clip.frames[0].key);
    ASSERT_TRUE(clip.frames[5].key);
    const std::vector<Picture> reference = ReferenceDecode(clip);
    ASSERT_EQ(reference.size(), 10u);

    H264Decoder decoder;
    ASSERT_TRUE(decoder.Open(Record(clip.sps), Record(clip.pps), clip.width, clip.height));
    FrameRing ring;
    ASSERT_TRUE(ring.Allocate());
    std::vector<Picture> pictures;
    for (uint32_t n = 0; n < clip.frames.size(); ++n) {
        const auto& bytes = clip.frames[n].bytes;
        const int count =
            int((bytes.size() + FrameRing::kFragmentStride - 1) / FrameRing::kFragmentStride);
        for (int i = 0; i < count; ++i) {
            const std::size_t offset = FrameRing::kFragmentStride * i;
            const auto length = std::min(FrameRing::kFragmentStride, bytes.size() - offset);
            VideoFragment f{clip.frames[n].key, n,          0,
                            int16_t(count),     int16_t(i), bytes.data() + offset,
                            uint16_t(length)};
            ASSERT_EQ(ring.Put(f), FrameRing::PutResult::Stored);
        }
        ring.Tick([&](const FrameRing::Frame& frame) {
            const AVFrame* picture = decoder.Decode(frame.data, frame.size);
            ASSERT_NE(picture, nullptr) << frame.number;
            pictures.push_back(Copy(*picture));
        });
    }
    // The last frame stays in the ring as the reserve.
    ASSERT_EQ(pictures.size(), 9u);
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        EXPECT_EQ(pictures[i].width, 176);
        EXPECT_EQ(pictures[i].height, 144);
        EXPECT_TRUE(pictures[i] == reference[i]) << "picture " << i;
    }
}

TEST_F(H264DecoderTest, TheParameterSetsPrimeTheDecoder) {
    const H264Clip clip = MakeClip(/*inBand=*/false);
    const auto empty = ParameterSetRecord::FromBase64("");
    ASSERT_TRUE(empty);
    H264Decoder unprimed;
    ASSERT_TRUE(unprimed.Open(*empty, *empty, clip.width, clip.height));
    for (const auto& f : clip.frames) {
        const auto padded = Padded(f.bytes);
        EXPECT_EQ(unprimed.Decode(padded.data(), f.bytes.size()), nullptr);
    }
}

// Most cameras repeat the parameter sets before each key frame; such a stream plays without
// priming, and bytes the decoder rejects on the way give no picture and change nothing after.
TEST_F(H264DecoderTest, InBandParameterSetsAndRejectedBytes) {
    const H264Clip clip = MakeClip(/*inBand=*/true);
    const std::vector<Picture> reference = ReferenceDecode(clip);
    ASSERT_EQ(reference.size(), clip.frames.size());
    const auto empty = ParameterSetRecord::FromBase64("");
    H264Decoder decoder;
    ASSERT_TRUE(decoder.Open(*empty, *empty, clip.width, clip.height));
    std::vector<uint8_t> junk(3000);
    for (std::size_t i = 0; i < junk.size(); ++i) junk[i] = uint8_t(i * 151 + 7);
    const auto paddedJunk = Padded(junk);
    EXPECT_EQ(decoder.Decode(paddedJunk.data(), junk.size()), nullptr);
    EXPECT_EQ(decoder.Decode(paddedJunk.data(), 0), nullptr);
    EXPECT_EQ(decoder.Decode(nullptr, 10), nullptr);
    for (std::size_t i = 0; i < clip.frames.size(); ++i) {
        const auto padded = Padded(clip.frames[i].bytes);
        const AVFrame* picture = decoder.Decode(padded.data(), clip.frames[i].bytes.size());
        ASSERT_NE(picture, nullptr) << i;
        EXPECT_TRUE(Copy(*picture) == reference[i]) << "picture " << i;
    }
}

TEST_F(H264DecoderTest, RefusesSizesNoPictureCanHave) {
    const auto record = ParameterSetRecord::FromBase64("");
    H264Decoder decoder;
    EXPECT_FALSE(decoder.Open(*record, *record, 0, 48));
    EXPECT_FALSE(decoder.Open(*record, *record, 64, -1));
    EXPECT_FALSE(decoder.Open(*record, *record, 100000, 100000));
    EXPECT_FALSE(decoder.IsOpen());
    const uint8_t bytes[80] = {0, 0, 0, 1, 0x65};
    EXPECT_EQ(decoder.Decode(bytes, 16), nullptr);
    EXPECT_TRUE(decoder.Open(*record, *record, 64, 48));
    decoder.Close();
    EXPECT_FALSE(decoder.IsOpen());
}

}  // namespace
}  // namespace nimbrel
