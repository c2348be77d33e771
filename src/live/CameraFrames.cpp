// Frames to pictures: the display tick takes one whole frame per frame period from the ring,
// hands it to the recorder, decodes it, saves a snapshot when one was asked for, and — only for
// a camera on the page shown — converts it straight to the pane's drawing size and publishes it
// with the status line and icons.
#include <cstdio>

#include "live/CCamera.h"
#include "platform/Log.h"

namespace nimbrel {

bool CCamera::InitVideoDecoder() {
    return decoder_.Open(sps_, pps_, m_nWidth, m_nHeight);
}

void CCamera::OnFrameTick() {
    recorder_.Upkeep(m_bRecord);
    const FrameRing::TickResult r = ring_.Tick([this](const FrameRing::Frame& frame) { DecodeAndDraw(frame); });
    if (r == FrameRing::TickResult::Dropped || r == FrameRing::TickResult::Incomplete) ++counters.framesDropped;
    if (const uint64_t skipped = frameTimer_.Skipped(); skipped != ticksSkippedSeen_) {
        counters.ticksSkipped += skipped - ticksSkippedSeen_;
        ticksSkippedSeen_ = skipped;
    }
}

void CCamera::DecodeAndDraw(const FrameRing::Frame& frame) {
    if (stop_.IsRaised()) return;
    if (m_bRecord) recorder_.WriteFrame(frame.data, frame.size, frame.key, m_bRecord);
    const AVFrame* picture = decoder_.Decode(frame.data, frame.size);
    if (!picture) return;
    ++counters.framesDecoded;
    if (snapshot_.Requested()) TakeSnapshot(*picture);

    const int page = m_nPage;
    if (page < 0 || page != live_.panes.CurrentPage()) return;  // decoded, neither converted nor shown
    int expected = kStatusConnecting;
    // A failed view stays failed; one that plays (again) starts its retries afresh next time.
    if (m_nStatus.compare_exchange_strong(expected, kStatusPlaying)) retryAttempt_ = 0;

    char line[320];
    std::snprintf(line, sizeof line, "%s  %.2fK/s", Name().c_str(), m_fBytesLastSecond.load() / 1024.0);
    {
        std::lock_guard guard(statusLineLock_);
        statusLine_ = line;
    }
    // A layout change may hand the pane to another camera at any moment: the picture is made in
    // the camera's own buffer, and the surface refuses it unless the pane is still this camera's.
    PaneSurface* surface = live_.panes.SurfaceOf(*this);
    if (!surface) return;
    auto [w, h] = surface->DrawSize();
    if (w <= 0 || h <= 0) return;
    const int rotation = m_nRotation & 3;
    // A quarter turn is painted by the viewer: the picture is made at the turned size so that it
    // fills the drawing rectangle once turned, in the same single conversion.
    if (rotation & 1) std::swap(w, h);
    if (!scaler_.Scale(*picture, panePicture_.Resize(w, h))) return;

    PaneOverlay overlay;
    overlay.statusText = line;
    overlay.rotation = rotation;
    if (m_bRecord) {
        const int n = std::max(1, 1500 / std::max(1, m_nTimeGap.load()));
        overlay.recordIcon = (blink_++ % n) < n / 3;
    }
    overlay.devAudioIcon = live_.panes.IsAudioOwner(*this);
    overlay.talkIcon = live_.panes.IsTalkOwner(*this);
    panePicture_.overlay = std::move(overlay);
    if (!surface->Publish(*this, panePicture_)) return;
    counters.publishDelay.RecordSince(frame.completedNs);
    ++counters.framesShown;
}

std::string CCamera::StatusLine() const {
    std::lock_guard guard(statusLineLock_);
    return statusLine_;
}

}  // namespace nimbrel
