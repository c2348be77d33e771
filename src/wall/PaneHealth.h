// The health overlay of a pane: the route of its camera's stream, frames per second, kbit/s,
// dropped frames, the picture delay and whether the stream stalled, worked out from the counters
// the live view keeps, and the texts the overlay and the pane's tooltip show.
// Threading: SampleView reads only the camera's atomics and may run on any thread; a
// PaneHealthMeter belongs to one thread (the UI thread's pane).
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "live/CCamera.h"
#include "media/DelayHistogram.h"

namespace nimbrel {

// What one look at a camera's counters finds.
struct ViewSample {
    int reach = -1;  // the reachability case (2 LAN … 5 relay), -1 while unknown
    int status = kStatusReady;
    CameraFailure failure = CameraFailure::None;
    uint64_t bytes = 0;        // stream bytes received so far
    uint64_t framesShown = 0;  // pictures published to the pane so far
    uint64_t framesDropped = 0;
    float bytesLastSecond = 0;  // the camera's own once-a-second count
    DelayHistogram::Snapshot delays;
};

ViewSample SampleView(const CCamera& camera);

struct PaneHealth {
    int reach = -1;
    std::optional<double> framesPerSecond;  // none until a window of samples exists
    double kbitPerSecond = 0;
    uint64_t framesDropped = 0;
    std::optional<double> delayMs;  // median of the window's pictures, else the last known
    bool stalled = false;
};

// Turns samples of one camera into rates over the time between them (at least kMinWindow apart,
// so a burst of samples does not make noisy rates). A playing stream that brought no byte for
// `stallAfter` has stalled, and so has a view that failed for that reason.
class PaneHealthMeter {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kMinWindow{500};
    static constexpr std::chrono::milliseconds kDefaultStallAfter{2000};

    explicit PaneHealthMeter(std::chrono::milliseconds stallAfter = kDefaultStallAfter)
        : stallAfter_(stallAfter) {}

    // Forgets the camera measured so far (the pane changed hands).
    void Reset();
    PaneHealth Update(const ViewSample& sample, Clock::time_point now);

  private:
    const std::chrono::milliseconds stallAfter_;
    std::optional<ViewSample> window_;  // the sample the current window started with
    Clock::time_point windowStart_;
    Clock::time_point lastData_;
    uint64_t lastBytes_ = 0;
    std::optional<double> fps_;
    std::optional<double> delayMs_;
};

// "Локальная сеть", "Проброс порта", "Через NAT (UDT)", "Через ретранслятор"; empty for an
// unknown case.
std::string RouteName(int reach);
// The overlay's lines (UTF-8): the route when known, the rates, dropped frames and delay, and a
// last line when the stream stalled.
std::vector<std::string> HealthLines(const PaneHealth& health);
// The pane's tooltip: the camera's name, and its route once known.
std::string PaneToolTip(const std::string& cameraName, int reach);

}  // namespace nimbrel
