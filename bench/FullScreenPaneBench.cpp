// What one frame of a 720p camera costs in a full-screen pane (1920 × 1080), made the two ways a
// pane can be made: converted by the camera's tick straight to the screen's size and copied by
// the painter, or converted at the stream's own size and stretched smoothly by the painter.
// The second keeps two stream-size pictures per pane instead of two screen-size ones (7 MiB
// instead of 16); this shows what it costs in processor time: the tick's conversion plus the
// window's painting of one frame (the CPU time of an iteration), on one thread.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "H264Clip.h"
#include "media/H264Decoder.h"
#include "media/PaneScaler.h"
#include "media/PaneSurface.h"
#include "media/ParameterSets.h"
#include "text/Base64.h"
#include "wall/ui/PanePainter.h"

extern "C" {
#include <libavutil/frame.h>
}

namespace nimbrel {
namespace {

constexpr int kScreenWidth = 1920;
constexpr int kScreenHeight = 1080;

ParameterSetRecord Record(const std::vector<uint8_t>& nal) {
    const std::string text(nal.begin(), nal.end());
    const auto record = ParameterSetRecord::FromBase64(Base64Encode(text));
    return record ? *record : ParameterSetRecord{};
}

// One decoded 720p picture of the synthetic camera scene; the decoder owns it.
struct DecodedPicture {
    H264Decoder decoder;
    const AVFrame* picture = nullptr;
};

DecodedPicture& Picture() {
    static DecodedPicture decoded;
    if (decoded.picture) return decoded;
    H264ClipOptions options;
    options.width = 1280;
    options.height = 720;
    options.bitRate = 1200000;
    options.frames = 5;
    const auto clip = MakeH264Clip(options);
    if (!clip || !decoded.decoder.Open(Record(clip->sps), Record(clip->pps), 1280, 720))
        return decoded;
    for (const H264ClipFrame& frame : clip->frames) {
        std::vector<uint8_t> bytes(frame.bytes.size() + H264Decoder::kInputPadding, 0);
        std::memcpy(bytes.data(), frame.bytes.data(), frame.bytes.size());
        decoded.picture = decoded.decoder.Decode(bytes.data(), frame.bytes.size());
    }
    return decoded;
}

// range(0): 0 = converted at the screen's size, 1 = at the stream's size and stretched.
void BM_FullScreenFrame(benchmark::State& state) {
    const bool stretched = state.range(0) == 1;
    state.SetLabel(stretched ? "720p converted at 1280x720, stretched by the painter"
                             : "720p converted at 1920x1080, copied by the painter");
    const AVFrame* picture = Picture().picture;
    if (picture == nullptr) {
        state.SkipWithError("no picture (libx264 missing?)");
        return;
    }
    const auto [width, height] =
        stretched ? PaneScaler::StoredSize(kScreenWidth, kScreenHeight, 0, 1280, 720)
                  : std::pair{kScreenWidth, kScreenHeight};
    PaneScaler scaler;
    PanePicture pane;
    pane.overlay.statusText = "Camera  162.00K/s";
    QImage screen(kScreenWidth, kScreenHeight, QImage::Format_RGB32);
    const QRect draw(0, 0, kScreenWidth, kScreenHeight);
    for (auto _ : state) {
        if (!scaler.Scale(*picture, pane.Resize(width, height))) {
            state.SkipWithError("no conversion");
            return;
        }
        QPainter painter(&screen);
        PanePainter::Live(painter, draw, pane);
    }
}

BENCHMARK(BM_FullScreenFrame)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

}  // namespace
}  // namespace nimbrel

int main(int argc, char** argv) {
    // Painting text needs the toolkit's fonts; no window is shown.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
