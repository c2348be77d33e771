// One camera's H.264 decoder: primed with the stream's parameter sets, then fed one whole frame
// at a time; it hands back the decoded picture when there is one.
// Threading: one thread at a time (the camera's display tick); the returned picture is valid
// until the next Decode or Close on the same object.
#pragma once

#include <cstddef>
#include <cstdint>

#include "media/ParameterSets.h"

struct AVCodecContext;
struct AVFrame;
struct AVPacket;

namespace nimbrel {

// FFmpeg's messages go to the program's logger (silent unless asked) instead of stderr.
void RouteLibavLogging();

class H264Decoder {
  public:
    // Zero bytes the caller must provide after the input of Decode (readable, set to zero).
    static constexpr std::size_t kInputPadding = 64;

    H264Decoder() = default;
    ~H264Decoder() { Close(); }
    H264Decoder(const H264Decoder&) = delete;
    H264Decoder& operator=(const H264Decoder&) = delete;

    // Opens a decoder for one stream and primes it with the SPS, then the PPS (whose own
    // outcome is of no interest: a stream that repeats them before each key frame still plays).
    // `width` and `height` are the size the camera announced. False when the decoder cannot be
    // made; an open decoder is closed first.
    bool Open(const ParameterSetRecord& sps, const ParameterSetRecord& pps, int width, int height);
    bool IsOpen() const { return context_ != nullptr; }

    // Decodes one frame of `size` bytes (Annex B), which must be followed by kInputPadding zero
    // bytes. Returns the picture it completed, or nullptr when the decoder rejected the frame
    // or holds the picture back.
    const AVFrame* Decode(const uint8_t* data, std::size_t size);

    void Close();

  private:
    AVCodecContext* context_ = nullptr;
    AVFrame* frame_ = nullptr;    // the picture handed out
    AVFrame* scratch_ = nullptr;  // where the next picture is received
    AVPacket* packet_ = nullptr;
};

}  // namespace nimbrel
