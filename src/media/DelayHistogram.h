// A fixed-size histogram of delays in microseconds, cheap enough to feed from the frame path:
// Record is one relaxed atomic increment, never allocates and never blocks. Buckets are exact
// up to 64 µs and then 32 to each power of two (under 3 % apart), up to about two minutes;
// longer delays land in the last bucket (under 3 KB in all). Readers take a snapshot and may
// subtract an earlier one to look at a window.
// Threading: Record from one or more threads, Take from any thread, without a lock.
#pragma once

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <chrono>
#include <cstdint>

namespace nimbrel {

class DelayHistogram {
  public:
    static constexpr int kSubBits = 5;  // 32 buckets per power of two
    static constexpr int kSub = 1 << kSubBits;
    static constexpr int kMaxShift = 21;  // buckets reach 2^27 µs (134 s)
    static constexpr int kBuckets = kSub * (kMaxShift + 2);

    static constexpr int Bucket(uint64_t us) {
        if (us < 2 * kSub) return static_cast<int>(us);
        const int shift = std::bit_width(us) - (kSubBits + 1);
        if (shift > kMaxShift) return kBuckets - 1;
        return kSub * shift + static_cast<int>(us >> shift);
    }
    // The smallest delay in bucket `b` and the width of the bucket, in microseconds.
    static constexpr uint64_t BucketStart(int b) {
        if (b < 2 * kSub) return static_cast<uint64_t>(b);
        const int shift = b / kSub - 1;
        return static_cast<uint64_t>(b - kSub * shift) << shift;
    }
    static constexpr uint64_t BucketWidth(int b) { return b < 2 * kSub ? 1 : uint64_t{1} << (b / kSub - 1); }

    struct Snapshot {
        std::array<uint32_t, kBuckets> counts{};

        uint64_t Count() const {
            uint64_t n = 0;
            for (uint32_t c : counts) n += c;
            return n;
        }
        // The delay below which the fraction `q` (0..1) of the recorded delays lie, in
        // microseconds (the middle of its bucket); 0 when nothing was recorded.
        double Quantile(double q) const {
            const uint64_t n = Count();
            if (n == 0) return 0;
            const uint64_t rank = std::max<uint64_t>(1, static_cast<uint64_t>(q * double(n) + 0.999999));
            uint64_t seen = 0;
            for (int b = 0; b < kBuckets; ++b) {
                seen += counts[b];
                if (seen >= rank) return double(BucketStart(b)) + double(BucketWidth(b) - 1) / 2;
            }
            return double(BucketStart(kBuckets - 1));
        }
        // What was recorded after `earlier` was taken.
        Snapshot Since(const Snapshot& earlier) const {
            Snapshot d;
            for (int b = 0; b < kBuckets; ++b) d.counts[b] = counts[b] - earlier.counts[b];
            return d;
        }
    };

    void Record(uint64_t us) { counts_[Bucket(us)].fetch_add(1, std::memory_order_relaxed); }
    // Records the time from `sinceNs` (a NowNs value) to now; nothing when `sinceNs` is 0.
    void RecordSince(int64_t sinceNs) {
        if (sinceNs == 0) return;
        const int64_t ns = NowNs() - sinceNs;
        Record(ns > 0 ? static_cast<uint64_t>(ns) / 1000 : 0);
    }
    Snapshot Take() const {
        Snapshot s;
        for (int b = 0; b < kBuckets; ++b) s.counts[b] = counts_[b].load(std::memory_order_relaxed);
        return s;
    }

    // The monotonic clock in nanoseconds, as time stamps for RecordSince.
    static int64_t NowNs() {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

  private:
    std::array<std::atomic<uint32_t>, kBuckets> counts_{};
};

static_assert(DelayHistogram::Bucket(63) == 63 && DelayHistogram::Bucket(64) == 64);
static_assert(DelayHistogram::BucketStart(DelayHistogram::Bucket(40000)) <= 40000 &&
              40000 < DelayHistogram::BucketStart(DelayHistogram::Bucket(40000)) +
                          DelayHistogram::BucketWidth(DelayHistogram::Bucket(40000)));
static_assert(DelayHistogram::Bucket(uint64_t{1} << 40) == DelayHistogram::kBuckets - 1);

}  // namespace nimbrel
