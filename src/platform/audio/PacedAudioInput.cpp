#include "platform/audio/PacedAudioInput.h"

#include <pthread.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/Log.h"
#include "platform/audio/WavFile.h"

namespace nimbrel {
namespace {

constexpr auto kCloseCheck = std::chrono::milliseconds(20);

}  // namespace

std::vector<int16_t> PacedAudioInput::Convert(const std::vector<int16_t>& in,
                                              const AudioFormat& from, const AudioFormat& to) {
    const std::size_t inFrames = in.size() / static_cast<std::size_t>(from.channels);
    std::vector<float> mono(inFrames);
    for (std::size_t f = 0; f < inFrames; ++f) {
        float sum = 0;
        for (int c = 0; c < from.channels; ++c) sum += in[f * from.channels + c];
        mono[f] = sum / static_cast<float>(from.channels);
    }
    if (inFrames == 0) return {};
    const double step = static_cast<double>(from.sampleRate) / to.sampleRate;
    const std::size_t outFrames =
        std::max<std::size_t>(1, static_cast<std::size_t>(inFrames / step));
    std::vector<int16_t> out(outFrames * static_cast<std::size_t>(to.channels));
    for (std::size_t f = 0; f < outFrames; ++f) {
        const double at = f * step;
        const std::size_t i = std::min(static_cast<std::size_t>(at), inFrames - 1);
        const std::size_t j = std::min(i + 1, inFrames - 1);
        const double t = at - std::floor(at);
        const double v = mono[i] * (1 - t) + mono[j] * t;
        const auto s = static_cast<int16_t>(std::clamp(std::lround(v), -32768L, 32767L));
        for (int c = 0; c < to.channels; ++c) out[f * to.channels + c] = s;
    }
    return out;
}

bool PacedAudioInput::Open(const AudioFormat& format, std::size_t blockBytes,
                           BlockCallback onBlock) {
    if (thread_.joinable() || !format.Valid() || blockBytes == 0 ||
        blockBytes % format.BytesPerFrame())
        return false;
    loop_.clear();
    if (!wavPath_.empty()) {
        std::string why;
        const auto wav = ReadWav(wavPath_, &why);
        if (!wav) {
            NLOG_WARN("audio input " << wavPath_ << ": " << why);
            return false;
        }
        loop_ = Convert(wav->samples, wav->format, format);
        if (loop_.empty()) {
            NLOG_WARN("audio input " << wavPath_ << ": the file holds no sound");
            return false;
        }
    }
    format_ = format;
    blockBytes_ = blockBytes;
    onBlock_ = std::move(onBlock);
    closing_ = false;
    thread_ = std::thread(&PacedAudioInput::Run, this);
    return true;
}

void PacedAudioInput::Close() {
    closing_ = true;
    if (thread_.joinable()) thread_.join();
}

void PacedAudioInput::Run() {
    pthread_setname_np(pthread_self(), wavPath_.empty() ? "audioin-null" : "audioin-wav");
    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::duration_cast<Clock::duration>(format_.Duration(blockBytes_));
    std::vector<uint8_t> block(blockBytes_);
    const std::size_t samplesPerBlock = blockBytes_ / 2;
    std::size_t at = 0;
    Clock::time_point next = Clock::now() + period;  // a block is there once it has been recorded
    while (!closing_) {
        while (!closing_ && Clock::now() < next)
            std::this_thread::sleep_for(
                std::min<Clock::duration>(kCloseCheck, next - Clock::now()));
        if (closing_) return;
        for (std::size_t s = 0; s < samplesPerBlock; ++s) {
            const int16_t v = loop_.empty() ? 0 : loop_[at];
            if (!loop_.empty()) at = (at + 1) % loop_.size();
            block[2 * s] = static_cast<uint8_t>(v);
            block[2 * s + 1] = static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8);
        }
        onBlock_(block);
        next += period;
    }
}

}  // namespace nimbrel
