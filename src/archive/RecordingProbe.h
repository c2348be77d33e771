// What one recording holds, read with libavformat from the file's fragment headers alone (the
// pictures are not read): its frames, their length in time, where its key frames are, its
// picture size, whether it has sound, and how much of it is whole. A file cut off while it was
// written counts up to its last complete fragment; a file that is empty, not MP4 or has no
// picture track is damaged, never an error.
// Threading: pure function, callable from any thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace nimbrel::archive {

enum class RecordingState : int {
    Complete = 0,  // closed normally, or ending on a whole fragment
    Open = 1,      // being written by a camera of this program
    Torn = 2,      // cut off mid-fragment: counts up to its last complete fragment
    Damaged = 3,   // nothing playable
};

struct RecordingFacts {
    RecordingState state = RecordingState::Damaged;
    uint64_t bytes = 0;       // the file's size
    uint64_t validBytes = 0;  // where its last complete fragment ends
    int64_t frames = 0;
    int64_t durationMs = 0;
    std::vector<int32_t> keyFramesMs;  // from the first frame
    int width = 0;
    int height = 0;
    bool audio = false;
    std::string problem;  // why it is damaged
};

RecordingFacts ProbeRecording(const std::filesystem::path& path);

}  // namespace nimbrel::archive
