#include "camera/SpeexToneEncoder.h"

#include <speex/speex.h>

#include <cstdint>

#include "camera/ToneSamples.h"

namespace nimbrel::sim {

Result<AudioClip> SpeexToneEncoder::Encode(int toneHz) {
    using R = Result<AudioClip>;
    void* state = speex_encoder_init(&speex_nb_mode);
    if (!state) return R::Fail("speex_encoder_init failed");
    int quality = 4;
    speex_encoder_ctl(state, SPEEX_SET_QUALITY, &quality);
    int frameSize = 0;
    speex_encoder_ctl(state, SPEEX_GET_FRAME_SIZE, &frameSize);
    SpeexBits bits;
    speex_bits_init(&bits);

    AudioClip clip;
    clip.key = {AudioKind::Speex, 8000, toneHz};
    clip.packetPeriodUs = 200000;
    const int packets = 10;  // two seconds
    std::string error;
    long long sample = 0;
    for (int p = 0; p < packets && error.empty(); ++p) {
        std::string body;
        for (int f = 0; f < kFramesPerPacket; ++f) {
            spx_int16_t pcm[kFrameSamples];
            for (int i = 0; i < kFrameSamples; ++i)
                pcm[i] = static_cast<spx_int16_t>(ToneSamples::At(sample++, 8000, toneHz) * 32767);
            speex_bits_reset(&bits);
            speex_encode_int(state, pcm, &bits);
            char out[64];
            const int n = speex_bits_write(&bits, out, sizeof out);
            if (n != kFrameBytes) {
                error = "speex frame of " + std::to_string(n) + " bytes, expected 20";
                break;
            }
            body.append(out, n);
        }
        clip.packets.push_back(std::move(body));
    }
    speex_bits_destroy(&bits);
    speex_encoder_destroy(state);
    if (frameSize != kFrameSamples) return R::Fail("speex narrowband frame is not 160 samples");
    if (!error.empty()) return R::Fail(error);
    return R::Ok(std::move(clip));
}

}  // namespace nimbrel::sim
