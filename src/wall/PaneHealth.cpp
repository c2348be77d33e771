#include "wall/PaneHealth.h"

#include <cmath>
#include <cstdio>

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
            return "Локальная сеть";
        case kDevicePortMapping:
            return "Проброс порта";
        case kDeviceNatTraversal:
            return "Через NAT (UDT)";
        case kDeviceRelay:
            return "Через ретранслятор";
        default:
            return {};
    }
}

std::vector<std::string> HealthLines(const PaneHealth& health) {
    std::vector<std::string> lines;
    if (const std::string route = RouteName(health.reach); !route.empty())
        lines.push_back("Маршрут: " + route);
    char text[128];
    const long kbit = std::lround(health.kbitPerSecond);
    if (health.framesPerSecond)
        std::snprintf(text, sizeof text, "%.1f кадр/с, %ld кбит/с", *health.framesPerSecond, kbit);
    else
        std::snprintf(text, sizeof text, "— кадр/с, %ld кбит/с", kbit);
    lines.emplace_back(text);
    const auto dropped = static_cast<unsigned long long>(health.framesDropped);
    if (health.delayMs)
        std::snprintf(text, sizeof text, "потеряно %llu, задержка %ld мс", dropped,
                      std::lround(*health.delayMs));
    else
        std::snprintf(text, sizeof text, "потеряно %llu, задержка — мс", dropped);
    lines.emplace_back(text);
    if (health.stalled) lines.emplace_back("Поток остановился");
    return lines;
}

std::string PaneToolTip(const std::string& cameraName, int reach) {
    const std::string route = RouteName(reach);
    return route.empty() ? cameraName : cameraName + "\nМаршрут: " + route;
}

}  // namespace nimbrel
