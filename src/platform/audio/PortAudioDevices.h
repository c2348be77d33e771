// The sound card through PortAudio: the default output and input devices in blocking mode.
// When there is no device (or it refuses the format) the program says so once in the log and
// carries on silent: the output then plays at the real rate into nothing and the input delivers
// silence, so that a missing sound card never stops a view.
// Threading: as AudioOutput and AudioInput.
#pragma once

#include <memory>

#include "platform/audio/PacedAudioInput.h"
#include "platform/audio/PacedAudioOutput.h"
#include "platform/audio/QueuedAudioOutput.h"

namespace nimbrel {

class PortAudioOutput : public AudioOutput {
  public:
    PortAudioOutput();
    ~PortAudioOutput() override;
    bool Open(const AudioFormat& format, DoneCallback done) override;
    bool Queue(int id, std::span<const uint8_t> pcm) override { return active_->Queue(id, pcm); }
    void Close() override { active_->Close(); }
    uint64_t Underruns() const override { return active_->Underruns(); }

  private:
    std::unique_ptr<AudioOutput> device_;
    PacedAudioOutput silent_;
    AudioOutput* active_;
};

class PortAudioInput : public AudioInput {
  public:
    PortAudioInput();
    ~PortAudioInput() override;
    bool Open(const AudioFormat& format, std::size_t blockBytes, BlockCallback onBlock) override;
    void Close() override;

  private:
    std::unique_ptr<AudioInput> device_;
    PacedAudioInput silent_;
    AudioInput* active_;
};

}  // namespace nimbrel
