#include "platform/audio/AudioBackends.h"

#include <cstdlib>

#include "platform/Log.h"
#include "platform/audio/PacedAudioInput.h"
#include "platform/audio/PacedAudioOutput.h"
#include "platform/audio/PortAudioDevices.h"

namespace nimbrel {
namespace {

AudioBackend FromVariable(const char* variable) {
    const char* value = std::getenv(variable);
    if (!value || !*value) return {};
    if (auto parsed = AudioBackend::Parse(value)) return *parsed;
    NLOG_WARN(variable << "=" << value << " names no sound device; using none");
    return {AudioBackend::Kind::Null, {}};
}

}  // namespace

std::optional<AudioBackend> AudioBackend::Parse(const std::string& name) {
    if (name == "portaudio") return AudioBackend{Kind::PortAudio, {}};
    if (name == "null") return AudioBackend{Kind::Null, {}};
    if (name.rfind("wav:", 0) == 0 && name.size() > 4)
        return AudioBackend{Kind::Wav, name.substr(4)};
    return std::nullopt;
}

AudioBackends AudioBackends::FromEnvironment() {
    return AudioBackends(FromVariable("NIMBREL_AUDIO"), FromVariable("NIMBREL_AUDIO_IN"));
}

std::unique_ptr<AudioOutput> AudioBackends::MakeOutput() const {
    switch (output_.kind) {
        case AudioBackend::Kind::PortAudio:
            return std::make_unique<PortAudioOutput>();
        case AudioBackend::Kind::Null:
            return std::make_unique<PacedAudioOutput>();
        case AudioBackend::Kind::Wav:
            return std::make_unique<PacedAudioOutput>(output_.path);
    }
    return std::make_unique<PacedAudioOutput>();
}

std::unique_ptr<AudioInput> AudioBackends::MakeInput() const {
    switch (input_.kind) {
        case AudioBackend::Kind::PortAudio:
            return std::make_unique<PortAudioInput>();
        case AudioBackend::Kind::Null:
            return std::make_unique<PacedAudioInput>();
        case AudioBackend::Kind::Wav:
            return std::make_unique<PacedAudioInput>(input_.path);
    }
    return std::make_unique<PacedAudioInput>();
}

}  // namespace nimbrel
