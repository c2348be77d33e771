// The input of machines without a microphone: blocks are delivered at the format's real rate
// on the monotonic clock, taken from a WAV file played in a loop (converted to the asked rate
// and channel count), or silence for the null input.
// Threading: as AudioInput.
#pragma once

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio/AudioInput.h"

namespace nimbrel {

class PacedAudioInput : public AudioInput {
  public:
    // `wavPath` empty: the null input (silence).
    explicit PacedAudioInput(std::string wavPath = {}) : wavPath_(std::move(wavPath)) {}
    ~PacedAudioInput() override { Close(); }
    bool Open(const AudioFormat& format, std::size_t blockBytes, BlockCallback onBlock) override;
    void Close() override;

    // `samples` (interleaved, `from` format) as mono or stereo at `to`'s rate, by linear
    // interpolation; channels are mixed down or copied up.
    static std::vector<int16_t> Convert(const std::vector<int16_t>& samples,
                                        const AudioFormat& from, const AudioFormat& to);

  private:
    void Run();

    std::string wavPath_;
    AudioFormat format_;
    std::size_t blockBytes_ = 0;
    BlockCallback onBlock_;
    std::vector<int16_t> loop_;  // the file's sound in the asked format; empty: silence
    std::atomic<bool> closing_{false};
    std::thread thread_;
};

}  // namespace nimbrel
