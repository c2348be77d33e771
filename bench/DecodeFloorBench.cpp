// The floor under a live wall's CPU use: what decoding a camera's stream costs by itself, and
// with the one conversion of each picture to the pane's size. Figures are CPU seconds per
// second of video ("cpu/video_s"): 0.05 means one stream takes 5 % of one core.
//
// Streams: 720p25 at 1.2 Mbit/s and 1080p25 at 3 Mbit/s, a key frame every 50 frames, ten
// seconds each, encoded once per run. Pane sizes: the panes of a 1920 × 1080 wall in the 4×4,
// 3×3, 2×2 and 1×1 layouts.
#include <benchmark/benchmark.h>
#include <time.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

#include "H264Clip.h"
#include "media/H264Decoder.h"
#include "media/PaneScaler.h"
#include "media/PaneSurface.h"
#include "media/ParameterSets.h"
#include "text/Base64.h"

extern "C" {
#include <libavutil/frame.h>
}

namespace nimbrel {
namespace {

struct StreamKind {
    const char* name;
    int width;
    int height;
    int64_t bitRate;
};

constexpr StreamKind kStreams[] = {
    {"720p25", 1280, 720, 1200000},
    {"1080p25", 1920, 1080, 3000000},
};

struct PaneSize {
    const char* layout;
    int width;
    int height;
};

constexpr PaneSize kPanes[] = {
    {"4x4", 480, 270},
    {"3x3", 640, 360},
    {"2x2", 960, 540},
    {"1x1", 1920, 1080},
};

// A clip as the decoder gets it from the frame ring: each frame followed by zero padding.
struct PreparedStream {
    H264Clip clip;
    ParameterSetRecord sps;
    ParameterSetRecord pps;
    std::vector<std::vector<uint8_t>> padded;
};

ParameterSetRecord Record(const std::vector<uint8_t>& nal) {
    const std::string text(nal.begin(), nal.end());
    const auto record = ParameterSetRecord::FromBase64(Base64Encode(text));
    return record ? *record : ParameterSetRecord{};
}

const PreparedStream& Stream(int index) {
    static std::map<int, PreparedStream> streams;
    auto found = streams.find(index);
    if (found != streams.end()) return found->second;
    const StreamKind& kind = kStreams[index];
    H264ClipOptions options;
    options.width = kind.width;
    options.height = kind.height;
    options.frameRate = 25;
    options.bitRate = kind.bitRate;
    options.gop = 50;
    options.frames = 250;
    auto clip = MakeH264Clip(options);
    PreparedStream& stream = streams[index];
    if (!clip) {
        std::fprintf(stderr, "cannot encode the %s clip (libx264 missing?)\n", kind.name);
        return stream;
    }
    stream.clip = std::move(*clip);
    stream.sps = Record(stream.clip.sps);
    stream.pps = Record(stream.clip.pps);
    for (const auto& frame : stream.clip.frames) {
        std::vector<uint8_t> bytes(frame.bytes.size() + H264Decoder::kInputPadding, 0);
        std::memcpy(bytes.data(), frame.bytes.data(), frame.bytes.size());
        stream.padded.push_back(std::move(bytes));
    }
    std::fprintf(stderr, "%s clip: %zu frames, %.2f Mbit/s, %zu bytes\n", kind.name,
                 stream.clip.frames.size(), stream.clip.BitsPerSecond() / 1e6,
                 stream.clip.TotalBytes());
    return stream;
}

double ProcessCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

void Report(benchmark::State& state, double cpuSeconds, double videoSecondsPerRun) {
    state.counters["cpu/video_s"] = cpuSeconds / (double(state.iterations()) * videoSecondsPerRun);
}

// Decodes the whole stream once per iteration, optionally converting every picture to the pane.
void DecodeStream(benchmark::State& state, const PreparedStream& stream, const PaneSize* pane) {
    if (stream.padded.empty()) {
        state.SkipWithError("no clip");
        return;
    }
    // The pane's picture as the pane surface keeps it: BGRX rows with room for an even width.
    PanePicture bgrx;
    const BgrxTarget target = pane ? bgrx.Resize(pane->width, pane->height) : BgrxTarget{};
    PaneScaler scaler;
    int64_t pictures = 0;
    const double start = ProcessCpuSeconds();
    for (auto _ : state) {
        H264Decoder decoder;
        if (!decoder.Open(stream.sps, stream.pps, stream.clip.width, stream.clip.height)) {
            state.SkipWithError("decoder did not open");
            return;
        }
        for (std::size_t i = 0; i < stream.padded.size(); ++i) {
            const AVFrame* picture =
                decoder.Decode(stream.padded[i].data(), stream.clip.frames[i].bytes.size());
            if (picture == nullptr) continue;
            if (pane && !scaler.Scale(*picture, target)) continue;
            ++pictures;
        }
        benchmark::DoNotOptimize(bgrx.bgrx.data());
    }
    Report(state, ProcessCpuSeconds() - start, stream.clip.Seconds());
    // Every frame of the clip must have given a picture, or the figure is not the floor.
    state.counters["pictures"] = double(pictures) / double(state.iterations());
}

void BM_Decode(benchmark::State& state) {
    const int index = int(state.range(0));
    state.SetLabel(kStreams[index].name);
    DecodeStream(state, Stream(index), nullptr);
}

void BM_DecodeScale(benchmark::State& state) {
    const int index = int(state.range(0));
    const PaneSize& pane = kPanes[state.range(1)];
    state.SetLabel(std::string(kStreams[index].name) + " to " + pane.layout + " pane " +
                   std::to_string(pane.width) + "x" + std::to_string(pane.height));
    DecodeStream(state, Stream(index), &pane);
}

// The conversion alone, of one decoded picture, scaled to a second of video at 25 frames.
void BM_ScaleOnly(benchmark::State& state) {
    const int index = int(state.range(0));
    const PaneSize& pane = kPanes[state.range(1)];
    state.SetLabel(std::string(kStreams[index].name) + " to " + pane.layout + " pane");
    const PreparedStream& stream = Stream(index);
    H264Decoder decoder;
    if (stream.padded.empty() ||
        !decoder.Open(stream.sps, stream.pps, stream.clip.width, stream.clip.height)) {
        state.SkipWithError("no clip");
        return;
    }
    const AVFrame* picture = nullptr;
    for (std::size_t i = 0; i < 10 && i < stream.padded.size(); ++i)
        picture = decoder.Decode(stream.padded[i].data(), stream.clip.frames[i].bytes.size());
    if (picture == nullptr) {
        state.SkipWithError("no picture");
        return;
    }
    PanePicture bgrx;
    const BgrxTarget target = bgrx.Resize(pane.width, pane.height);
    PaneScaler scaler;
    if (!scaler.Scale(*picture, target)) {
        state.SkipWithError("no conversion");
        return;
    }
    const double start = ProcessCpuSeconds();
    for (auto _ : state) {
        scaler.Scale(*picture, target);
        benchmark::DoNotOptimize(bgrx.bgrx.data());
    }
    Report(state, ProcessCpuSeconds() - start, 1.0 / 25);
}

void PaneArguments(benchmark::internal::Benchmark* b) {
    for (int stream = 0; stream < 2; ++stream)
        for (int pane = 0; pane < 4; ++pane) b->Args({stream, pane});
}

BENCHMARK(BM_Decode)->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_DecodeScale)
    ->Apply(PaneArguments)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();
BENCHMARK(BM_ScaleOnly)
    ->Apply(PaneArguments)
    ->Unit(benchmark::kMicrosecond)
    ->MeasureProcessCPUTime();

}  // namespace
}  // namespace nimbrel

BENCHMARK_MAIN();
