#include "media/RecordingQueue.h"

#include <algorithm>
#include <cstring>

namespace nimbrel {

RecordingQueue::RecordingQueue(std::size_t capacityBytes, std::size_t maxFrames)
    : capacity_(capacityBytes), maxFrames_(std::max<std::size_t>(maxFrames, 1)) {}

bool RecordingQueue::Push(const uint8_t* data, std::size_t size, const FrameInfo& info) {
    if (size == 0 || size > capacity_ || count_ == maxFrames_) return false;
    std::size_t at = 0;
    bool wraps = false;
    if (count_ == 0) {
        at = 0;
    } else if (wrapped_) {
        if (head_ - tail_ < size) return false;
        at = tail_;
    } else if (capacity_ - tail_ >= size) {
        at = tail_;
    } else if (head_ >= size) {
        at = 0;  // the end of the buffer is too short: go round to its start
        wraps = true;
    } else {
        return false;
    }
    if (!buffer_) {
        // Not zeroed: a page of the buffer becomes resident only when a frame lands on it.
        buffer_.reset(new uint8_t[capacity_]);
        slots_.reset(new Slot[maxFrames_]);
    }
    std::memcpy(buffer_.get() + at, data, size);
    Slot& slot = slots_[(first_ + count_) % maxFrames_];
    slot = {at, size, info};
    if (count_ == 0) head_ = at;
    ++count_;
    bytes_ += size;
    tail_ = at + size;
    wrapped_ = wrapped_ || wraps;
    return true;
}

bool RecordingQueue::Front(Frame& frame) const {
    if (count_ == 0) return false;
    const Slot& slot = slots_[first_];
    frame = {buffer_.get() + slot.offset, slot.size, slot.info};
    return true;
}

void RecordingQueue::Pop() {
    if (count_ == 0) return;
    bytes_ -= slots_[first_].size;
    first_ = (first_ + 1) % maxFrames_;
    if (--count_ == 0) {
        Clear();
        return;
    }
    const std::size_t next = slots_[first_].offset;
    if (next < head_) wrapped_ = false;  // the oldest frame is now the first at the start
    head_ = next;
}

void RecordingQueue::Clear() {
    first_ = count_ = bytes_ = head_ = tail_ = 0;
    wrapped_ = false;
}

void RecordingQueue::ReleaseIfEmpty() {
    if (count_ != 0) return;
    buffer_.reset();
    slots_.reset();
}

}  // namespace nimbrel
