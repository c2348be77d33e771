// Talk's AAC encoder: libavcodec's native encoder, low complexity, one channel, 1024 samples of
// 16-bit PCM a call, each output frame behind a 7-byte ADTS header so that the camera can decode
// it without any other set-up. The encoder delays its output by one frame, so the first call
// gives nothing.
// Threading: one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

struct AVCodecContext;
struct AVFrame;
struct AVPacket;

namespace nimbrel {

class AacEncoder {
  public:
    static constexpr int kFrameSamples = 1024;
    static constexpr std::size_t kBlockBytes = 2 * kFrameSamples;  // one capture block

    AacEncoder() = default;
    ~AacEncoder() { Close(); }
    AacEncoder(const AacEncoder&) = delete;
    AacEncoder& operator=(const AacEncoder&) = delete;

    // Mono at `sampleRate` (one of the ADTS rates).
    bool Open(int sampleRate);
    void Close();
    // Encodes one block of 1024 samples (little-endian); `out` gets the ADTS frames the encoder
    // gave back (possibly none). False on an encoder error.
    bool Encode(std::span<const uint8_t, kBlockBytes> block, std::vector<uint8_t>& out);

    // The ADTS header of a low-complexity frame of `payload` bytes; false for a rate ADTS cannot
    // name or a frame too long for it.
    static bool AdtsHeader(int sampleRate, int channels, std::size_t payload, uint8_t header[7]);

  private:
    AVCodecContext* context_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPacket* packet_ = nullptr;
    long long pts_ = 0;
};

}  // namespace nimbrel
