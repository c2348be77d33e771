#include "platform/audio/PacedAudioOutput.h"

#include <thread>

namespace nimbrel {
namespace {

// The device thread checks for a close at least this often while a buffer plays.
constexpr auto kCloseCheck = std::chrono::milliseconds(20);

}  // namespace

PacedAudioOutput::PacedAudioOutput(std::string wavPath)
    : QueuedAudioOutput(wavPath.empty() ? "audio-null" : "audio-wav"),
      wavPath_(std::move(wavPath)) {}

PacedAudioOutput::~PacedAudioOutput() {
    Close();
}

bool PacedAudioOutput::OpenDevice(const AudioFormat& format) {
    next_ = {};
    if (wavPath_.empty()) return true;
    writer_ = WavWriter::ForPath(wavPath_);
    return writer_->Begin(format);
}

AudioOutput::Clock::time_point PacedAudioOutput::Play(std::span<const uint8_t> pcm,
                                                      const std::atomic<bool>& closing) {
    const Clock::time_point now = Clock::now();
    if (next_ == Clock::time_point{} || next_ < now)
        next_ = now;  // the first, or after running dry
    const Clock::time_point started = next_;
    if (writer_) writer_->Append(pcm);
    next_ += std::chrono::duration_cast<Clock::duration>(Format().Duration(pcm.size()));
    while (!closing && Clock::now() < next_)
        std::this_thread::sleep_for(std::min<Clock::duration>(kCloseCheck, next_ - Clock::now()));
    return started;
}

void PacedAudioOutput::Resumed(Clock::duration gap) {
    if (!writer_) return;
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(gap).count();
    const long long frames = ns * Format().sampleRate / 1'000'000'000LL;
    // A gap longer than a minute is written as one minute: the file shows the gap all the same.
    const long long capped = std::min<long long>(frames, 60LL * Format().sampleRate);
    writer_->AppendSilence(static_cast<std::size_t>(capped) * Format().BytesPerFrame());
}

}  // namespace nimbrel
