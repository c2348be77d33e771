// The simulated cameras' media and packet formats: the H.264 clip decodes with the right
// frame count and key-frame spacing, the audio clips decode, video frames are cut into
// consistent fragments, control messages seal and open, and the reader of client packets
// refuses what cannot be right.
#include <gtest/gtest.h>
#include <speex/speex.h>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <memory>

#include "StreamTestClient.h"
#include "camera/AacToneEncoder.h"
#include "camera/AnnexB.h"
#include "camera/ClientPacketReader.h"
#include "camera/ControlSeal.h"
#include "camera/H264ClipEncoder.h"
#include "camera/MediaLibrary.h"
#include "camera/MediaPackets.h"
#include "camera/SpeexToneEncoder.h"
#include "service/crypto/Hex.h"
#include "text/JsonText.h"

namespace nimbrel::sim::test {
namespace {

// A libavcodec decoder fed packet by packet; counts the pictures it gives.
class Decoder {
  public:
    explicit Decoder(const char* name) {
        const AVCodec* codec = avcodec_find_decoder_by_name(name);
        context_ = avcodec_alloc_context3(codec);
        frame_ = av_frame_alloc();
        packet_ = av_packet_alloc();
        ok_ = codec && context_ && avcodec_open2(context_, codec, nullptr) == 0;
    }
    ~Decoder() {
        avcodec_free_context(&context_);
        av_frame_free(&frame_);
        av_packet_free(&packet_);
    }
    bool Ok() const { return ok_; }
    // Decodes one packet; false when the decoder refuses it.
    bool Feed(const std::string& bytes) {
        std::string padded = bytes + std::string(AV_INPUT_BUFFER_PADDING_SIZE, '\0');
        packet_->data = reinterpret_cast<uint8_t*>(padded.data());
        packet_->size = static_cast<int>(bytes.size());
        if (avcodec_send_packet(context_, packet_) < 0) return false;
        while (avcodec_receive_frame(context_, frame_) == 0) {
            ++pictures;
            width = frame_->width;
            height = frame_->height;
            samples = frame_->nb_samples;
            channels = frame_->ch_layout.nb_channels;
        }
        return true;
    }
    int pictures = 0, width = 0, height = 0, samples = 0, channels = 0;

