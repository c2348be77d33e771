#include "camera/AacToneEncoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
}

#include <memory>

#include "camera/ToneSamples.h"

namespace nimbrel::sim {
namespace {

constexpr int kRates[] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                          22050, 16000, 12000, 11025, 8000,  7350};

struct CodecFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
    void operator()(AVFrame* f) const { av_frame_free(&f); }
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};

}  // namespace

std::string AacToneEncoder::AdtsHeader(int sampleRate, int channels, std::size_t payload) {
    int rateIndex = 15;
    for (int i = 0; i < static_cast<int>(std::size(kRates)); ++i)
        if (kRates[i] == sampleRate) rateIndex = i;
    const std::size_t length = payload + 7;
    const int profile = 1;  // object type 2 (low complexity) minus one
    std::string h(7, '\0');
    h[0] = static_cast<char>(0xFF);
    h[1] = static_cast<char>(0xF1);  // MPEG-4, layer 0, no CRC
    h[2] = static_cast<char>((profile << 6) | (rateIndex << 2) | ((channels >> 2) & 1));
    h[3] = static_cast<char>(((channels & 3) << 6) | ((length >> 11) & 3));
    h[4] = static_cast<char>((length >> 3) & 0xFF);
    h[5] = static_cast<char>(((length & 7) << 5) | 0x1F);
    h[6] = static_cast<char>(0xFC);
    return h;
}

Result<AudioClip> AacToneEncoder::Encode(int sampleRate, int toneHz) {
    av_log_set_level(AV_LOG_ERROR);  // the encoders' statistics are noise here
    using R = Result<AudioClip>;
    const AVCodec* codec = avcodec_find_encoder_by_name("aac");
    if (!codec) return R::Fail("libavcodec has no aac encoder");
    std::unique_ptr<AVCodecContext, CodecFree> context(avcodec_alloc_context3(codec));
    if (!context) return R::Fail("avcodec_alloc_context3 failed");
    AVCodecContext* c = context.get();
    c->sample_rate = sampleRate;
    c->sample_fmt = AV_SAMPLE_FMT_FLTP;
    av_channel_layout_default(&c->ch_layout, 2);
    c->bit_rate = 64000;
    c->profile = FF_PROFILE_AAC_LOW;
    if (avcodec_open2(c, codec, nullptr) < 0) return R::Fail("opening the aac encoder failed");
    const int frameSamples = c->frame_size > 0 ? c->frame_size : 1024;

    std::unique_ptr<AVFrame, CodecFree> frame(av_frame_alloc());
    std::unique_ptr<AVPacket, CodecFree> packet(av_packet_alloc());
    if (!frame || !packet) return R::Fail("out of memory");
    frame->format = c->sample_fmt;
    frame->nb_samples = frameSamples;
    frame->sample_rate = sampleRate;
    if (av_channel_layout_copy(&frame->ch_layout, &c->ch_layout) < 0 ||
        av_frame_get_buffer(frame.get(), 0) < 0)
        return R::Fail("allocating an audio frame failed");

    AudioClip clip;
    clip.key = {AudioKind::Aac, sampleRate, toneHz};
    clip.packetPeriodUs = 1000000LL * frameSamples / sampleRate;
    const int frames = (2 * sampleRate + frameSamples - 1) / frameSamples;
    long long sample = 0;
    for (int i = 0; i <= frames; ++i) {
        AVFrame* input = nullptr;
        if (i < frames) {
            if (av_frame_make_writable(frame.get()) < 0) return R::Fail("frame not writable");
            for (int s = 0; s < frameSamples; ++s) {
                const float v = ToneSamples::At(sample++, sampleRate, toneHz);
                reinterpret_cast<float*>(frame->data[0])[s] = v;
                reinterpret_cast<float*>(frame->data[1])[s] = v;
            }
            frame->pts = static_cast<long long>(i) * frameSamples;
            input = frame.get();
        }
        if (avcodec_send_frame(c, input) < 0) return R::Fail("avcodec_send_frame failed");
        while (true) {
            const int rc = avcodec_receive_packet(c, packet.get());
            if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) break;
            if (rc < 0) return R::Fail("avcodec_receive_packet failed");
            std::string adts = AdtsHeader(sampleRate, 2, packet->size);
            adts.append(reinterpret_cast<const char*>(packet->data), packet->size);
            av_packet_unref(packet.get());
            if (adts.size() > kMaxFrame)
                return R::Fail("AAC frame of " + std::to_string(adts.size()) + " bytes");
            clip.packets.push_back(std::move(adts));
        }
    }
    if (clip.packets.empty()) return R::Fail("the aac encoder gave no frames");
    return R::Ok(std::move(clip));
}

}  // namespace nimbrel::sim
