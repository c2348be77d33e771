// The two AAC decoders at hand on the frames a camera sends (ADTS, low complexity, 1024 samples
// a frame, stereo at 16 and 48 kHz), each to 16-bit interleaved PCM as the player needs it:
// FAAD2 gives that directly; libavcodec gives planar floats that are converted after.
//
//   bench_aac_decode [--benchmark_* options]
#include <benchmark/benchmark.h>
#include <neaacdec.h>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <algorithm>
#include <cmath>

#include "camera/AacToneEncoder.h"

namespace {

const std::vector<std::string>& Frames(int rate) {
    static std::map<int, std::vector<std::string>> clips;
    auto& frames = clips[rate];
    if (frames.empty()) frames = nimbrel::sim::AacToneEncoder::Encode(rate).value().packets;
    return frames;
}

void Faad2(benchmark::State& state) {
    const auto& frames = Frames(static_cast<int>(state.range(0)));
    NeAACDecHandle h = NeAACDecOpen();
    NeAACDecConfigurationPtr config = NeAACDecGetCurrentConfiguration(h);
    config->outputFormat = FAAD_FMT_16BIT;
    config->dontUpSampleImplicitSBR = 1;
    NeAACDecSetConfiguration(h, config);
    unsigned long rate = 0;
    unsigned char channels = 0;
    auto* first = reinterpret_cast<unsigned char*>(const_cast<char*>(frames[0].data()));
    NeAACDecInit(h, first, frames[0].size(), &rate, &channels);
    std::size_t i = 0;
    int16_t pcm[4096];
    for (auto _ : state) {
        const std::string& f = frames[i++ % frames.size()];
        NeAACDecFrameInfo info;
        auto* out = static_cast<int16_t*>(NeAACDecDecode(
            h, &info, reinterpret_cast<unsigned char*>(const_cast<char*>(f.data())), f.size()));
        if (out && info.error == 0)
            std::copy_n(out, std::min<unsigned long>(info.samples, 4096), pcm);
        benchmark::DoNotOptimize(pcm);
    }
    NeAACDecClose(h);
    state.SetItemsProcessed(state.iterations());
}

void LibAvcodec(benchmark::State& state) {
    const auto& frames = Frames(static_cast<int>(state.range(0)));
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_AAC);
    AVCodecContext* c = avcodec_alloc_context3(codec);
    avcodec_open2(c, codec, nullptr);
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    std::size_t i = 0;
    int16_t pcm[4096];
    for (auto _ : state) {
        const std::string& f = frames[i++ % frames.size()];
        packet->data = reinterpret_cast<uint8_t*>(const_cast<char*>(f.data()));
        packet->size = static_cast<int>(f.size());
        if (avcodec_send_packet(c, packet) == 0 && avcodec_receive_frame(c, frame) == 0) {
            const int channels = frame->ch_layout.nb_channels;
            const int n = std::min(frame->nb_samples, 4096 / std::max(1, channels));
            for (int s = 0; s < n; ++s)
                for (int ch = 0; ch < channels; ++ch) {
                    const float v = reinterpret_cast<const float*>(frame->extended_data[ch])[s];
                    pcm[s * channels + ch] =
                        static_cast<int16_t>(std::clamp(v * 32768.0f, -32768.0f, 32767.0f));
                }
        }
        benchmark::DoNotOptimize(pcm);
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&c);
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(Faad2)->Arg(16000)->Arg(48000);
BENCHMARK(LibAvcodec)->Arg(16000)->Arg(48000);

}  // namespace

BENCHMARK_MAIN();
