#include "media/FrameRing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace nimbrel {
namespace {

using PutResult = FrameRing::PutResult;
using TickResult = FrameRing::TickResult;

constexpr std::size_t kStride = FrameRing::kFragmentStride;

// The bytes of frame `number`: different for every frame, never zero.
std::vector<uint8_t> FrameBytes(uint32_t number, std::size_t size) {
    std::vector<uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>((number * 31 + i * 7 + (i >> 8)) | 1);
    return bytes;
}

int FragmentCount(std::size_t size) {
    return static_cast<int>((size + kStride - 1) / kStride);
}

struct Decoded {
    uint32_t number;
    bool key;
    uint32_t timeValue;
    std::vector<uint8_t> bytes;
    bool paddingZero;
};

class FrameRingTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(ring.Allocate()); }

    PutResult PutFragment(uint32_t number, bool key, const std::vector<uint8_t>& bytes, int index,
                          int count = -1) {
        if (count < 0) count = FragmentCount(bytes.size());
        const std::size_t offset = kStride * static_cast<std::size_t>(index);
        VideoFragment fragment;
        fragment.key = key;
        fragment.frameNumber = number;
        fragment.timeValue = number * 40;
        fragment.fragmentCount = static_cast<int16_t>(count);
        fragment.fragmentIndex = static_cast<int16_t>(index);
        fragment.data = bytes.data() + offset;
        fragment.length = static_cast<uint16_t>(std::min(kStride, bytes.size() - offset));
        return ring.Put(fragment);
    }

    // Puts every fragment of the frame in order, except `skip`.
    void PutFrame(uint32_t number, bool key, std::size_t size = 3000, int skip = -1) {
        const auto bytes = FrameBytes(number, size);
        for (int i = 0; i < FragmentCount(size); ++i) {
            if (i != skip) {
                ASSERT_EQ(PutFragment(number, key, bytes, i), PutResult::Stored);
            }
        }
    }

    TickResult Tick() {
        return ring.Tick([this](const FrameRing::Frame& frame) {
            const bool zero =
                std::all_of(frame.data + frame.size, frame.data + frame.size + FrameRing::kPadding,
                            [](uint8_t b) { return b == 0; });
            decoded.push_back({frame.number, frame.key, frame.timeValue,
                               std::vector<uint8_t>(frame.data, frame.data + frame.size), zero});
        });
    }

    std::vector<uint32_t> DecodedNumbers() const {
        std::vector<uint32_t> numbers;
        for (const auto& d : decoded) numbers.push_back(d.number);
        return numbers;
    }

    FrameRing ring;
    std::vector<Decoded> decoded;
};

TEST_F(FrameRingTest, OneBufferedFrameStaysInReserve) {
    EXPECT_EQ(Tick(), TickResult::Idle);
    PutFrame(0, true);
    EXPECT_EQ(ring.Frames(), 1);
    EXPECT_EQ(Tick(), TickResult::Idle);
    EXPECT_TRUE(decoded.empty());

    PutFrame(1, false);
    EXPECT_EQ(ring.Frames(), 2);
    EXPECT_EQ(Tick(), TickResult::Decoded);
    ASSERT_EQ(decoded.size(), 1u);
    EXPECT_EQ(decoded[0].number, 0u);
    EXPECT_TRUE(decoded[0].key);
    EXPECT_EQ(decoded[0].timeValue, 0u);
    EXPECT_EQ(decoded[0].bytes, FrameBytes(0, 3000));
    EXPECT_EQ(ring.Frames(), 1);
    EXPECT_EQ(ring.Expected(), 1);
    EXPECT_EQ(Tick(), TickResult::Idle);
}

TEST_F(FrameRingTest, FragmentsLandAtTheirOffsetsInAnyOrderAndThePaddingIsZero) {
    // The first frame in slot 0 is large; slot 0 later holds a short frame whose padding
    // covers bytes the large one wrote.
    const auto first = FrameBytes(0, 3 * kStride);
    for (int i : {2, 0, 1}) ASSERT_EQ(PutFragment(0, true, first, i), PutResult::Stored);
    PutFrame(1, false);
    ASSERT_EQ(Tick(), TickResult::Decoded);
    ASSERT_EQ(decoded.back().bytes, first);
    EXPECT_TRUE(decoded.back().paddingZero);

    for (uint32_t n = 2; n <= FrameRing::kSlots + 1; ++n) {
        PutFrame(n, false, n == FrameRing::kSlots ? 100 : 500);
        ASSERT_EQ(Tick(), TickResult::Decoded);
    }
    // Frame 32 went to slot 0 again.
    ASSERT_EQ(decoded.back().number, FrameRing::kSlots);
    EXPECT_EQ(decoded.back().bytes.size(), 100u);
    EXPECT_TRUE(decoded.back().paddingZero);
}

