#include "archive/ArchiveTimeline.h"

#include <algorithm>

#include "archive/LocalTime.h"

namespace nimbrel::archive {

int ArchiveTimeline::XOf(int64_t timeMs) const {
    if (width_ <= 0) return 0;
    const int64_t t = std::clamp<int64_t>(timeMs - day_, 0, kDayMs);
    return static_cast<int>(t * width_ / kDayMs);
}

int64_t ArchiveTimeline::TimeAt(int x) const {
    if (width_ <= 0) return day_;
    return day_ + std::clamp<int64_t>(int64_t(x) * kDayMs / width_, 0, kDayMs - 1);
}

std::vector<TimelineRow> ArchiveTimeline::Rows(const std::vector<CameraSpans>& cameras) const {
    std::vector<TimelineRow> rows;
    for (const CameraSpans& camera : cameras) {
        TimelineRow row{camera.sid, {}, camera.damaged};
        for (Span span : camera.spans) {
            if (span.endMs <= day_ || span.startMs >= day_ + kDayMs) continue;
            span.startMs = std::max(span.startMs, day_);
            span.endMs = std::min(span.endMs, day_ + kDayMs);
            row.spans.push_back(span);
        }
        if (!row.spans.empty() || row.damaged > 0) rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace nimbrel::archive
