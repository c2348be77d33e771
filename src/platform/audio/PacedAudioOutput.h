// The output of machines without a sound device: buffers are "played" at the format's real
// rate on the monotonic clock, so the player above behaves as with a device. Without a file
// nothing is kept (the null output); with one, every played buffer is appended to that WAV
// file, and a time the output ran dry is appended as silence, so the file holds what a listener
// would have heard.
// Threading: as AudioOutput.
#pragma once

#include <memory>

#include "platform/audio/QueuedAudioOutput.h"
#include "platform/audio/WavFile.h"

namespace nimbrel {

class PacedAudioOutput : public QueuedAudioOutput {
  public:
    // `wavPath` empty: the null output.
    explicit PacedAudioOutput(std::string wavPath = {});
    ~PacedAudioOutput() override;

  protected:
    bool OpenDevice(const AudioFormat& format) override;
    void CloseDevice() override {}
    Clock::time_point Play(std::span<const uint8_t> pcm, const std::atomic<bool>& closing) override;
    void Resumed(Clock::duration gap) override;

  private:
    std::string wavPath_;
    std::shared_ptr<WavWriter> writer_;
    Clock::time_point next_{};  // when the device wants its next buffer
};

}  // namespace nimbrel
