// A camera's AAC decoder (libavcodec's): one ADTS frame in, the PCM of one ring entry out —
// always exactly 1024 stereo 16-bit samples (4096 bytes), whatever the decoder produced: mono
// is copied to both channels, a longer frame is cut, a shorter one or one that does not decode
// is completed with silence. The sample rate comes from the first frame that decodes.
// Threading: one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

struct AVCodecContext;
struct AVFrame;
struct AVPacket;

namespace nimbrel {

class AacDecoder {
  public:
    static constexpr std::size_t kMaxFrameBytes = 1024;  // a ring entry's input area
    static constexpr std::size_t kPcmBytes = 4096;       // 1024 stereo 16-bit samples

    AacDecoder() = default;
    ~AacDecoder() { Close(); }
    AacDecoder(const AacDecoder&) = delete;
    AacDecoder& operator=(const AacDecoder&) = delete;

    bool Open();
    void Close();
    bool IsOpen() const { return context_ != nullptr; }

    // Decodes `frame` into `pcm`; false (and `pcm` silent) when it does not decode.
    bool Decode(std::span<const uint8_t> frame, std::span<uint8_t, kPcmBytes> pcm);
    // Of the first frame that decoded; 0 before.
    int SampleRate() const { return sampleRate_; }
    int Channels() const { return channels_; }

  private:
    AVCodecContext* context_ = nullptr;
    AVPacket* packet_ = nullptr;
    AVFrame* frame_ = nullptr;
    int sampleRate_ = 0;
    int channels_ = 0;
};

}  // namespace nimbrel
