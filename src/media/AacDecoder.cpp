#include "media/AacDecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/log.h>
}

#include <algorithm>
#include <cstring>

namespace nimbrel {
namespace {

int16_t ToS16(float v) {
    return static_cast<int16_t>(std::clamp(v * 32768.0f, -32768.0f, 32767.0f));
}

// One sample of channel `ch` at `index` of a decoded frame, in any of the sample layouts the
// decoder may give.
int16_t SampleAt(const AVFrame& f, int ch, int index) {
    const int channels = f.ch_layout.nb_channels;
    switch (f.format) {
        case AV_SAMPLE_FMT_FLTP:
            return ToS16(reinterpret_cast<const float*>(f.extended_data[ch])[index]);
        case AV_SAMPLE_FMT_FLT:
            return ToS16(reinterpret_cast<const float*>(f.data[0])[index * channels + ch]);
        case AV_SAMPLE_FMT_S16P:
            return reinterpret_cast<const int16_t*>(f.extended_data[ch])[index];
        case AV_SAMPLE_FMT_S16:
            return reinterpret_cast<const int16_t*>(f.data[0])[index * channels + ch];
        default:
            return 0;
    }
}

}  // namespace

bool AacDecoder::Open() {
    Close();
    av_log_set_level(AV_LOG_FATAL);  // a broken frame is counted, not printed
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_AAC);
    if (!codec) return false;
    context_ = avcodec_alloc_context3(codec);
    packet_ = av_packet_alloc();
    frame_ = av_frame_alloc();
    if (!context_ || !packet_ || !frame_ || avcodec_open2(context_, codec, nullptr) < 0) {
        Close();
        return false;
    }
    return true;
}

void AacDecoder::Close() {
    av_frame_free(&frame_);
    av_packet_free(&packet_);
    avcodec_free_context(&context_);
    sampleRate_ = 0;
    channels_ = 0;
}

bool AacDecoder::Decode(std::span<const uint8_t> input, std::span<uint8_t, kPcmBytes> pcm) {
    std::memset(pcm.data(), 0, pcm.size());
    if (!context_ || input.empty() || input.size() > kMaxFrameBytes) return false;
    // The decoder reads a little past its input, which must be zero.
    uint8_t padded[kMaxFrameBytes + AV_INPUT_BUFFER_PADDING_SIZE] = {};
    std::memcpy(padded, input.data(), input.size());
    packet_->data = padded;
    packet_->size = static_cast<int>(input.size());
    if (avcodec_send_packet(context_, packet_) < 0) return false;
    bool got = false;
    // One frame in gives at most one frame out; anything further is drained so that the next
    // frame starts clean.
    while (avcodec_receive_frame(context_, frame_) == 0) {
        const int channels = frame_->ch_layout.nb_channels;
        if (!got && channels >= 1 && frame_->nb_samples > 0) {
            got = true;
            if (sampleRate_ == 0) {
                sampleRate_ = frame_->sample_rate;
                channels_ = channels;
            }
            const int n = std::min(frame_->nb_samples, static_cast<int>(kPcmBytes / 4));
            auto* out = reinterpret_cast<uint8_t*>(pcm.data());
            for (int s = 0; s < n; ++s) {
                const int16_t left = SampleAt(*frame_, 0, s);
                const int16_t right = channels > 1 ? SampleAt(*frame_, 1, s) : left;
                out[4 * s] = static_cast<uint8_t>(left);
                out[4 * s + 1] = static_cast<uint8_t>(static_cast<uint16_t>(left) >> 8);
                out[4 * s + 2] = static_cast<uint8_t>(right);
                out[4 * s + 3] = static_cast<uint8_t>(static_cast<uint16_t>(right) >> 8);
            }
        }
        av_frame_unref(frame_);
    }
    return got;
}

}  // namespace nimbrel
