// The hand-over of one kind of device audio from the reading thread to the player: 32 entries,
// each with an input area for one frame as received and a PCM area for its decoded sound. The
// writer copies a frame in, then sets the entry's in-use mark (release); the reader sees the mark
// (acquire), decodes, plays, and clears it (release) for the writer to reuse the entry. A full
// ring or a frame larger than the input area drops the frame; nothing is ever copied past an
// area. The storage exists only while audio plays: Allocate and Release are excluded from Put
// by a lock, so the reading thread never writes into storage being freed.
// Threading: Put from the reading thread; Peek/Consume from the player's threads one at a time;
// Allocate/Release from the player's start and stop while neither reader runs.
#pragma once

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>

namespace nimbrel {

enum class AudioPut { Stored, Full, Oversized, Off };

template <std::size_t InputBytes, std::size_t PcmBytes>
class AudioFrameRing {
  public:
    static constexpr int kEntries = 32;

    struct Entry {
        uint32_t timeValue = 0;  // from the packet (AAC)
        std::size_t count = 0;   // bytes in the input area
        int64_t arrivalNs = 0;   // steady clock, when the frame was put
        std::atomic<uint8_t> isUsed{0};
        std::array<uint8_t, InputBytes> input{};
        std::array<uint8_t, PcmBytes> pcm{};
    };

    // Zeroed entries, indices at 0.
    bool Allocate() {
        std::lock_guard guard(lock_);
        entries_.reset(new (std::nothrow) Entry[kEntries]);
        write_ = 0;
        read_ = 0;
        return entries_ != nullptr;
    }
    void Release() {
        std::lock_guard guard(lock_);
        entries_.reset();
        write_ = 0;
        read_ = 0;
    }

    AudioPut Put(std::span<const uint8_t> frame, uint32_t timeValue) {
        std::lock_guard guard(lock_);
        if (!entries_) return AudioPut::Off;
        if (frame.size() > InputBytes) return AudioPut::Oversized;
        Entry& e = entries_[write_];
        if (e.isUsed.load(std::memory_order_acquire)) return AudioPut::Full;
        // A short frame leaves no bytes of an earlier one behind it.
        std::fill(std::copy(frame.begin(), frame.end(), e.input.begin()), e.input.end(), 0);
        e.count = frame.size();
        e.timeValue = timeValue;
        e.arrivalNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                          std::chrono::steady_clock::now().time_since_epoch())
                          .count();
        write_ = (write_ + 1) % kEntries;
        e.isUsed.store(1, std::memory_order_release);
        return AudioPut::Stored;
    }

    // The entry at the read index once it holds a frame; null while it does not.
    Entry* Peek() {
        Entry* e = &entries_[read_.load(std::memory_order_relaxed)];
        return e->isUsed.load(std::memory_order_acquire) ? e : nullptr;
    }
    // Gives the entry at the read index back to the writer and moves on.
    void Consume() {
        const int r = read_.load(std::memory_order_relaxed);
        read_.store((r + 1) % kEntries, std::memory_order_relaxed);
        entries_[r].isUsed.store(0, std::memory_order_release);
    }

  private:
    std::mutex lock_;  // storage lifetime against Put
    std::unique_ptr<Entry[]> entries_;
    int write_ = 0;
    std::atomic<int> read_{0};
};

}  // namespace nimbrel
