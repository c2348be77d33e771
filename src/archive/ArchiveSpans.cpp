#include "archive/ArchiveSpans.h"

#include <algorithm>

namespace nimbrel::archive {

std::vector<CameraSpans> JoinSpans(const std::vector<FileRow>& rows) {
    std::vector<CameraSpans> cameras;
    for (const FileRow& row : rows) {
        auto camera = std::find_if(cameras.begin(), cameras.end(),
                                   [&](const CameraSpans& c) { return c.sid == row.sid; });
        if (camera == cameras.end()) camera = cameras.insert(cameras.end(), {row.sid, {}, 0});
        if (!row.Playable()) {
            ++camera->damaged;
            continue;
        }
        const bool open = row.state == RecordingState::Open;
        std::vector<Span>& spans = camera->spans;
        if (!spans.empty() && row.startMs <= spans.back().endMs + kJoinGapMs) {
            Span& last = spans.back();
            last.endMs = std::max(last.endMs, row.EndMs());
            ++last.files;
            last.open = last.open || open;
            last.kept = last.kept || row.kept;
        } else {
            spans.push_back({row.sid, row.startMs, row.EndMs(), 1, open, row.kept});
        }
    }
    return cameras;
}

}  // namespace nimbrel::archive
