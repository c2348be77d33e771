// The 32-slot ring in which a camera's H.264 fragments are assembled into whole frames, and the
// display tick's rule for taking them out: one frame per tick, one frame always kept in reserve,
// and nothing decoded after a lost or out-of-order frame until the next key frame.
// Threading: one writer thread calls Put, one tick thread calls Tick; they share the ring
// without a lock. Allocate, Release and Reset only while neither of them runs.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace nimbrel {

// One fragment of a frame as the stream delivered it; `data` holds `length` bytes.
struct VideoFragment {
    bool key = false;
    uint32_t frameNumber = 0;
    uint32_t timeValue = 0;
    int16_t fragmentCount = 0;
    int16_t fragmentIndex = 0;
    const uint8_t* data = nullptr;
    uint16_t length = 0;
};

class FrameRing {
  public:
    static constexpr int kSlots = 32;
    static constexpr std::size_t kFrameBytes = 409600;
    static constexpr std::size_t kFragmentStride = 1375;
    // Zero bytes that follow every frame handed to the decoder: the H.264 bit reader may read a
    // little past the end of its input.
    static constexpr std::size_t kPadding = 64;

    // A whole frame handed to the tick's callback; `data` is valid only during the call and is
    // followed by kPadding zero bytes. The callback may rewrite the bytes in place for a moment
    // (the recorder does) as long as it puts them back.
    struct Frame {
        uint8_t* data;
        std::size_t size;
        bool key;
        uint32_t number;
        uint32_t timeValue;
        int64_t completedNs;  // DelayHistogram::NowNs() when its last fragment landed
    };

    enum class PutResult {
        Stored,   // the fragment is in its slot
        Dropped,  // no room for it (ring full with another frame) or its frame is already whole
        Broken,   // its count, index or length cannot belong to a frame: the stream is broken
    };

    // What one tick did.
    enum class TickResult {
        Idle,        // one frame or none buffered
        Decoded,     // a frame went to the callback
        Dropped,     // a whole frame was dropped: it does not follow the last decoded one
        Incomplete,  // a frame with missing fragments was cleared
    };

    FrameRing() = default;
    ~FrameRing() { Release(); }
    FrameRing(const FrameRing&) = delete;
    FrameRing& operator=(const FrameRing&) = delete;

    // Reserves the 32 frame buffers (address space only: a page becomes resident when a
    // fragment first lands on it) and empties the ring. False when the memory is not available.
    bool Allocate();
    void Release();
    bool Allocated() const { return memory_ != nullptr; }
    // Empties the ring and waits for a key frame again; the buffers stay.
    void Reset();

    // Places one fragment (the reading loop, for each video packet).
    PutResult Put(const VideoFragment& fragment);

    // One display tick: hands at most one frame to `decode`.
    TickResult Tick(const std::function<void(const Frame&)>& decode);

    // Slots in use, 0..32.
    int Frames() const { return frames_.load(std::memory_order_acquire); }
    // The frame number that may follow the last decoded frame; -1 while waiting for a key frame.
    int64_t Expected() const { return expected_.load(std::memory_order_relaxed); }

  private:
    struct Slot {
        uint32_t number = 0;
        uint32_t timeValue = 0;
        int fragments = 0;  // fragments stored so far
        bool complete = false;
        bool key = false;
        std::size_t bytes = 0;  // sum of the stored fragment lengths
        int64_t completedNs = 0;  // when the frame became whole, for the delay to its picture
        uint8_t* buffer = nullptr;
    };

    static void ClearSlot(Slot& slot);
    // Copies the fragment into `slot`; true when that made the frame whole.
    static bool Store(Slot& slot, const VideoFragment& fragment);
    void StartFrame(Slot& slot, const VideoFragment& fragment);

    uint8_t* memory_ = nullptr;
    Slot slots_[kSlots];

    // The slot contents are handed over through frames_: the writer's stores into a slot happen
    // before the increment that counts the next slot, and the tick's clearing of a slot happens
    // before the decrement that gives it back.
    std::atomic<int> frames_{0};
    std::atomic<int> write_{0};  // written by the writer only
    std::atomic<int> read_{0};   // written by the tick only
    std::atomic<int64_t> expected_{-1};
    // Writer-private: the slot at write_ holds fragments the writer stored and it has not moved
    // past it. Lets the writer tell its own slot from the oldest one when the ring is full,
    // without reading a slot that the tick may be clearing.
    bool writeSlotUsed_ = false;
};

}  // namespace nimbrel
