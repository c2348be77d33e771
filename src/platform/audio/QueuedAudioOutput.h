// The part every output backend shares: the queue of numbered buffers, the device thread that
// plays them one after the other, the done reports and the count of underruns (the device wanted
// a buffer and none was queued). A backend supplies how one buffer is played.
// Threading: as AudioOutput; Play and Resumed run on the device thread.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio/AudioOutput.h"

namespace nimbrel {

class QueuedAudioOutput : public AudioOutput {
  public:
    ~QueuedAudioOutput() override;
    bool Open(const AudioFormat& format, DoneCallback done) override;
    bool Queue(int id, std::span<const uint8_t> pcm) override;
    void Close() override;
    uint64_t Underruns() const override { return underruns_.load(); }

  protected:
    explicit QueuedAudioOutput(std::string threadName) : threadName_(std::move(threadName)) {}
    const AudioFormat& Format() const { return format_; }
    // Opens and closes the device itself (on the owner's thread).
    virtual bool OpenDevice(const AudioFormat& format) = 0;
    virtual void CloseDevice() = 0;
    // Plays one buffer; returns when the device has taken it all, or early once `closing` is set.
    // Returns when its samples began to leave.
    virtual Clock::time_point Play(std::span<const uint8_t> pcm,
                                   const std::atomic<bool>& closing) = 0;
    // The device ran dry and plays again after `gap` of nothing.
    virtual void Resumed(Clock::duration gap) { (void)gap; }

  private:
    void Run();

    std::string threadName_;
    AudioFormat format_;
    DoneCallback done_;
    std::mutex lock_;
    std::condition_variable wake_;
    std::array<std::vector<uint8_t>, kMaxBuffers> buffers_;
    std::deque<int> queue_;
    int playing_ = -1;  // the buffer the device thread plays now
    std::atomic<bool> closing_{false};
    std::atomic<uint64_t> underruns_{0};
    std::thread thread_;
};

}  // namespace nimbrel
