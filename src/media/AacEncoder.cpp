#include "media/AacEncoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
}

namespace nimbrel {
namespace {

constexpr int kAdtsRates[] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                              22050, 16000, 12000, 11025, 8000,  7350};

}  // namespace

bool AacEncoder::AdtsHeader(int sampleRate, int channels, std::size_t payload, uint8_t h[7]) {
    int index = -1;
    for (int i = 0; i < static_cast<int>(std::size(kAdtsRates)); ++i)
        if (kAdtsRates[i] == sampleRate) index = i;
    const std::size_t length = payload + 7;
    if (index < 0 || channels < 1 || channels > 7 || length >= (1u << 13)) return false;
    h[0] = 0xFF;
    h[1] = 0xF1;                                                             // MPEG-4, no CRC
    h[2] = static_cast<uint8_t>((1 << 6) | (index << 2) | (channels >> 2));  // low complexity
    h[3] = static_cast<uint8_t>(((channels & 3) << 6) | (length >> 11));
    h[4] = static_cast<uint8_t>(length >> 3);
    h[5] = static_cast<uint8_t>(((length & 7) << 5) | 0x1F);
    h[6] = 0xFC;
    return true;
}

bool AacEncoder::Open(int sampleRate) {
    Close();
    uint8_t probe[7];
    if (!AdtsHeader(sampleRate, 1, 0, probe)) return false;
    av_log_set_level(AV_LOG_FATAL);
    const AVCodec* codec = avcodec_find_encoder_by_name("aac");
    if (!codec) return false;
    context_ = avcodec_alloc_context3(codec);
    frame_ = av_frame_alloc();
    packet_ = av_packet_alloc();
    if (!context_ || !frame_ || !packet_) {
        Close();
        return false;
    }
    context_->sample_rate = sampleRate;
    context_->sample_fmt = AV_SAMPLE_FMT_FLTP;
    av_channel_layout_default(&context_->ch_layout, 1);
    context_->profile = FF_PROFILE_AAC_LOW;
    // Two bits a sample: speech at full bandwidth with frames well inside a camera's buffers.
    context_->bit_rate = 2 * sampleRate;
    if (avcodec_open2(context_, codec, nullptr) < 0 || context_->frame_size != kFrameSamples) {
        Close();
        return false;
    }
    frame_->format = context_->sample_fmt;
    frame_->nb_samples = kFrameSamples;
    frame_->sample_rate = sampleRate;
    if (av_channel_layout_copy(&frame_->ch_layout, &context_->ch_layout) < 0 ||
        av_frame_get_buffer(frame_, 0) < 0) {
        Close();
        return false;
    }
    pts_ = 0;
    return true;
}

void AacEncoder::Close() {
    av_packet_free(&packet_);
    av_frame_free(&frame_);
    avcodec_free_context(&context_);
}

bool AacEncoder::Encode(std::span<const uint8_t, kBlockBytes> block, std::vector<uint8_t>& out) {
    out.clear();
    if (!context_ || av_frame_make_writable(frame_) < 0) return false;
    auto* samples = reinterpret_cast<float*>(frame_->data[0]);
    for (int s = 0; s < kFrameSamples; ++s)
        samples[s] = static_cast<int16_t>(block[2 * s] | block[2 * s + 1] << 8) / 32768.0f;
    frame_->pts = pts_;
    pts_ += kFrameSamples;
    if (avcodec_send_frame(context_, frame_) < 0) return false;
    for (;;) {
        const int rc = avcodec_receive_packet(context_, packet_);
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return true;
        if (rc < 0) return false;
        uint8_t header[7];
        const bool ok =
            AdtsHeader(context_->sample_rate, 1, static_cast<std::size_t>(packet_->size), header);
        if (ok) {
            out.insert(out.end(), header, header + 7);
            out.insert(out.end(), packet_->data, packet_->data + packet_->size);
        }
        av_packet_unref(packet_);
        if (!ok) return false;
    }
}

}  // namespace nimbrel