TEST_F(FrameRingTest, FullRingTakesOnlyTheRestOfTheFrameBeingFilled) {
    for (uint32_t n = 0; n < FrameRing::kSlots - 1; ++n) PutFrame(n, n == 0, 200);
    const auto filling = FrameBytes(31, 3 * kStride);
    const auto next = FrameBytes(32, 200);
    ASSERT_EQ(PutFragment(31, false, filling, 0), PutResult::Stored);
    EXPECT_EQ(ring.Frames(), FrameRing::kSlots);

    EXPECT_EQ(PutFragment(32, false, next, 0), PutResult::Dropped);
    EXPECT_EQ(PutFragment(31, false, filling, 1), PutResult::Stored);
    EXPECT_EQ(PutFragment(31, false, filling, 2), PutResult::Stored);
    // Frame 31 is whole now; neither a repeat of it nor a new frame fits.
    EXPECT_EQ(PutFragment(31, false, filling, 2), PutResult::Dropped);
    EXPECT_EQ(PutFragment(32, false, next, 0), PutResult::Dropped);
    EXPECT_EQ(ring.Frames(), FrameRing::kSlots);

    ASSERT_EQ(Tick(), TickResult::Decoded);
    EXPECT_EQ(ring.Frames(), FrameRing::kSlots - 1);
    EXPECT_EQ(PutFragment(32, false, next, 0), PutResult::Stored);
    EXPECT_EQ(ring.Frames(), FrameRing::kSlots);

    while (Tick() != TickResult::Idle) {
    }
    std::vector<uint32_t> expected(FrameRing::kSlots);
    for (uint32_t n = 0; n < FrameRing::kSlots; ++n) expected[n] = n;
    EXPECT_EQ(DecodedNumbers(), expected);
    EXPECT_EQ(decoded.back().bytes, filling);
    EXPECT_EQ(ring.Frames(), 1);
}

TEST_F(FrameRingTest, RingFullOfWholeFramesLeavesTheOldestAlone) {
    // One-fragment frames: after the 32nd the write position is the oldest slot, which
    // belongs to the tick even when a fragment carries the oldest frame's number.
    for (uint32_t n = 0; n < FrameRing::kSlots; ++n) PutFrame(n, n == 0, 300);
    ASSERT_EQ(ring.Frames(), FrameRing::kSlots);
    const auto impostor = FrameBytes(99, 300);
    EXPECT_EQ(PutFragment(0, true, impostor, 0), PutResult::Dropped);
    EXPECT_EQ(PutFragment(32, false, FrameBytes(32, 300), 0), PutResult::Dropped);

    ASSERT_EQ(Tick(), TickResult::Decoded);
    EXPECT_EQ(decoded[0].bytes, FrameBytes(0, 300));
    PutFrame(32, false, 300);
    EXPECT_EQ(ring.Frames(), FrameRing::kSlots);
}

TEST_F(FrameRingTest, LostFragmentClearsTheFrameAndWaitsForAKeyFrame) {
    PutFrame(0, true);
    PutFrame(1, false, 3000, /*skip=*/1);
    PutFrame(2, false);
    PutFrame(3, false);
    PutFrame(4, true);
    PutFrame(5, false);
    PutFrame(6, false);

    EXPECT_EQ(Tick(), TickResult::Decoded);
    EXPECT_EQ(Tick(), TickResult::Incomplete);
    EXPECT_EQ(ring.Expected(), -1);
    EXPECT_EQ(Tick(), TickResult::Dropped);
    EXPECT_EQ(Tick(), TickResult::Dropped);
    EXPECT_EQ(Tick(), TickResult::Decoded);
    EXPECT_EQ(Tick(), TickResult::Decoded);
    EXPECT_EQ(Tick(), TickResult::Idle);
    EXPECT_EQ(DecodedNumbers(), (std::vector<uint32_t>{0, 4, 5}));
    EXPECT_EQ(ring.Expected(), 6);
}

TEST_F(FrameRingTest, FramesOutOfSequenceAreDroppedUntilAKeyFrame) {
    for (uint32_t n : {5u, 6u}) PutFrame(n, false);  // before any key frame
    PutFrame(7, true);
    PutFrame(8, false);
    PutFrame(10, false);  // 9 never came
    PutFrame(11, false);
    PutFrame(12, true);
    PutFrame(13, false);
    PutFrame(14, false);
    while (Tick() != TickResult::Idle) {
    }
    EXPECT_EQ(DecodedNumbers(), (std::vector<uint32_t>{7, 8, 12, 13}));
}

TEST_F(FrameRingTest, FrameNumbersWrapAround) {
    PutFrame(0xFFFFFFFEu, true);
    PutFrame(0xFFFFFFFFu, false);
    PutFrame(0, false);
    PutFrame(1, false);
    while (Tick() != TickResult::Idle) {
    }
    EXPECT_EQ(DecodedNumbers(), (std::vector<uint32_t>{0xFFFFFFFEu, 0xFFFFFFFFu, 0}));
}

