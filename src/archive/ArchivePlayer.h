// Plays one camera's recordings of the archive: from a time, file after file without a gap at a
// cut (the next file is opened when the last frame of the one before is shown, the decoder and
// the pace go on), over the pauses between recordings straight to the next one, at ½ to 8 times
// the recorded pace, paused, a frame at a time, or from another time. Files are read with
// libavformat and decoded and converted by the program's own H.264 decoder and pane scaler into
// a PaneSurface, as a live pane and the card's playback are; the conversion is the one place a
// picture's part and size are chosen.
// Threading: the controls from any thread (each is a request the player's thread `arc-play`
// takes up at once); state, position and counters from any thread; the picture through
// Surface().
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "archive/ArchiveIndex.h"
#include "archive/RecordingReader.h"
#include "media/H264Decoder.h"
#include "media/PaneOwner.h"
#include "media/PaneScaler.h"
#include "media/PaneSurface.h"

struct AVPacket;

namespace nimbrel::archive {

class ArchivePlayer {
  public:
    enum State : int { kIdle = 0, kPlaying = 1, kPaused = 2, kEnded = 3, kFailed = 4 };
    static constexpr double kSpeeds[] = {0.5, 1, 2, 4, 8};

    struct Counters {
        std::atomic<uint64_t> framesDecoded{0};
        std::atomic<uint64_t> framesShown{0};
        std::atomic<uint64_t> filesOpened{0};
    };
    // Told of every frame decoded for showing: its time (local ms) and its place on the
    // player's own continuous clock (ms), which runs on across cuts.
    using FrameObserver = std::function<void(int64_t timeMs, int64_t clockMs)>;

    explicit ArchivePlayer(ArchiveIndex& index);
    ~ArchivePlayer();
    ArchivePlayer(const ArchivePlayer&) = delete;
    ArchivePlayer& operator=(const ArchivePlayer&) = delete;

    // Plays camera `sid` of the folder `root` from `fromMs` (local ms): the recording at that
    // time, or the next one after it.
    void Play(const std::filesystem::path& root, const std::string& sid, int64_t fromMs);
    void Seek(int64_t timeMs);
    void Pause();
    void Resume();
    // One of kSpeeds (others are taken to the nearest).
    void SetSpeed(double speed);
    // While paused: the next frame.
    void StepFrame();
    // Ends the playing; the surface is cleared.
    void Stop();

    int State() const { return state_; }
    // The time of the frame shown last (local ms); 0 before the first.
    int64_t PositionMs() const { return positionMs_; }
    double Speed() const;
    const std::string& Sid() const { return sid_; }
    const Counters& Stats() const { return counters_; }
    // The file the frame shown last came from.
    std::string CurrentFile() const;

    PaneSurface& Surface() { return surface_; }
    void SetFrameObserver(FrameObserver observer);

  private:
    struct Request {
        std::optional<int64_t> seekMs;
        std::optional<bool> pause;
        std::optional<double> speed;
        bool step = false;
    };

    void Run();
    bool OpenAt(int64_t timeMs);
    bool OpenFile(std::size_t file, std::optional<int64_t> seekMs);
    bool NextPacket(AVPacket* packet);
    void ShowPacket(AVPacket* packet, bool show);
    void Post(const std::function<void(Request&)>& change);

    ArchiveIndex& index_;
    std::filesystem::path root_;
    std::string sid_;

    std::mutex lock_;
    std::condition_variable wake_;
    Request request_;       // under lock_
    bool stopping_ = false; // under lock_
    std::thread thread_;

    // The player thread's own.
    std::vector<FileRow> files_;
    std::size_t file_ = 0;
    RecordingReader reader_;
    H264Decoder decoder_;
    PaneScaler scaler_;
    std::vector<uint8_t> frame_;
    int64_t lastTimestamp_ = INT64_MIN;
    int64_t framePeriodMs_ = 40;
    int64_t clockMs_ = 0;     // the continuous clock of the frames shown
    int64_t seekTargetMs_ = INT64_MIN;  // frames before it are decoded, not shown
    bool paused_ = false;
    int stepsLeft_ = 0;
    double speed_ = 1;
    std::chrono::steady_clock::time_point anchor_{};
    int64_t anchorClockMs_ = 0;
    bool anchored_ = false;
    bool clockReset_ = true;

    std::atomic<int> state_{kIdle};
    std::atomic<int64_t> positionMs_{0};
    std::atomic<double> speedShown_{1};
    mutable std::mutex fileLock_;
    std::string currentFile_;  // under fileLock_
    FrameObserver observer_;   // set before Play
    Counters counters_;
    PaneOwner owner_;
    PanePicture picture_;
    PaneSurface surface_;
};

}  // namespace nimbrel::archive
