// What a simulated camera makes of talk: the client's encoders' packets decode to the sent
// pitch; packets that break the format are counted as malformed with a reason, and an empty AAC
// packet (the encoder's first block) is allowed.
#include <gtest/gtest.h>

#include <cmath>

#include "camera/TalkListener.h"
#include "media/AacEncoder.h"
#include "media/SpeexCodec.h"

namespace nimbrel::sim {
namespace {

std::vector<uint8_t> ToneBytes(double hz, int rate, std::size_t samples) {
    std::vector<uint8_t> b(samples * 2);
    for (std::size_t i = 0; i < samples; ++i) {
        const auto v = static_cast<int16_t>(10000 * std::sin(2 * M_PI * hz * i / rate));
        b[2 * i] = static_cast<uint8_t>(v);
        b[2 * i + 1] = static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8);
    }
    return b;
}

TEST(TalkListener, PitchIsTheWholeSecondsNotThatOfItsStart) {
    // A decoder settling, or a click, fills the first 50 ms with another sound.
    std::vector<float> x;
    for (int i = 0; i < 400; ++i)
        x.push_back(static_cast<float>(std::sin(2 * M_PI * 1500 * i / 8000)));
    for (int i = 0; i < 8000; ++i)
        x.push_back(static_cast<float>(0.3 * std::sin(2 * M_PI * 523 * i / 8000)));
    EXPECT_NEAR(TalkListener::DominantFrequency(x, 8000), 523, 523 * 0.02);
    // Quiet at the start, as a decoder's first frames are.
    for (int i = 0; i < 400; ++i)
        x[i] = static_cast<float>(0.001 * std::sin(2 * M_PI * 3000 * i / 8000));
    EXPECT_NEAR(TalkListener::DominantFrequency(x, 8000), 523, 523 * 0.02);
}

TEST(TalkListener, HearsThePitchOfEachKind) {
    TalkListener speexEar;
    SpeexEncoder speex;
    const auto pcm = ToneBytes(523, 8000, 8000);
    for (int p = 0; p < 5; ++p) {
        std::array<uint8_t, kSpeexPacketBytes> body{};
        ASSERT_TRUE(speex.EncodePacket(
            std::span(pcm).subspan(p * kSpeexPcmBytes).first<kSpeexPcmBytes>(), body));
        speexEar.OnPacket(false, std::string(body.begin(), body.end()));
    }
    auto second = speexEar.TakeSecond();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->packets, 5);
    EXPECT_EQ(second->samples, 8000);
    EXPECT_EQ(second->malformed, 0);
    EXPECT_NEAR(second->dominantHz, 523, 523 * 0.02);
    EXPECT_FALSE(speexEar.TakeSecond()) << "nothing came since";

    TalkListener aacEar;
    AacEncoder aac;
    ASSERT_TRUE(aac.Open(16000));
    const auto aacPcm = ToneBytes(800, 16000, 16 * 1024);
    std::vector<uint8_t> frame;
    for (int b = 0; b < 16; ++b) {
        ASSERT_TRUE(aac.Encode(std::span(aacPcm).subspan(b * 2048).first<2048>(), frame));
        aacEar.OnPacket(true, std::string(frame.begin(), frame.end()));
    }
    second = aacEar.TakeSecond();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->kind, "aac");
    EXPECT_EQ(second->packets, 16);
    EXPECT_EQ(second->malformed, 0) << second->malformedReason;
    EXPECT_NEAR(second->dominantHz, 800, 800 * 0.02);
}

TEST(TalkListener, CountsMalformedPacketsWithTheirReason) {
    TalkListener ear;
    ear.OnPacket(false, std::string(199, 'x'));
    auto second = ear.TakeSecond();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->malformed, 1);
    EXPECT_NE(second->malformedReason.find("199"), std::string::npos);

    ear.OnPacket(true, "not adts");
    std::string wrongLength = "\xFF\xF1\x60\x40\x10\x1F\xFC";  // says 128 bytes
    wrongLength += std::string(20, '\0');
    ear.OnPacket(true, wrongLength);
    ear.OnPacket(true, "");  // allowed: the encoder had nothing yet
    second = ear.TakeSecond();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->packets, 3);
    EXPECT_EQ(second->malformed, 2);
    EXPECT_NE(second->malformedReason.find("ADTS length"), std::string::npos);
    EXPECT_EQ(second->dominantHz, 0);
}

}  // namespace
}  // namespace nimbrel::sim
