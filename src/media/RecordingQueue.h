// The frames a recording's writer has still to write, copied into one buffer of a fixed size:
// the display tick copies each frame in without allocating, the writer reads it in place and
// gives its room back. A frame that does not fit is refused, never waited for. The buffer is
// reserved at the first frame and used from its start again whenever it runs empty, so a writer
// that keeps up touches only a few frames' worth of it.
// Threading: not synchronised. The owner calls every member under one lock; the front frame's
// bytes stay valid, and are the reader's alone, from Front until Pop, also outside that lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace nimbrel {

class RecordingQueue {
  public:
    struct FrameInfo {
        bool key = false;
        uint32_t timeValue = 0;  // the stream's milliseconds
        int64_t arrivalNs = 0;   // when the frame became whole; 0 when not known
        uint32_t skippedBefore = 0;  // frames left out just before this one (a gap)
    };
    struct Frame {
        uint8_t* data = nullptr;
        std::size_t size = 0;
        FrameInfo info;
    };

    // `capacityBytes` of frame bytes, at most `maxFrames` frames.
    explicit RecordingQueue(std::size_t capacityBytes, std::size_t maxFrames = 4096);

    // Copies the frame in; false, with nothing queued, when it does not fit (or is empty).
    bool Push(const uint8_t* data, std::size_t size, const FrameInfo& info);
    // The oldest frame; false when there is none.
    bool Front(Frame& frame) const;
    // Gives the oldest frame's room back.
    void Pop();
    // Gives everything back.
    void Clear();
    // Returns the buffer's memory when nothing is queued (the next frame reserves it again).
    void ReleaseIfEmpty();

    std::size_t Frames() const { return count_; }
    std::size_t Bytes() const { return bytes_; }
    std::size_t Capacity() const { return capacity_; }

  private:
    struct Slot {
        std::size_t offset = 0;
        std::size_t size = 0;
        FrameInfo info;
    };

    const std::size_t capacity_;
    const std::size_t maxFrames_;
    std::unique_ptr<uint8_t[]> buffer_;  // reserved at the first frame
    std::unique_ptr<Slot[]> slots_;
    std::size_t first_ = 0;  // slot of the oldest frame
    std::size_t count_ = 0;
    std::size_t bytes_ = 0;
    std::size_t head_ = 0;  // where the oldest frame's bytes begin
    std::size_t tail_ = 0;  // where the newest frame's bytes end
    bool wrapped_ = false;  // the newest frames lie before the oldest in the buffer
};

}  // namespace nimbrel
