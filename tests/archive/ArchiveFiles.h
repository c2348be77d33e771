// Recordings for the archive's tests, written by the program's own recorder from a small clip
// (96 × 64, 25 frames a second, a key frame every 5 frames) at the local times asked for.
// Threading: the test's thread.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "live/CameraRecorder.h"
#include "live/RecordingEvents.h"

namespace nimbrel::test {

inline constexpr int kFramePeriodMs = 40;
inline constexpr int kKeyEvery = 5;

// Records `seconds` of camera `sid` below "<folder><user>/", beginning at `start`
// ("YYYY-MM-DD hh:mm:ss"), cut into files of `cutSeconds` (0: one file). `events` hears the
// recorder, `sinks` makes its files (default: durable files). Returns the files, oldest first;
// `recording` says whether the recorder still recorded at the end.
std::vector<std::filesystem::path> RecordFiles(const std::string& folder, const std::string& user,
                                               const std::string& sid, const std::string& start,
                                               int seconds, int cutSeconds = 0,
                                               RecordingEvents* events = nullptr,
                                               CameraRecorder::SinkFactory sinks = {},
                                               bool* recording = nullptr);

// A fresh folder below the system's temporary folder, removed by the caller.
std::filesystem::path FreshFolder(const std::string& name);

}  // namespace nimbrel::test
