#include "media/SpeexCodec.h"

#include <speex/speex.h>

#include <cstring>

namespace nimbrel {

struct SpeexDecoder::Bits {
    SpeexBits bits;
};
struct SpeexEncoder::Bits {
    SpeexBits bits;
};

namespace {

int16_t Le16(const uint8_t* p) {
    return static_cast<int16_t>(p[0] | p[1] << 8);
}

}  // namespace

SpeexDecoder::SpeexDecoder() : state_(speex_decoder_init(&speex_nb_mode)), bits_(new Bits) {
    speex_bits_init(&bits_->bits);
}

SpeexDecoder::~SpeexDecoder() {
    speex_bits_destroy(&bits_->bits);
    delete bits_;
    if (state_) speex_decoder_destroy(state_);
}

int SpeexDecoder::DecodePacket(std::span<const uint8_t, kSpeexPacketBytes> packet,
                               std::span<uint8_t, kSpeexPcmBytes> pcm) {
    std::memset(pcm.data(), 0, pcm.size());
    if (!state_) return 0;
    int decoded = 0;
    for (std::size_t k = 0; k < kSpeexFramesPerPacket; ++k) {
        speex_bits_read_from(&bits_->bits,
                             reinterpret_cast<const char*>(packet.data() + k * kSpeexFrameBytes),
                             kSpeexFrameBytes);
        spx_int16_t out[kSpeexFrameSamples];
        if (speex_decode_int(state_, &bits_->bits, out) == 0) {
            std::memcpy(pcm.data() + k * 2 * kSpeexFrameSamples, out, sizeof out);
            ++decoded;
        }
        speex_bits_reset(&bits_->bits);
    }
    return decoded;
}

SpeexEncoder::SpeexEncoder() : state_(speex_encoder_init(&speex_nb_mode)), bits_(new Bits) {
    speex_bits_init(&bits_->bits);
    if (!state_) return;
    int quality = 4;
    speex_encoder_ctl(state_, SPEEX_SET_QUALITY, &quality);
}

SpeexEncoder::~SpeexEncoder() {
    speex_bits_destroy(&bits_->bits);
    delete bits_;
    if (state_) speex_encoder_destroy(state_);
}

bool SpeexEncoder::EncodePacket(std::span<const uint8_t, kSpeexPcmBytes> pcm,
                                std::span<uint8_t, kSpeexPacketBytes> packet) {
    if (!state_) return false;
    for (std::size_t k = 0; k < kSpeexFramesPerPacket; ++k) {
        float in[kSpeexFrameSamples];
        for (std::size_t s = 0; s < kSpeexFrameSamples; ++s)
            in[s] = Le16(pcm.data() + 2 * (k * kSpeexFrameSamples + s));
        speex_bits_reset(&bits_->bits);
        speex_encode(state_, in, &bits_->bits);
        char out[64];
        if (speex_bits_write(&bits_->bits, out, sizeof out) != static_cast<int>(kSpeexFrameBytes))
            return false;
        std::memcpy(packet.data() + k * kSpeexFrameBytes, out, kSpeexFrameBytes);
    }
    return true;
}

}  // namespace nimbrel
