#include "wall/PaneHealth.h"

#include <cmath>
#include <cstdio>

#include "text/Translation.h"

namespace nimbrel {

ViewSample SampleView(const CCamera& camera) {
    ViewSample s;
    s.reach = camera.m_DeviceNATType.load();
    s.status = camera.m_nStatus.load();
    s.failure = camera.Failure();
    s.bytes = camera.counters.bytes.load();
    s.framesShown = camera.counters.framesShown.load();
    s.framesDropped = camera.counters.framesDropped.load();
    s.bytesLastSecond = camera.m_fBytesLastSecond.load();
    s.delays = camera.counters.publishDelay.Take();
    return s;
}

void PaneHealthMeter::Reset() {
    window_.reset();
    fps_.reset();
    delayMs_.reset();
}

PaneHealth PaneHealthMeter::Update(const ViewSample& sample, Clock::time_point now) {
    // The counters only grow for one camera; anything smaller is another run of the counts.
    if (window_ && (sample.framesShown < window_->framesShown || sample.bytes < window_->bytes))
        Reset();
    if (!window_) {
        window_ = sample;
        windowStart_ = now;
        lastData_ = now;
        lastBytes_ = sample.bytes;
    }
    if (sample.bytes != lastBytes_) {
        lastBytes_ = sample.bytes;
        lastData_ = now;
    }
    const auto span = now - windowStart_;
    if (span >= kMinWindow) {
        const double seconds = std::chrono::duration<double>(span).count();
        fps_ = double(sample.framesShown - window_->framesShown) / seconds;
        const DelayHistogram::Snapshot pictures = sample.delays.Since(window_->delays);
        // Without a new picture the last delay known stays: there is nothing newer to say.
        if (pictures.Count() > 0) delayMs_ = pictures.Quantile(0.5) / 1000.0;
        window_ = sample;
        windowStart_ = now;
    }

    PaneHealth h;
    h.reach = sample.reach;
    h.framesPerSecond = fps_;
    h.kbitPerSecond = double(sample.bytesLastSecond) * 8.0 / 1000.0;
    h.framesDropped = sample.framesDropped;
    h.delayMs = delayMs_;
    h.stalled = (sample.status == kStatusFailed && sample.failure == CameraFailure::Stalled) ||
                (sample.status == kStatusPlaying && now - lastData_ >= stallAfter_);
    return h;
}

std::string RouteName(int reach) {
    switch (reach) {
        case kDeviceLan:
            return text::Tr("Core", "Локальная сеть");
        case kDevicePortMapping:
            return text::Tr("Core", "Проброс порта");
        case kDeviceNatTraversal:
            return text::Tr("Core", "Через NAT (UDT)");
        case kDeviceRelay:
            return text::Tr("Core", "Через ретранслятор");
        default:
            return {};
    }
}

std::vector<std::string> HealthLines(const PaneHealth& health) {
    using text::Format;
    using text::Tr;
    std::vector<std::string> lines;
    if (const std::string route = RouteName(health.reach); !route.empty())
        lines.push_back(Format(Tr("Core", "Маршрут: %1"), {route}));
    const std::string kbit = std::to_string(std::lround(health.kbitPerSecond));
    char fps[32] = "—";
    if (health.framesPerSecond) std::snprintf(fps, sizeof fps, "%.1f", *health.framesPerSecond);
    lines.push_back(Format(Tr("Core", "%1 кадр/с, %2 кбит/с"), {fps, kbit}));
    const std::string dropped = std::to_string(health.framesDropped);
    const std::string delay = health.delayMs ? std::to_string(std::lround(*health.delayMs)) : "—";
    lines.push_back(Format(Tr("Core", "потеряно %1, задержка %2 мс"), {dropped, delay}));
    if (health.stalled) lines.push_back(Tr("Core", "Поток остановился"));
    return lines;
}

std::string PaneToolTip(const std::string& cameraName, int reach) {
    const std::string route = RouteName(reach);
    if (route.empty()) return cameraName;
    return text::Format(text::Tr("Core", "%1\nМаршрут: %2"), {cameraName, route});
}

}  // namespace nimbrel
