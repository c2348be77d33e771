#include "platform/audio/PortAudioDevices.h"

#include <portaudio.h>
#include <pthread.h>

#include <atomic>
#include <mutex>

#include "platform/Log.h"

namespace nimbrel {
namespace {

// PortAudio is started once for the process and left running: terminating it while another
// stream is open would end that stream too.
bool PortAudioReady() {
    static const bool ready = Pa_Initialize() == paNoError;
    return ready;
}

void NoteMissingDevice(const char* what, const char* why) {
    static std::atomic<bool> said{false};
    if (!said.exchange(true))
        NLOG_WARN("no sound " << what << " (" << why << "): carrying on silent");
}

PaStream* OpenStream(bool output, const AudioFormat& format, const char** why) {
    *why = "PortAudio did not start";
    if (!PortAudioReady()) return nullptr;
    PaStream* stream = nullptr;
    const PaError rc = Pa_OpenDefaultStream(
        &stream, output ? 0 : format.channels, output ? format.channels : 0, paInt16,
        format.sampleRate, paFramesPerBufferUnspecified, nullptr, nullptr);
    if (rc != paNoError) {
        *why = Pa_GetErrorText(rc);
        return nullptr;
    }
    if (Pa_StartStream(stream) != paNoError) {
        *why = "the stream did not start";
        Pa_CloseStream(stream);
        return nullptr;
    }
    return stream;
}

class DeviceOutput : public QueuedAudioOutput {
  public:
    DeviceOutput() : QueuedAudioOutput("audio-out") {}
    ~DeviceOutput() override { Close(); }
    uint64_t Underruns() const override {
        return QueuedAudioOutput::Underruns() + underflows_.load();
    }

  protected:
    bool OpenDevice(const AudioFormat& format) override {
        const char* why = "";
        stream_ = OpenStream(true, format, &why);
        if (!stream_) NoteMissingDevice("output", why);
        return stream_ != nullptr;
    }
    void CloseDevice() override {
        if (!stream_) return;
        Pa_AbortStream(stream_);
        Pa_CloseStream(stream_);
        stream_ = nullptr;
    }
    Clock::time_point Play(std::span<const uint8_t> pcm,
                           const std::atomic<bool>& closing) override {
        const Clock::time_point started = Clock::now();
        // Written in pieces of at most 50 ms so that a close is noticed soon.
        const unsigned long piece = static_cast<unsigned long>(Format().sampleRate / 20);
        const std::size_t frameBytes = Format().BytesPerFrame();
        std::size_t at = 0;
        while (!closing && at < pcm.size()) {
            const unsigned long frames = std::min<unsigned long>(
                piece, static_cast<unsigned long>((pcm.size() - at) / frameBytes));
            if (Pa_WriteStream(stream_, pcm.data() + at, frames) == paOutputUnderflowed)
                ++underflows_;
            at += frames * frameBytes;
        }
        return started;
    }

  private:
    PaStream* stream_ = nullptr;
    std::atomic<uint64_t> underflows_{0};
};

class DeviceInput : public AudioInput {
  public:
    ~DeviceInput() override { Close(); }
    bool Open(const AudioFormat& format, std::size_t blockBytes, BlockCallback onBlock) override {
        if (thread_.joinable() || blockBytes == 0 || blockBytes % format.BytesPerFrame())
            return false;
        const char* why = "";
        stream_ = OpenStream(false, format, &why);
        if (!stream_) {
            NoteMissingDevice("input", why);
            return false;
        }
        format_ = format;
        blockBytes_ = blockBytes;
        onBlock_ = std::move(onBlock);
        closing_ = false;
        thread_ = std::thread([this] { Run(); });
        return true;
    }
    void Close() override {
        closing_ = true;
        if (thread_.joinable()) thread_.join();
        if (stream_) {
            Pa_AbortStream(stream_);
            Pa_CloseStream(stream_);
            stream_ = nullptr;
        }
    }

  private:
    void Run() {
        pthread_setname_np(pthread_self(), "audio-in");
        std::vector<uint8_t> block(blockBytes_);
        const unsigned long frames =
            static_cast<unsigned long>(blockBytes_ / format_.BytesPerFrame());
        while (!closing_) {
            const PaError rc = Pa_ReadStream(stream_, block.data(), frames);
            if (closing_) return;
            if (rc == paNoError || rc == paInputOverflowed) onBlock_(block);
        }
    }

    PaStream* stream_ = nullptr;
    AudioFormat format_;
    std::size_t blockBytes_ = 0;
    BlockCallback onBlock_;
    std::atomic<bool> closing_{false};
    std::thread thread_;
};

}  // namespace

PortAudioOutput::PortAudioOutput()
    : device_(std::make_unique<DeviceOutput>()), active_(device_.get()) {}
PortAudioOutput::~PortAudioOutput() {
    Close();
}

bool PortAudioOutput::Open(const AudioFormat& format, DoneCallback done) {
    active_ = device_.get();
    if (active_->Open(format, done)) return true;
    active_ = &silent_;
    return silent_.Open(format, std::move(done));
}

PortAudioInput::PortAudioInput()
    : device_(std::make_unique<DeviceInput>()), active_(device_.get()) {}
PortAudioInput::~PortAudioInput() {
    Close();
}

bool PortAudioInput::Open(const AudioFormat& format, std::size_t blockBytes,
                          BlockCallback onBlock) {
    active_ = device_.get();
    if (active_->Open(format, blockBytes, onBlock)) return true;
    active_ = &silent_;
    return silent_.Open(format, blockBytes, std::move(onBlock));
}

void PortAudioInput::Close() {
    active_->Close();
}

}  // namespace nimbrel
