// The hand-over of captured sound from the input's thread to talk's sender: 32 blocks of one
// fixed size, a count that each side changes in one atomic step, and the writer's and reader's
// indices. A block is counted only after it was copied in; a block shorter than the size, or one
// that finds the ring full, is dropped.
// Threading: Put from the input's thread; Front/Pop from the sender; Reset while neither runs.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <span>
#include <vector>

namespace nimbrel {

class CaptureRing {
  public:
    static constexpr int kBlocks = 32;

    // Allocates 32 blocks of `blockBytes`; the count and indices start at 0.
    void Reset(std::size_t blockBytes) {
        blocks_.assign(kBlocks, std::vector<uint8_t>(blockBytes));
        blockBytes_ = blockBytes;
        count_ = 0;
        write_ = 0;
        read_ = 0;
    }
    void Free() {
        blocks_.clear();
        blockBytes_ = 0;
        count_ = 0;
        write_ = 0;
        read_ = 0;
    }
    std::size_t BlockBytes() const { return blockBytes_; }

    // False when the block was dropped (short, or the ring full).
    bool Put(std::span<const uint8_t> block) {
        if (blockBytes_ == 0 || block.size() < blockBytes_) return false;
        if (count_.load(std::memory_order_acquire) >= kBlocks) return false;
        std::copy_n(block.begin(), blockBytes_, blocks_[write_].begin());
        write_ = (write_ + 1) % kBlocks;
        count_.fetch_add(1, std::memory_order_release);
        return true;
    }
    // The oldest block, or an empty span when none is there.
    std::span<const uint8_t> Front() const {
        if (count_.load(std::memory_order_acquire) == 0) return {};
        return blocks_[read_];
    }
    void Pop() {
        read_ = (read_ + 1) % kBlocks;
        count_.fetch_sub(1, std::memory_order_release);
    }
    int Count() const { return count_.load(std::memory_order_acquire); }

  private:
    std::vector<std::vector<uint8_t>> blocks_;
    std::size_t blockBytes_ = 0;
    std::atomic<int> count_{0};
    int write_ = 0;  // the input's
    int read_ = 0;   // the sender's
};

}  // namespace nimbrel