TEST_F(FrameRingTest, FragmentsThatCannotFitAreBrokenAndChangeNothing) {
    PutFrame(0, true);
    const std::vector<uint8_t> bytes(kStride, 0x5A);
    struct Case {
        int count;
        int index;
        uint16_t length;
    };
    for (const Case c : {Case{0, 0, 100}, Case{-3, 0, 100}, Case{5, -1, 100}, Case{5, 5, 100},
                         Case{400, 297, 1226}}) {
        VideoFragment f{
            false,        1,       0, static_cast<int16_t>(c.count), static_cast<int16_t>(c.index),
            bytes.data(), c.length};
        EXPECT_EQ(ring.Put(f), PutResult::Broken) << c.count << " " << c.index << " " << c.length;
    }
    EXPECT_EQ(ring.Frames(), 1);

    // The last byte of the frame buffer is reachable, and not one more.
    VideoFragment last{false, 1, 0, 400, 297, bytes.data(), 1225};
    EXPECT_EQ(ring.Put(last), PutResult::Stored);
    EXPECT_EQ(ring.Frames(), 2);
}

TEST_F(FrameRingTest, RepeatedFragmentsCannotOverfillAFrame) {
    const std::vector<uint8_t> bytes(kStride, 0x33);
    VideoFragment f{true, 0, 0, 32000, 0, bytes.data(), static_cast<uint16_t>(kStride)};
    const int fit = static_cast<int>(FrameRing::kFrameBytes / kStride);  // 297 whole strides
    for (int i = 0; i < fit; ++i) ASSERT_EQ(ring.Put(f), PutResult::Stored) << i;
    EXPECT_EQ(ring.Put(f), PutResult::Broken);
    EXPECT_EQ(ring.Frames(), 1);
}

TEST_F(FrameRingTest, ResetEmptiesTheRingAndWaitsForAKeyFrame) {
    PutFrame(0, true);
    PutFrame(1, false);
    PutFrame(2, false, 3000, 0);
    ASSERT_EQ(Tick(), TickResult::Decoded);
    ring.Reset();
    EXPECT_EQ(ring.Frames(), 0);
    EXPECT_EQ(ring.Expected(), -1);
    PutFrame(3, false);
    PutFrame(4, true);
    PutFrame(5, false);
    while (Tick() != TickResult::Idle) {
    }
    EXPECT_EQ(DecodedNumbers(), (std::vector<uint32_t>{0, 4}));
}

TEST(FrameRingUnallocated, DropsFragmentsAndTicksIdle) {
    FrameRing ring;
    const std::vector<uint8_t> bytes(10, 1);
    VideoFragment f{true, 0, 0, 1, 0, bytes.data(), 10};
    EXPECT_EQ(ring.Put(f), FrameRing::PutResult::Dropped);
    EXPECT_EQ(ring.Tick([](const FrameRing::Frame&) { FAIL(); }), FrameRing::TickResult::Idle);
}

// A reading thread and a display tick on their own threads: every frame arrives whole, in order
// and with its own bytes. The writer waits for room instead of losing fragments, so the outcome
// does not depend on how the threads are scheduled.
TEST(FrameRingThreads, WriterAndTickerShareTheRing) {
    FrameRing ring;
    ASSERT_TRUE(ring.Allocate());
    constexpr uint32_t kFrames = 2000;
    auto sizeOf = [](uint32_t n) { return std::size_t(100 + (n * 677) % 3800); };
    std::atomic<bool> writerFailed{false};
    std::atomic<bool> done{false};

    std::thread writer([&] {
        for (uint32_t n = 0; n < kFrames && !done; ++n) {
            while (ring.Frames() >= FrameRing::kSlots - 1 && !done) std::this_thread::yield();
            const auto bytes = FrameBytes(n, sizeOf(n));
            const int count = FragmentCount(bytes.size());
            for (int i = count - 1; i >= 0; --i) {
                const std::size_t offset = kStride * i;
                VideoFragment f{n % 50 == 0,
                                n,
                                n,
                                static_cast<int16_t>(count),
                                static_cast<int16_t>(i),
                                bytes.data() + offset,
                                static_cast<uint16_t>(std::min(kStride, bytes.size() - offset))};
                if (ring.Put(f) != FrameRing::PutResult::Stored) writerFailed = true;
            }
        }
    });

    uint32_t next = 0;
    int wrong = 0;
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (next < kFrames - 1 && std::chrono::steady_clock::now() < give_up) {
        const auto result = ring.Tick([&](const FrameRing::Frame& frame) {
            const auto expected = FrameBytes(next, sizeOf(next));
            if (frame.number != next || frame.size != expected.size() ||
                !std::equal(expected.begin(), expected.end(), frame.data))
                ++wrong;
            ++next;
        });
        if (result == FrameRing::TickResult::Idle) std::this_thread::yield();
        if (result == FrameRing::TickResult::Dropped || result == FrameRing::TickResult::Incomplete)
            ++wrong;
    }
    done = true;
    writer.join();
    EXPECT_EQ(next, kFrames - 1);
    EXPECT_EQ(wrong, 0);
    EXPECT_FALSE(writerFailed);
    EXPECT_EQ(ring.Frames(), 1);
}

}  // namespace
}  // namespace nimbrel