  private:
    AVCodecContext* context_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPacket* packet_ = nullptr;
    bool ok_ = false;
};

TEST(CameraMediaTest, VideoClipDecodesWithKeyFramesEveryGop) {
    const VideoClipKey key{320, 180, 40, 400000, 10};
    auto clip = H264ClipEncoder::Encode(key);
    ASSERT_TRUE(clip) << clip.error();
    const int frames = H264ClipEncoder::ClipFrames(key);
    ASSERT_EQ(static_cast<int>(clip->frames.size()), frames);
    EXPECT_EQ(frames % key.gop, 0);
    EXPECT_GE(frames * key.framePeriodMs, 4000);
    for (int i = 0; i < frames; ++i) {
        EXPECT_EQ(clip->frames[i].key, i % key.gop == 0) << "frame " << i;
        const auto units = AnnexB::Units(clip->frames[i].bytes);
        bool idr = false;
        for (auto u : units) idr |= AnnexB::Type(u) == 5;
        EXPECT_EQ(idr, clip->frames[i].key) << "frame " << i;
    }
    EXPECT_LE(clip->sps.size(), H264ClipEncoder::kMaxParameterSet);
    EXPECT_LE(clip->pps.size(), H264ClipEncoder::kMaxParameterSet);
    EXPECT_EQ(AnnexB::Type(clip->sps), 7);
    EXPECT_EQ(AnnexB::Type(clip->pps), 8);

    // A decoder primed only with the announced parameter sets takes the clip twice over,
    // the loop seam included.
    Decoder decoder("h264");
    ASSERT_TRUE(decoder.Ok());
    const std::string startCode("\0\0\0\1", 4);
    decoder.Feed(startCode + clip->sps);
    decoder.Feed(startCode + clip->pps);
    for (int pass = 0; pass < 2; ++pass)
        for (const auto& f : clip->frames) ASSERT_TRUE(decoder.Feed(f.bytes));
    EXPECT_EQ(decoder.pictures, 2 * frames);
    EXPECT_EQ(decoder.width, 320);
    EXPECT_EQ(decoder.height, 180);
}

TEST(CameraMediaTest, SpeexClipIsTenTwentyByteFramesPerPacket) {
    auto clip = SpeexToneEncoder::Encode();
    ASSERT_TRUE(clip) << clip.error();
    EXPECT_EQ(clip->packetPeriodUs, 200000);
    ASSERT_FALSE(clip->packets.empty());
    void* state = speex_decoder_init(&speex_nb_mode);
    SpeexBits bits;
    speex_bits_init(&bits);
    int loud = 0;
    for (const auto& body : clip->packets) {
        ASSERT_EQ(body.size(), 200u);
        for (int k = 0; k < 10; ++k) {
            speex_bits_read_from(&bits, const_cast<char*>(body.data()) + 20 * k, 20);
            spx_int16_t pcm[160];
            ASSERT_EQ(speex_decode_int(state, &bits, pcm), 0);
            for (spx_int16_t s : pcm) loud += std::abs(s) > 3000;
        }
    }
    speex_bits_destroy(&bits);
    speex_decoder_destroy(state);
    EXPECT_GT(loud, 1000) << "the tone should be audible";
}

TEST(CameraMediaTest, AacClipIsAdtsFramesThatDecodeToStereo) {
    auto clip = AacToneEncoder::Encode(16000);
    ASSERT_TRUE(clip) << clip.error();
    EXPECT_EQ(clip->packetPeriodUs, 64000);
    Decoder decoder("aac");
    ASSERT_TRUE(decoder.Ok());
    for (const auto& frame : clip->packets) {
        ASSERT_GT(frame.size(), 7u);
        ASSERT_LE(frame.size(), AacToneEncoder::kMaxFrame);
        const auto b = [&](int i) { return static_cast<uint8_t>(frame[i]); };
        EXPECT_EQ(b(0), 0xFF);
        EXPECT_EQ(b(1) & 0xF6, 0xF0);  // sync word, layer 0
        EXPECT_EQ((b(2) >> 2) & 0x0F, 8) << "16000 Hz is rate index 8";
        const std::size_t length = ((b(3) & 3) << 11) | (b(4) << 3) | (b(5) >> 5);
        EXPECT_EQ(length, frame.size());
        ASSERT_TRUE(decoder.Feed(frame));
    }
    EXPECT_GT(decoder.pictures, 0);
    EXPECT_EQ(decoder.samples, 1024);
    EXPECT_EQ(decoder.channels, 2);
}

TEST(CameraMediaTest, LibraryMakesEachClipOnce) {
    MediaLibrary library;
    const VideoClipKey key{160, 90, 100, 200000, 5};
    auto first = library.Video(key);
    auto second = library.Video(key);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->get(), second->get());
    auto speex = library.Audio({AudioKind::Speex, 44100});  // the rate means nothing to Speex
    auto again = library.Audio({AudioKind::Speex, 8000});
    ASSERT_TRUE(speex && again);
    EXPECT_EQ(speex->get(), again->get());
    EXPECT_EQ(library.Encodings(), 2);
    EXPECT_FALSE(library.Audio({AudioKind::None, 8000}));
}

TEST(CameraMediaTest, VideoFragmentsCarryConsistentHeaders) {
    std::string frame(3000, '\0');
    for (std::size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<char>(i * 7);
    const auto fragments = MediaPackets::VideoFragments(frame, false, 0x01020304, 0xA0B0C0D0);
    ASSERT_EQ(fragments.size(), 3u);
    std::string joined;
    for (std::size_t i = 0; i < fragments.size(); ++i) {
        StreamPacket p{0x46, fragments[i], {}};
        EXPECT_EQ(static_cast<uint8_t>(p.bytes[0]), 0x46);
        EXPECT_EQ(p.Length(), i < 2 ? 1375 : 250);
        EXPECT_EQ(p.bytes.size(), 25u + p.Length());
        EXPECT_EQ(p.bytes[3] & 1, 1) << "not a key frame";
        EXPECT_EQ(p.U32(5), 0x01020304u);
        EXPECT_EQ(p.U32(13), 0xA0B0C0D0u);
        EXPECT_EQ(p.S16(17), 3);
        EXPECT_EQ(p.S16(19), static_cast<int>(i));
        joined += p.bytes.substr(25);
    }
    EXPECT_EQ(joined, frame);
    const auto key = MediaPackets::VideoFragments(std::string(10, 'x'), true, 1, 0);
    ASSERT_EQ(key.size(), 1u);
    EXPECT_EQ(key[0][3] & 1, 0);

    const StreamPacket overflow{0x46, MediaPackets::OverflowingFragment(5, 0), {}};
    EXPECT_GT(overflow.S16(19) * 1375 + overflow.Length(), 409600);
    EXPECT_LT(overflow.S16(19), overflow.S16(17));
    const std::string unknown = MediaPackets::UnknownKindPacket();
    for (int kind : {0x32, 0x46, 0x5A, 0x5B}) EXPECT_NE(static_cast<uint8_t>(unknown[0]), kind);
}

TEST(CameraMediaTest, SealedPacketsMatchAnIndependentSealer) {
    Json::Value m(Json::objectValue);
    m["type"] = "connect";
    m["width"] = "640";
    // The camera's sealing of a message equals the test's own, header and all.
    const std::string packet = ControlSeal::Packet(m, kTestKeyValue, "c0de");
    EXPECT_EQ(packet, SealedPacket(m));
    EXPECT_EQ(ControlSeal::Datagram(0x0B, m, kTestKeyValue, "beef"), SealedDatagram(0x0B, m));
    // A text filling whole blocks still gets a block of padding.
    EXPECT_EQ(ControlSeal::SealText("12345678", kTestKeyValue, "0000").size(), 32u);
    EXPECT_EQ(ControlSeal::SealText("1234567", kTestKeyValue, "0000").size(), 16u);

    auto opened = ControlSeal::Open(packet.substr(8), kTestKeyValue, "c0de");
    ASSERT_TRUE(opened) << opened.error();
    EXPECT_EQ(*opened, m);
    EXPECT_FALSE(ControlSeal::Open(packet.substr(8), kTestKeyValue, "c0df"));
    EXPECT_FALSE(ControlSeal::Open(packet.substr(8, 15), kTestKeyValue, "c0de"));
    EXPECT_FALSE(ControlSeal::Open(std::string(16, 'z'), kTestKeyValue, "c0de"));

    auto datagram = ControlSeal::OpenDatagram(SealedDatagram(0x43, m), kTestKeyValue);
    ASSERT_TRUE(datagram) << datagram.error();
    EXPECT_EQ(*datagram, m);
    std::string lying = SealedDatagram(0x43, m);
    lying[1] = static_cast<char>(0xF0);  // a length past the datagram's end
    EXPECT_FALSE(ControlSeal::OpenDatagram(lying, kTestKeyValue));
    EXPECT_FALSE(ControlSeal::OpenDatagram(lying.substr(0, 10), kTestKeyValue));
}

std::span<const uint8_t> Bytes(const std::string& s) {
    return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

TEST(CameraMediaTest, ClientPacketsAreCutWhateverTheirArrival) {
    Json::Value m(Json::objectValue);
    m["type"] = "startup";
    const std::string control = SealedPacket(m);
    const std::string talk = "\x5A\xC8" + std::string(9, '\0') + std::string(200, 't');
    const std::string all = control + talk + control;
    ClientPacketReader reader;
    int got = 0;
    for (char c : all) {  // one byte at a time
        reader.Feed(Bytes(std::string(1, c)));
        while (auto p = reader.Next()) {
            ++got;
            if (got == 2) {
                EXPECT_EQ(p->kind, 0x5A);
                EXPECT_EQ(p->body, std::string(200, 't'));
            } else {
                EXPECT_EQ(p->kind, 0x32);
                EXPECT_EQ(p->salt, "c0de");
                EXPECT_EQ(p->body, control.substr(8));
            }
        }
    }
    EXPECT_EQ(got, 3);
    EXPECT_TRUE(reader.Error().empty());
    EXPECT_EQ(reader.Pending(), 0u);
}

TEST(CameraMediaTest, ClientPacketReaderRefusesImpossibleHeaders) {
    const std::vector<std::pair<const char*, std::string>> broken = {
        {"unknown kind", std::string("\x47\x01\x00", 3)},
        {"video from a client", std::string("\x46\x01\x00", 3)},
        {"control length not whole blocks", std::string("\x32\x11\x00", 3)},
        {"control length zero", std::string("\x32\x00\x00", 3)},
        {"control length past the buffer", std::string("\x32\x10\x08", 3)},  // 2064
        {"control length negative", std::string("\x32\x00\xF0", 3)},
        {"talk longer than any frame", std::string("\x5B\x01\x08", 3)},  // 2049
    };
    for (const auto& [what, bytes] : broken) {
        ClientPacketReader reader;
        reader.Feed(Bytes(bytes + std::string(64, '0')));
        EXPECT_FALSE(reader.Next()) << what;
        EXPECT_FALSE(reader.Error().empty()) << what;
        // Once broken, nothing more is taken.
        reader.Feed(Bytes(SealedPacket(Json::Value(Json::objectValue))));
        EXPECT_FALSE(reader.Next()) << what;
    }
}

}  // namespace
}  // namespace nimbrel::sim::test
