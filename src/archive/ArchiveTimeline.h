// The 24-hour timeline of the archive window without its widget: where a time lies across a
// width and back, the hour marks, and the day's spans of each camera cut to the day.
// Threading: pure functions, callable from any thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/ArchiveSpans.h"

namespace nimbrel::archive {

struct TimelineRow {
    std::string sid;
    std::vector<Span> spans;  // cut to the day
    int damaged = 0;
};

class ArchiveTimeline {
  public:
    // A day beginning at `dayStartMs` (local ms) drawn across `width` pixels.
    ArchiveTimeline(int64_t dayStartMs, int width) : day_(dayStartMs), width_(width) {}

    int64_t DayStart() const { return day_; }
    // The pixel of a time (clamped to the day).
    int XOf(int64_t timeMs) const;
    // The time under pixel `x` (clamped to the day).
    int64_t TimeAt(int x) const;

    // One row per camera with recordings that day, in the order of `cameras`.
    std::vector<TimelineRow> Rows(const std::vector<CameraSpans>& cameras) const;

  private:
    int64_t day_;
    int width_;
};

}  // namespace nimbrel::archive
