// Recordings for the archive's tests, written by the program's own recorder from a small clip
// (96 × 64, 25 frames a second, a key frame every 5 frames) at the local times asked for.
// Threading: the test's thread.
#pragma once

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "RecordingNotifier.h"
#include "live/CameraRecorder.h"
#include "live/RecordingEvents.h"

namespace nimbrel::test {

inline constexpr int kFramePeriodMs = 40;
inline constexpr int kKeyEvery = 5;

// A recording under way, as a camera's recorder makes it: `Record` goes on for some seconds
// (each frame written before the next tick), and the file being written stays open until `End`
// (or the end of the object), which waits until the writer has finished it.
class TestRecording {
  public:
    TestRecording(const std::string& folder, const std::string& user, const std::string& sid,
                  const std::string& start, int cutSeconds = 0, RecordingEvents* events = nullptr,
                  CameraRecorder::SinkFactory sinks = {});
    ~TestRecording() { End(); }
    void Record(int seconds);
    void End();
    // Whether the recorder still records (a failed write may have stopped it: seen at the next
    // Record or at End).
    bool Recording() const { return record_ != 0; }
    std::vector<std::filesystem::path> Files() const;
    // What the recorder told the user.
    std::size_t Notices() const { return notifier_.Messages().size(); }

  private:
    int64_t startMs_;
    int tick_ = 0;
    RecordingNotifier notifier_;
    CameraRecorder recorder_;
    std::atomic<int> record_{1};
};

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
