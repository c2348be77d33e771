// Which sound devices the program uses, chosen by name:
//   "portaudio" (the default): the sound card;  "null": played at the real rate into nothing,
//   captured as silence;  "wav:/path.wav": played into that file, or captured from it in a loop.
// NIMBREL_AUDIO names the output and NIMBREL_AUDIO_IN the input.
// Threading: a choice is a value; the devices it makes have their own rules.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/audio/AudioInput.h"
#include "platform/audio/AudioOutput.h"

namespace nimbrel {

struct AudioBackend {
    enum class Kind { PortAudio, Null, Wav };
    Kind kind = Kind::PortAudio;
    std::string path;  // the WAV file

    // Nothing for a name that is none of the above (or "wav:" without a path).
    static std::optional<AudioBackend> Parse(const std::string& name);
};

class AudioBackends {
  public:
    AudioBackends() = default;
    AudioBackends(AudioBackend output, AudioBackend input)
        : output_(std::move(output)), input_(std::move(input)) {}
    // From NIMBREL_AUDIO and NIMBREL_AUDIO_IN; an unknown name is logged and taken as "null".
    static AudioBackends FromEnvironment();

    std::unique_ptr<AudioOutput> MakeOutput() const;
    std::unique_ptr<AudioInput> MakeInput() const;
    const AudioBackend& Output() const { return output_; }
    const AudioBackend& Input() const { return input_; }
    void SetOutput(AudioBackend output) { output_ = std::move(output); }
    void SetInput(AudioBackend input) { input_ = std::move(input); }

  private:
    AudioBackend output_;
    AudioBackend input_;
};

}  // namespace nimbrel
