// Frames to pictures: the display tick takes one whole frame per frame period from the ring and
// hands it to the recorder. Only a camera whose pane is on screen (or that owes a snapshot)
// decodes it; a hidden camera keeps it undecoded. Shown again, the camera decodes what it kept
// and what the ring holds beyond its reserve, without drawing, and draws the newest picture: a
// page switch shows live pictures at once, and hidden pages cost almost no processor time. A
// camera whose page comes next (a tour's) decodes like a shown one but draws nothing, so that
// once shown its first tick draws without catching up.
// The ticks are kept three quarters of a period after the frames' arrivals (TickPhase), and a
// frame of surplus that stays for a second is skipped, so that a shown camera's pictures trail
// its stream by a steady 1.75 periods, whatever the moment its clock started and whatever
// hiccups its stream had.
#include <cstdio>

extern "C" {
#include <libavutil/frame.h>
}

#include "live/CCamera.h"
#include "platform/Log.h"

namespace nimbrel {

bool CCamera::InitVideoDecoder() {
    return decoder_.Open(sps_, pps_, m_nWidth, m_nHeight);
}

void CCamera::OnFrameTick(int64_t dueNs) {
    recorder_.Upkeep(m_bRecord);
    // A camera that decodes nothing takes every frame beyond the reserve at each tick: keeping
    // them costs a copy, and a backlog left from ticks that waited behind other cameras' work
    // would fill the ring, whose next frame would then be lost (a gap in the recording, and no
    // picture until the next key frame once shown). Shown again, the frames that queued up
    // behind the reserve are decoded without drawing, so that the tick draws the newest one.
    const bool decoding =
        live_.panes.IsShown(*this) || live_.panes.IsWarming(*this) || snapshot_.Requested();
    tickDueNs_ = dueNs;
    // A frame that came too late for its tick left the tick idle, and the frames after it came
    // on time: from then on the ring holds a frame more at every tick, and one frame a tick never
    // works that off, so the pictures would trail the stream by a period for good, and by
    // another after every such hiccup. Once the surplus has stayed for a second, it is decoded
    // without drawing (one picture skipped) and the camera is back to its usual delay.
    ticksBehind_ = decoding && ring_.Frames() > 2 ? ticksBehind_ + 1 : 0;
    const bool skipSurplus = ticksBehind_ >= std::max(1, 1000 / std::max(1, m_nTimeGap.load()));
    if (!decoding || !pending_.Empty() || skipSurplus) {
        while (!stop_.IsRaised() && ring_.Frames() > 2) {
            TickRing(false);
            tickDueNs_ = 0;  // frames taken by catching up say nothing of the ticks' phase
            if (skipSurplus) ++counters.framesSkippedBehind;
        }
        ticksBehind_ = 0;
    }
    TickRing(true);
    if (const uint64_t skipped = frameTimer_.Skipped(); skipped != ticksSkippedSeen_) {
        counters.ticksSkipped += skipped - ticksSkippedSeen_;
        ticksSkippedSeen_ = skipped;
    }
}

void CCamera::TickRing(bool draw) {
    const FrameRing::TickResult r =
        ring_.Tick([this, draw](const FrameRing::Frame& frame) { TakeFrame(frame, draw); });
    if (r == FrameRing::TickResult::Dropped || r == FrameRing::TickResult::Incomplete)
        ++counters.framesDropped;
}

bool CCamera::CatchUp(bool key) {
    // Decoding starts over at a key frame: what was kept before it does not matter.
    if (key) {
        pending_.Clear();
        return true;
    }
    if (pending_.WaitingForKey()) return false;
    if (pending_.Empty()) return true;
    ++counters.catchUps;
    pending_.Drain([this](const uint8_t* data, std::size_t size) {
        if (stop_.IsRaised()) return false;
        if (decoder_.Decode(data, size)) ++counters.framesDecoded;
        return true;
    });
    return !stop_.IsRaised();
}

void CCamera::TakeFrame(const FrameRing::Frame& frame, bool draw) {
    if (stop_.IsRaised()) return;
    if (m_bRecord) recorder_.WriteFrame(frame, m_bRecord);
    const bool shown = live_.panes.IsShown(*this);
    if (!shown && !snapshot_.Requested() && !live_.panes.IsWarming(*this)) {
        pending_.Keep(frame.data, frame.size, frame.key);
        return;
    }
    if (!CatchUp(frame.key)) return;
    const AVFrame* picture = decoder_.Decode(frame.data, frame.size);
    if (!picture) return;
    ++counters.framesDecoded;
    if (snapshot_.Requested()) TakeSnapshot(*picture);
    if (!shown || !draw) return;  // decoded, neither converted nor shown

    int expected = kStatusConnecting;
    // A failed view stays failed; one that plays (again) starts its retries afresh next time.
    if (m_nStatus.compare_exchange_strong(expected, kStatusPlaying)) retryAttempt_ = 0;

    char line[320];
    std::snprintf(line, sizeof line, "%s  %.2fK/s", Name().c_str(),
                  m_fBytesLastSecond.load() / 1024.0);
    {
        std::lock_guard guard(statusLineLock_);
        statusLine_ = line;
    }
    // A layout change may hand the pane to another camera at any moment: the picture is made in
    // the camera's own buffer, and the surface refuses it unless the pane is still this camera's.
    PaneSurface* surface = live_.panes.SurfaceOf(*this);
    if (!surface) return;
    const auto [drawWidth, drawHeight] = surface->DrawSize();
    if (drawWidth <= 0 || drawHeight <= 0) return;
    const int rotation = m_nRotation & 3;
    // A quarter turn is painted by the viewer: the picture is made at the turned size so that it
    // fills the drawing rectangle once turned, in the same single conversion. A pane larger
    // than the stream is filled by the viewer stretching the stream-size picture.
    const auto [w, h] =
        PaneScaler::StoredSize(drawWidth, drawHeight, rotation, picture->width, picture->height);
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
    KeepTicksBetweenArrivals(frame.completedNs);
}

void CCamera::KeepTicksBetweenArrivals(int64_t completedNs) {
    if (tickDueNs_ == 0 || completedNs == 0) return;
    if (const std::optional<int64_t> shift = tickPhase_.Sample(tickDueNs_ - completedNs)) {
        frameTimer_.Shift(std::chrono::nanoseconds(*shift));
        ++counters.tickShifts;
    }
}

std::string CCamera::StatusLine() const {
    std::lock_guard guard(statusLineLock_);
    return statusLine_;
}

}  // namespace nimbrel
