// The status animation of a playback's video area, driven as a live pane's connecting animation
// is: a thread of the core steps it and asks the viewer to repaint — every 300 ms while the
// playback starts (the lit box moves on), every second while it has failed with fewer than 2
// frames buffered (the failed picture). The step counts from the animation's creation.
// Threading: SetRepaint and Step from any thread; the thread is private and runs from the
// construction to the destruction, which ends it within one wake-up.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

#include "live/StopSignal.h"

namespace nimbrel {

class PlaybackAnimation {
  public:
    struct Source {
        std::function<int()> state;           // the playback's state (PlaybackStream::State)
        std::function<int()> framesBuffered;  // frames waiting in its ring
    };
    static constexpr int kStarting = 1;
    static constexpr int kFailed = 3;

    explicit PlaybackAnimation(Source source);
    ~PlaybackAnimation();
    PlaybackAnimation(const PlaybackAnimation&) = delete;
    PlaybackAnimation& operator=(const PlaybackAnimation&) = delete;

    // Called on the animation's thread when the area is to be drawn again; no call runs once
    // this returns with another (or none).
    void SetRepaint(std::function<void()> repaint);
    // The animation's cycle: the lit box of the starting animation is this modulo 6.
    int Step() const { return step_; }

  private:
    void Loop();
    void Repaint();

    Source source_;
    StopSignal stop_;
    std::atomic<int> step_{0};
    std::mutex repaintLock_;
    std::function<void()> repaint_;
    std::thread thread_;
};

}  // namespace nimbrel
