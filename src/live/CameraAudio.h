// A camera's device audio: the two rings the reading thread fills (AAC frames and Speex
// packets), the player that decodes them and keeps 8 output buffers queued, and its stop. The
// player starts in a filling phase (it waits until 8 frames have come, then opens the output
// and queues them); a message thread then refills each buffer the output reports done with the
// next frame. A stop ends both threads, closes the output and frees the rings, then runs the
// caller's hand-over (the next camera to play). Only frames up to their area's size are taken;
// a frame that does not decode plays as silence. A playback's player follows the picture: AAC
// frames too far behind or ahead of the frame shown are dropped, and one a little ahead waits.
// Threading: PutFrame from the reading thread; Start, RequestStop, StopAndWait and Running from
// any controlling thread; the player, message and stop threads are private.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "live/StopSignal.h"
#include "media/AacDecoder.h"
#include "media/AudioFrameRing.h"
#include "media/DelayHistogram.h"
#include "media/SpeexCodec.h"
#include "platform/audio/AudioBackends.h"

namespace nimbrel {

struct AudioCounters {
    std::atomic<uint64_t> framesStored{0};
    std::atomic<uint64_t> framesDropped{0};    // the ring was full or audio was off
    std::atomic<uint64_t> framesOversized{0};  // larger than their entry's input area
    std::atomic<uint64_t> framesPlayed{0};     // decoded into an output buffer
    std::atomic<uint64_t> framesSilent{0};     // did not decode: played as silence
    std::atomic<uint64_t> framesOutOfStep{0};  // dropped to follow the picture (playback)
    // The time value of the AAC frame whose output buffer finished playing last.
    std::atomic<uint32_t> lastHeardTime{0};
    std::atomic<uint64_t> underruns{0};  // of outputs already closed; see Underruns()
    // From a frame's arrival in the ring to its samples leaving the output.
    DelayHistogram playDelay;
};

class CameraAudio {
  public:
    static constexpr int kOutputBuffers = 8;
    using AacRing = AudioFrameRing<AacDecoder::kMaxFrameBytes, AacDecoder::kPcmBytes>;
    using SpeexRing = AudioFrameRing<kSpeexPacketBytes, kSpeexPcmBytes>;

    // `audioOff` is the camera's flag (1 while device audio is not played); `viewStop` its view's
    // stop signal. `name` names the threads.
    CameraAudio(std::atomic<int>& audioOff, const StopSignal& viewStop,
                const AudioBackends& backends, std::string name);
    ~CameraAudio();

    enum class Start { Started, AlreadyPlaying, StopRunning, Failed };
    // Starts the player for AAC (`sampleRate` announced by the camera) or Speex frames. Nothing
    // when it already runs; StopRunning while a stop has not finished (the caller queues it).
    Start StartPlaying(bool aac, int announcedRate);
    // Starts the stop on its own thread unless one runs, and marks audio off. `handOver` runs on
    // the stop thread once everything is freed. False when a stop was already running.
    bool RequestStop(std::function<void()> handOver);
    // The view's stop: starts the stop when the player runs and waits for it to finish.
    void StopAndWait(std::function<void()> handOver);
    // The player exists (started and not yet stopped).
    bool Running() const;
    // Before a start: AAC frames are played in step with `pictureMs`, the time value of the
    // picture shown last (null: as they come, the live view's way).
    void FollowPicture(const std::atomic<int64_t>* pictureMs) { pictureMs_ = pictureMs; }

    // The reading thread's frame (the caller has checked that audio is on).
    void PutFrame(bool aac, std::span<const uint8_t> frame, uint32_t timeValue);

    const AudioCounters& Counters() const { return counters_; }
    // Underruns of every output this camera opened, the current one included.
    uint64_t Underruns() const;

  private:
    void Play();
    void Messages();
    void Clean(std::function<void()> handOver);
    // Waits until the entry at the read index holds a frame, polling every `poll`; false when the
    // player is to end first.
    template <typename Ring>
    typename Ring::Entry* WaitFrame(Ring& ring, std::chrono::milliseconds poll);
    bool Ending() const;
    // The next AAC frame to play: when following the picture, frames out of step with it are
    // dropped and one a little ahead of it waits for it. Null when the player is to end first.
    AacRing::Entry* NextAacFrame(std::chrono::milliseconds poll);
    // Waits for the frame at the read index, decodes it into its PCM area and fills buffer `id`:
    // kept for later while `filling`, else queued on the output at once. False when ending.
    bool FillBuffer(int id, bool filling);
    void OnDone(int id, AudioOutput::Clock::time_point started);

    std::atomic<int>& audioOff_;
    const StopSignal& viewStop_;
    const AudioBackends& backends_;
    std::string name_;
    AudioCounters counters_;

    AacRing aacRing_;
    SpeexRing speexRing_;
    AacDecoder aacDecoder_;
    std::unique_ptr<SpeexDecoder> speexDecoder_;
    std::unique_ptr<AudioOutput> output_;
    bool aac_ = false;
    int announcedRate_ = 0;
    const std::atomic<int64_t>* pictureMs_ = nullptr;
    std::array<int64_t, kOutputBuffers> bufferArrival_{};
    std::array<uint32_t, kOutputBuffers> bufferTime_{};        // of the AAC frame in each buffer
    std::array<std::vector<uint8_t>, kOutputBuffers> filled_;  // the filling phase's buffers
    mutable std::mutex outputLock_;    // the output's lifetime against Underruns()
    std::atomic<bool> ending_{false};  // a stop asked the player to end

    // The message thread's queue: buffers reported done, and the quit message.
    std::mutex messageLock_;
    std::condition_variable messageWake_;
    std::deque<int> doneBuffers_;
    bool quit_ = false;

    mutable std::mutex lifecycleLock_;  // the thread objects and marks below
    bool playing_ = false;              // the player was started and not yet stopped
    bool stopping_ = false;             // the stop thread runs
    std::thread playThread_;
    std::thread messageThread_;
    std::thread stopThread_;
};

}  // namespace nimbrel
