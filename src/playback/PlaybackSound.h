// The sound of a playback: the recording's AAC frames decoded in order to the audio output by
// the device-audio player, in step with the picture. The pause stops the player; a jump starts it
// again empty, and the frames of the old position still on their way are dropped until one near
// the jump's point comes; the playback's stop ends it.
// Threading: Put from the receive loop; Start, Pause, Resume, Jump and Stop from one controlling
// thread at a time (the start sequence, then the control sender, then the stop, which ends the
// sender first); Running and the counters from any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <span>

#include "live/CameraAudio.h"
#include "live/StopSignal.h"
#include "platform/audio/AudioBackends.h"

namespace nimbrel {

class PlaybackSound {
  public:
    // `pictureMs`: the time value of the picture shown last, which the sound follows.
    PlaybackSound(const StopSignal& stop, const AudioBackends& backends,
                  const std::atomic<int64_t>& pictureMs);

    // Plays AAC at `sampleRate` from here on.
    void Start(int sampleRate);
    // The camera was asked to pause: the sound stops at once, nothing is kept for later.
    void Pause();
    // The camera was asked to play on.
    void Resume();
    // Before the camera is asked to jump to `seconds`: the sound stops and drops what it holds.
    void LeaveForJump(int seconds);
    // After the request went out: the sound starts again unless paused.
    void ArriveFromJump();
    void Stop();

    // An AAC packet as received (header and frame).
    void Put(std::span<const uint8_t> packet);

    bool Running() const { return player_.Running(); }
    // The announced rate of the sound played since the start; 0: the playback has none.
    int SampleRate() const { return sampleRate_; }
    const AudioCounters& Counters() const { return player_.Counters(); }
    // AAC frames not played: no sound, paused, or of the position left by a jump.
    uint64_t FramesRefused() const { return refused_; }

  private:
    void StartPlayer();

    std::atomic<int> off_{1};
    CameraAudio player_;
    std::atomic<int> sampleRate_{0};  // 0: the playback has no sound
    bool paused_ = false;
    // After a jump: the point (ms) near which frames are taken again; -1: no jump pending.
    std::atomic<int64_t> jumpPointMs_{-1};
    std::atomic<uint64_t> refused_{0};
};

}  // namespace nimbrel
