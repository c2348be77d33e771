// The part of a card's recording being played, saved to a local MP4 file as it plays: from the
// first key frame after the saving begins, every frame the playback shows goes through the
// program's MP4 writer into "<file>.part", which becomes the file when the saving is finished;
// a cancel (or a failed write) removes it, so no half file is left under the chosen name.
// Threading: Begin, Finish and Cancel from one controlling thread (the window's); OnFrame from
// the playback's display tick; the counters from any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

#include "media/Mp4Writer.h"
#include "media/SampleClock.h"
#include "playback/PlaybackStream.h"
#include "text/Translation.h"

namespace nimbrel {

class PlaybackSaver : public PlaybackFrameTap {
  public:
    static constexpr const char* kSaveFailed =
        NIMBREL_TR_NOOP("Core", "Не удалось сохранить запись в файл");

    enum class State { Idle, Saving, Failed };

    PlaybackSaver() = default;
    ~PlaybackSaver() override { Cancel(); }

    // Starts saving into `file` with the playback's track. False, with the reason, when the
    // file cannot be made.
    bool Begin(const std::filesystem::path& file, const Mp4Writer::Track& track,
               std::string& error);
    void OnFrame(uint8_t* frame, std::size_t size, bool key, uint32_t timeValueMs) override;
    // Completes the file. False when nothing was saved or the file could not be written (the
    // partial file is removed then).
    bool Finish();
    // Stops and removes what was saved.
    void Cancel();

    State Status() const { return state_; }
    uint64_t Frames() const { return frames_; }
    // The recording's time values (ms) of the first and last frame saved.
    int64_t FirstMs() const { return firstMs_; }
    int64_t LastMs() const { return lastMs_; }
    const std::filesystem::path& File() const { return file_; }

  private:
    void Drop();

    std::mutex lock_;
    std::unique_ptr<Mp4Writer> writer_;  // under lock_
    SampleClock clock_;                  // under lock_: the frames' times in the file
    std::filesystem::path file_;
    std::filesystem::path part_;  // "<file>.part", or a numbered name beside it when taken
    std::atomic<State> state_{State::Idle};
    std::atomic<uint64_t> frames_{0};
    std::atomic<int64_t> firstMs_{0};
    std::atomic<int64_t> lastMs_{0};
};

}  // namespace nimbrel
