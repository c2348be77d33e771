#include "archive/RetentionPolicy.h"

#include <cmath>

#include "archive/LocalTime.h"

namespace nimbrel::archive {

RetentionPlan PlanRetention(const std::vector<FileBrief>& files, const RetentionLimits& limits,
                            int64_t nowMs, const DiskSpace& disk, uint64_t needFree) {
    RetentionPlan plan;
    uint64_t total = 0;
    for (const FileBrief& f : files) total += f.bytes;
    uint64_t sizeLimit = limits.bytes;
    if (limits.diskShare > 0 && disk.total > 0) {
        const auto share =
            static_cast<uint64_t>(std::floor(static_cast<double>(disk.total) * limits.diskShare));
        sizeLimit = sizeLimit > 0 ? std::min(sizeLimit, share) : share;
    }
    // The first day kept: today and the days before it, `days` in all.
    const int64_t firstKeptDay =
        limits.days > 0 ? DayStart(nowMs) - (limits.days - 1) * kDayMs : INT64_MIN;
    uint64_t freed = 0;
    for (const FileBrief& f : files) {
        if (f.kept || f.state == RecordingState::Open) continue;
        const bool tooOld = f.startMs < firstKeptDay;
        const bool tooMuch = sizeLimit > 0 && total - freed > sizeLimit;
        const bool diskFull = needFree > 0 && disk.free + freed < needFree;
        if (!tooOld && !tooMuch && !diskFull) {
            // Oldest first: a file kept for its age and size means every later one is too,
            // unless only the disk asks (it asks of the oldest first as well).
            break;
        }
        plan.paths.push_back(f.path);
        freed += f.bytes;
    }
    plan.bytes = freed;
    plan.bytesAfter = total - freed;
    return plan;
}

}  // namespace nimbrel::archive
