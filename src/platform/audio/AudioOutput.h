// A sound output in the manner of a wave-out device: the caller queues numbered buffers, the
// output plays them in order at the format's rate and reports each one when it is done, so that
// the caller can fill it again and keep a fixed number queued.
// Threading: Open, Queue and Close from the owner's threads (Queue also from inside the done
// callback); the callback runs on the output's own thread and never after Close returned.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <span>

#include "platform/audio/AudioFormat.h"

namespace nimbrel {

class AudioOutput {
  public:
    static constexpr int kMaxBuffers = 8;
    using Clock = std::chrono::steady_clock;
    // Buffer `id` has played; its samples began to leave the output at `started`.
    using DoneCallback = std::function<void(int id, Clock::time_point started)>;

    virtual ~AudioOutput() = default;
    // Opens the device; false (and nothing runs) when there is none or it refuses the format.
    virtual bool Open(const AudioFormat& format, DoneCallback done) = 0;
    // Queues a copy of `pcm` (whole frames of the format) as buffer `id` (0..kMaxBuffers-1).
    virtual bool Queue(int id, std::span<const uint8_t> pcm) = 0;
    // Drops what is still queued and ends playing; no callback runs once it returns.
    virtual void Close() = 0;
    // Times the output wanted a buffer and none was queued, since Open.
    virtual uint64_t Underruns() const = 0;
};

}  // namespace nimbrel
