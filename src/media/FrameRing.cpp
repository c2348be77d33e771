#include "media/FrameRing.h"

#include <sys/mman.h>

#include <cstring>

#include "media/DelayHistogram.h"

namespace nimbrel {
namespace {

constexpr std::size_t kSlotStride = FrameRing::kFrameBytes + FrameRing::kPadding;
constexpr std::size_t kMemoryBytes = kSlotStride * FrameRing::kSlots;

int Next(int slot) {
    return (slot + 1) % FrameRing::kSlots;
}

}  // namespace

bool FrameRing::Allocate() {
    if (memory_ == nullptr) {
        // Anonymous pages stay non-resident until written, so a view of a small stream costs
        // only the bytes its frames occupy, not 13 MB.
        void* memory =
            mmap(nullptr, kMemoryBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (memory == MAP_FAILED) return false;
        memory_ = static_cast<uint8_t*>(memory);
        for (int i = 0; i < kSlots; ++i) slots_[i].buffer = memory_ + kSlotStride * i;
    }
    Reset();
    return true;
}

void FrameRing::Release() {
    if (memory_ == nullptr) return;
    munmap(memory_, kMemoryBytes);
    memory_ = nullptr;
    for (Slot& slot : slots_) slot.buffer = nullptr;
    Reset();
}

void FrameRing::Reset() {
    for (Slot& slot : slots_) ClearSlot(slot);
    frames_.store(0);
    write_.store(0);
    read_.store(0);
    expected_.store(-1);
    writeSlotUsed_ = false;
}

void FrameRing::ClearSlot(Slot& slot) {
    slot.number = 0;
    slot.timeValue = 0;
    slot.fragments = 0;
    slot.complete = false;
    slot.key = false;
    slot.bytes = 0;
    slot.completedNs = 0;
}

bool FrameRing::Store(Slot& slot, const VideoFragment& fragment) {
    std::memcpy(slot.buffer + kFragmentStride * static_cast<std::size_t>(fragment.fragmentIndex),
                fragment.data, fragment.length);
    ++slot.fragments;
    slot.bytes += fragment.length;
    if (slot.fragments == fragment.fragmentCount) {
        slot.complete = true;
        slot.completedNs = DelayHistogram::NowNs();
    }
    return slot.complete;
}

void FrameRing::StartFrame(Slot& slot, const VideoFragment& fragment) {
    slot.number = fragment.frameNumber;
    slot.timeValue = fragment.timeValue;
    slot.key = fragment.key;
    writeSlotUsed_ = true;
    frames_.fetch_add(1, std::memory_order_acq_rel);
}

FrameRing::PutResult FrameRing::Put(const VideoFragment& fragment) {
    const int count = fragment.fragmentCount;
    const int index = fragment.fragmentIndex;
    if (count <= 0 || index < 0 || index >= count) return PutResult::Broken;
    const std::size_t end = kFragmentStride * static_cast<std::size_t>(index) + fragment.length;
    if (end > kFrameBytes) return PutResult::Broken;
    // A packet without data carries nothing to place.
    if (memory_ == nullptr || fragment.length == 0 || fragment.data == nullptr)
        return PutResult::Dropped;

    int write = write_.load(std::memory_order_relaxed);
    if (frames_.load(std::memory_order_acquire) == kSlots) {
        // Full: only the frame being filled may still grow. When the writer has moved past its
        // last frame, the slot at write_ is the oldest one, which belongs to the tick.
        Slot& slot = slots_[write];
        if (!writeSlotUsed_ || slot.complete || slot.number != fragment.frameNumber)
            return PutResult::Dropped;
        if (slot.bytes + fragment.length > kFrameBytes) return PutResult::Broken;
        Store(slot, fragment);  // write_ stays, even when this made the frame whole
        return PutResult::Stored;
    }

    // Not full: the slot at write_ is free, or it is the writer's own slot.
    if (writeSlotUsed_ && slots_[write].number == fragment.frameNumber) {
        Slot& slot = slots_[write];
        // A repeat of a fragment of a frame that is already whole.
        if (slot.complete) return PutResult::Dropped;
        // Fragments of one frame cannot add up to more than its buffer.
        if (slot.bytes + fragment.length > kFrameBytes) return PutResult::Broken;
    } else if (writeSlotUsed_) {
        // Another frame begins while the previous one is unfinished (or finished while the ring
        // was full): that slot stays as it is and the next one, which is free, takes the frame.
        write = Next(write);
        write_.store(write, std::memory_order_release);
        StartFrame(slots_[write], fragment);
    } else {
        StartFrame(slots_[write], fragment);
    }

    if (Store(slots_[write], fragment)) {
        write_.store(Next(write), std::memory_order_release);
        writeSlotUsed_ = false;
    }
    return PutResult::Stored;
}

FrameRing::TickResult FrameRing::Tick(const std::function<void(const Frame&)>& decode) {
    // One frame always stays buffered, so that a late fragment does not starve the decoder.
    if (frames_.load(std::memory_order_acquire) <= 1) return TickResult::Idle;

    const int read = read_.load(std::memory_order_relaxed);
    Slot& slot = slots_[read];
    const int64_t expected = expected_.load(std::memory_order_relaxed);
    TickResult result;
    if (!slot.complete) {
        expected_.store(-1, std::memory_order_relaxed);
        result = TickResult::Incomplete;
    } else if (slot.key || static_cast<int64_t>(slot.number) == expected) {
        std::memset(slot.buffer + slot.bytes, 0, kPadding);
        decode(Frame{slot.buffer, slot.bytes, slot.key, slot.number, slot.timeValue, slot.completedNs});
        // Frame numbers wrap at 2^32 like the stream's counter.
        expected_.store(static_cast<uint32_t>(slot.number + 1u), std::memory_order_relaxed);
        result = TickResult::Decoded;
    } else {
        // Decoding it would reference a picture the decoder never saw.
        expected_.store(-1, std::memory_order_relaxed);
        result = TickResult::Dropped;
    }
    ClearSlot(slot);
    read_.store(Next(read), std::memory_order_relaxed);
    frames_.fetch_sub(1, std::memory_order_acq_rel);
    return result;
}

}  // namespace nimbrel
