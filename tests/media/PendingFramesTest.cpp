// The frames a hidden camera keeps: a key frame starts them over, they come out oldest first with
// zero padding behind each, and more than the limit waits for the next key frame.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "media/PendingFrames.h"

namespace nimbrel {
namespace {

std::vector<uint8_t> Frame(std::size_t size, uint8_t fill) {
    return std::vector<uint8_t>(size, fill);
}

// What Drain hands out, checking the padding behind each frame.
std::vector<std::vector<uint8_t>> DrainAll(PendingFrames& pending) {
    std::vector<std::vector<uint8_t>> out;
    pending.Drain([&](const uint8_t* data, std::size_t size) {
        for (std::size_t i = 0; i < PendingFrames::kPadding; ++i) EXPECT_EQ(data[size + i], 0);
        out.emplace_back(data, data + size);
        return true;
    });
    return out;
}

TEST(PendingFrames, KeyFramesStartOverAndFramesComeOutInOrder) {
    PendingFrames pending;
    const auto p0 = Frame(10, 1), key = Frame(300, 2), p1 = Frame(7, 3), p2 = Frame(1, 4);
    pending.Keep(p0.data(), p0.size(), false);
    pending.Keep(key.data(), key.size(), true);
    pending.Keep(p1.data(), p1.size(), false);
    pending.Keep(p2.data(), p2.size(), false);
    EXPECT_EQ(pending.Count(), 3u);
    EXPECT_EQ(DrainAll(pending), (std::vector<std::vector<uint8_t>>{key, p1, p2}));
    EXPECT_TRUE(pending.Empty());

    // A stop during the drain forgets the rest.
    pending.Keep(key.data(), key.size(), true);
    pending.Keep(p1.data(), p1.size(), false);
    int calls = 0;
    pending.Drain([&](const uint8_t*, std::size_t) { return ++calls < 1; });
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(pending.Empty());
}

TEST(PendingFrames, MoreThanTheLimitWaitsForTheNextKeyFrame) {
    PendingFrames pending;
    const auto big = Frame(PendingFrames::kMaxBytes / 3, 5), key = Frame(50, 6), p = Frame(9, 7);
    pending.Keep(key.data(), key.size(), true);
    for (int i = 0; i < 3; ++i) pending.Keep(big.data(), big.size(), false);
    EXPECT_TRUE(pending.WaitingForKey());
    EXPECT_TRUE(pending.Empty());
    pending.Keep(p.data(), p.size(), false);  // cannot be decoded without what was dropped
    EXPECT_TRUE(pending.Empty());
    pending.Keep(key.data(), key.size(), true);
    EXPECT_FALSE(pending.WaitingForKey());
    pending.Keep(p.data(), p.size(), false);
    EXPECT_EQ(DrainAll(pending), (std::vector<std::vector<uint8_t>>{key, p}));
}

}  // namespace
}  // namespace nimbrel
