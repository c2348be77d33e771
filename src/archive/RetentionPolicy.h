// Which recordings retention deletes: whole files, oldest first (so the oldest day's files go
// first), never a file being written or one marked kept. Files of days before the last `days`
// calendar days go; then, while the files together exceed the size limit (bytes, or a share of
// the disk), or the disk has less free space than asked for, the oldest of the rest.
// Threading: pure function, callable from any thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/ArchiveDatabase.h"
#include "settings/RetentionSetting.h"

namespace nimbrel::archive {

struct DiskSpace {
    uint64_t total = 0;
    uint64_t free = 0;  // available to this user
};

struct RetentionPlan {
    std::vector<std::string> paths;  // oldest first
    uint64_t bytes = 0;
    uint64_t bytesAfter = 0;  // what the files come to once these are gone
};

// `files` oldest first; `nowMs` in local milliseconds; `needFree` bytes the disk must have free
// (0: nothing asked).
RetentionPlan PlanRetention(const std::vector<FileBrief>& files, const RetentionLimits& limits,
                            int64_t nowMs, const DiskSpace& disk, uint64_t needFree = 0);

}  // namespace nimbrel::archive
