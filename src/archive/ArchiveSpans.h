// The recordings of cameras as the timeline and the lists show them: spans of recorded time,
// files that follow each other within a moment joined into one span (a recording cut into
// files is one span), damaged files counted beside.
// Threading: pure functions, callable from any thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/ArchiveDatabase.h"

namespace nimbrel::archive {

// A file that begins within this of the end of the one before continues it (file names have
// whole seconds, so a cut shows as up to a second either way).
inline constexpr int64_t kJoinGapMs = 2000;

struct Span {
    std::string sid;
    int64_t startMs = 0;  // local ms
    int64_t endMs = 0;
    int files = 0;
    bool open = false;  // it runs on: a camera records into it now
    bool kept = false;  // one of its files is marked kept
};

struct CameraSpans {
    std::string sid;
    std::vector<Span> spans;  // oldest first
    int damaged = 0;
};

// `rows` oldest first (as ArchiveIndex::Files gives them), of any cameras; the cameras in the
// order of their first recording.
std::vector<CameraSpans> JoinSpans(const std::vector<FileRow>& rows);

}  // namespace nimbrel::archive
