// A sound input in the manner of a wave-in device: once open it delivers captured sound in
// blocks of a fixed size, at the format's rate, until it is closed.
// Threading: Open and Close from the owner's thread; the block callback runs on the input's own
// thread (the "driver's") and never after Close returned.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "platform/audio/AudioFormat.h"

namespace nimbrel {

class AudioInput {
  public:
    using BlockCallback = std::function<void(std::span<const uint8_t> block)>;

    virtual ~AudioInput() = default;
    // Opens the device and starts capturing blocks of `blockBytes`; false when it cannot.
    virtual bool Open(const AudioFormat& format, std::size_t blockBytes, BlockCallback onBlock) = 0;
    virtual void Close() = 0;
};

}  // namespace nimbrel
