// Where a camera's display ticks fall between its frames' arrivals. A frame is drawn at the
// first tick after the next frame has arrived (one frame stays in reserve), so it waits one
// period plus the phase: the time from the next frame's arrival to the tick. The phase is also
// how late a frame may come and still be drawn on time; a frame later than that leaves its
// tick idle, a stutter. With the ticks just after the arrivals the phase is next to nothing
// and any lateness stutters; just before them, every frame waits almost two periods. The
// ticks are kept three quarters of a period after the arrivals: a frame waits 1.75 periods and
// may come 30 ms late at 25 frames a second (coming early does no harm). The phase is taken
// from the frames the ticks draw, averaged over a second of them on the circle (a frame just
// before the tick and one just after it are near each other, not a period apart), and the
// ticks are moved when it has strayed from its place by more than an eighth of a period, as
// the camera's clock drifting against ours makes it do slowly.
// Threading: one thread (the camera's display tick).
#pragma once

#include <cstdint>
#include <optional>

namespace nimbrel {

class TickPhase {
  public:
    static constexpr int kWindow = 25;  // frames averaged before a decision
    // Where the ticks are put: this share of a period after the newest frame's arrival, and
    // left alone within kBand of it.
    static constexpr double kTargetPhase = 0.75;
    static constexpr double kBand = 0.125;

    explicit TickPhase(int64_t periodNs) : periodNs_(periodNs) {}

    // A frame drawn at a tick: it waited `waitedNs` from the arrival of its last fragment to the
    // tick. After every kWindow frames: how far to move the ticks (positive: later) to put them
    // in place, or nothing when they are well placed.
    std::optional<int64_t> Sample(int64_t waitedNs);

    // Starts afresh (the ticks were moved, or the stream started again).
    void Reset();

  private:
    int64_t periodNs_;
    double sumCos_ = 0;
    double sumSin_ = 0;
    int samples_ = 0;
};

}  // namespace nimbrel
