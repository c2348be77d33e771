// The codecs of device audio and talk: what goes through an encoder and back keeps its pitch;
// the decoders always give a whole entry of PCM and silence for what does not decode; the ADTS
// header names the frame.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "ToneMeter.h"
#include "media/AacDecoder.h"
#include "media/AacEncoder.h"
#include "media/SpeexCodec.h"

namespace nimbrel::test {
namespace {

std::vector<int16_t> Samples(std::span<const uint8_t> pcm) {
    std::vector<int16_t> s(pcm.size() / 2);
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<int16_t>(pcm[2 * i] | pcm[2 * i + 1] << 8);
    return s;
}

std::vector<uint8_t> Le(const std::vector<int16_t>& samples) {
    std::vector<uint8_t> b(samples.size() * 2);
    std::memcpy(b.data(), samples.data(), b.size());
    return b;
}

TEST(SpeexCodec, ToneSurvivesAndGarbageGivesSilenceOfTheFullSize) {
    SpeexEncoder encoder;
    SpeexDecoder decoder;
    ASSERT_TRUE(encoder.IsOpen());
    ASSERT_TRUE(decoder.IsOpen());
    const auto pcm = Le(Tone(440, 8000, 1600 * 5));
    std::vector<int16_t> out;
    for (int p = 0; p < 5; ++p) {
        std::array<uint8_t, kSpeexPacketBytes> packet{};
        ASSERT_TRUE(encoder.EncodePacket(
            std::span(pcm).subspan(p * kSpeexPcmBytes).first<kSpeexPcmBytes>(), packet));
        std::array<uint8_t, kSpeexPcmBytes> decoded{};
        EXPECT_EQ(decoder.DecodePacket(packet, decoded), 10);
        const auto s = Samples(decoded);
        out.insert(out.end(), s.begin(), s.end());
    }
    EXPECT_NEAR(DominantHz(Channel(out, 1, 1600, out.size() - 1600), 8000), 440, 440 * 0.02);

    // Frames that do not decode are silence, not what the decoder made before.
    std::array<uint8_t, kSpeexPacketBytes> garbage;
    garbage.fill(0xFF);
    std::array<uint8_t, kSpeexPcmBytes> decoded;
    decoded.fill(0x11);
    const int frames = decoder.DecodePacket(garbage, decoded);
    EXPECT_LT(frames, 10);
    const auto s = Samples(decoded);
    // Every frame reported bad is all zeros.
    int silentFrames = 0;
    for (int k = 0; k < 10; ++k) {
        bool zero = true;
        for (int i = 0; i < 160; ++i) zero = zero && s[k * 160 + i] == 0;
        silentFrames += zero;
    }
    EXPECT_GE(silentFrames, 10 - frames);
}

TEST(AacCodec, TalkEncoderFramesDecodeToTheSamePitchAsStereoEntries) {
    AacEncoder encoder;
    ASSERT_TRUE(encoder.Open(16000));
    EXPECT_FALSE(AacEncoder().Open(12345)) << "a rate ADTS cannot name";
    AacDecoder decoder;
    ASSERT_TRUE(decoder.Open());
    const auto pcm = Le(Tone(1000, 16000, 1024 * 20));
    std::vector<int16_t> left, right;
    std::vector<uint8_t> frame;
    int empty = 0;
    for (int b = 0; b < 20; ++b) {
        ASSERT_TRUE(encoder.Encode(std::span(pcm).subspan(b * 2048).first<2048>(), frame));
        if (frame.empty()) {
            ++empty;
            continue;
        }
        ASSERT_LE(frame.size(), AacDecoder::kMaxFrameBytes);
        // The ADTS header names the frame's own length and the rate.
        ASSERT_EQ(frame[0], 0xFF);
        EXPECT_EQ(static_cast<std::size_t>((frame[3] & 3) << 11 | frame[4] << 3 | frame[5] >> 5),
                  frame.size());
        std::array<uint8_t, AacDecoder::kPcmBytes> entry;
        ASSERT_TRUE(decoder.Decode(frame, entry));
        const auto s = Samples(entry);
        for (std::size_t i = 0; i + 1 < s.size(); i += 2) {
            left.push_back(s[i]);
            right.push_back(s[i + 1]);
        }
    }
    EXPECT_GE(empty, 1) << "the encoder's first frame comes a block late";
    EXPECT_EQ(decoder.SampleRate(), 16000);
    EXPECT_EQ(decoder.Channels(), 1);
    EXPECT_EQ(left, right) << "mono is played on both channels";
    const auto x = Channel(left, 1, 4096, left.size() - 4096);
    EXPECT_NEAR(DominantHz(x, 16000), 1000, 20);
    EXPECT_GT(Rms(x), 3000);
}

TEST(AacCodec, BrokenAndOversizedFramesAreSilence) {
    AacDecoder decoder;
    ASSERT_TRUE(decoder.Open());
    std::array<uint8_t, AacDecoder::kPcmBytes> entry;
    entry.fill(0x22);
    std::vector<uint8_t> junk(300);
    for (std::size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<uint8_t>(i * 37);
    EXPECT_FALSE(decoder.Decode(junk, entry));
    EXPECT_TRUE(std::all_of(entry.begin(), entry.end(), [](uint8_t b) { return b == 0; }));
    entry.fill(0x22);
    EXPECT_FALSE(decoder.Decode(std::vector<uint8_t>(AacDecoder::kMaxFrameBytes + 1, 0xFF), entry));
    EXPECT_TRUE(std::all_of(entry.begin(), entry.end(), [](uint8_t b) { return b == 0; }));
    EXPECT_FALSE(decoder.Decode({}, entry));
}

}  // namespace
}  // namespace nimbrel::test
