#include "platform/PeriodicTimer.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace nimbrel {
namespace {

using namespace std::chrono_literals;

// Counts callbacks and lets the test wait for a number of them (generous limit: the machine
// may be busy; the limit is never what is measured).
class TickCounter {
  public:
    void Tick() {
        std::lock_guard guard(lock_);
        ++count_;
        changed_.notify_all();
    }
    bool WaitFor(int count) {
        std::unique_lock guard(lock_);
        return changed_.wait_for(guard, 30s, [&] { return count_ >= count; });
    }
    int Count() {
        std::lock_guard guard(lock_);
        return count_;
    }

  private:
    std::mutex lock_;
    std::condition_variable changed_;
    int count_ = 0;
};

TEST(PeriodicTimer, FiresUntilStoppedAndNeverAfter) {
    TickCounter ticks;
    PeriodicTimer timer("test-tick");
    ASSERT_TRUE(timer.Start(2, [&] { ticks.Tick(); }));
    EXPECT_TRUE(timer.Running());
    ASSERT_TRUE(ticks.WaitFor(5));
    timer.Stop();
    EXPECT_FALSE(timer.Running());
    const int stopped = ticks.Count();
    EXPECT_EQ(timer.Ticks(), static_cast<uint64_t>(stopped));
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(ticks.Count(), stopped);

    // It can be started again.
    ASSERT_TRUE(timer.Start(2, [&] { ticks.Tick(); }));
    ASSERT_TRUE(ticks.WaitFor(stopped + 2));
}

TEST(PeriodicTimer, RefusesABadPeriodAndASecondStart) {
    PeriodicTimer timer;
    EXPECT_FALSE(timer.Start(0, [] {}));
    EXPECT_FALSE(timer.Start(-5, [] {}));
    EXPECT_FALSE(timer.Start(5, nullptr));
    EXPECT_FALSE(timer.Running());
    // A period far longer than any test: Stop must wake the waiting thread rather than wait
    // for the deadline (if it did not, the test would hang until CTest's time-out).
    ASSERT_TRUE(timer.Start(3600 * 1000, [] {}));
    EXPECT_FALSE(timer.Start(5, [] {}));
    timer.Stop();
    timer.Stop();  // twice is harmless
    EXPECT_EQ(timer.Ticks(), 0u);
}

TEST(PeriodicTimer, RunsOnANamedThread) {
    std::mutex lock;
    std::string name;
    TickCounter ticks;
    PeriodicTimer timer("cam12-tick-and-more");
    ASSERT_TRUE(timer.Start(1, [&] {
        char buffer[32] = {};
        pthread_getname_np(pthread_self(), buffer, sizeof buffer);
        {
            std::lock_guard guard(lock);
            name = buffer;
        }
        ticks.Tick();
    }));
    ASSERT_TRUE(ticks.WaitFor(1));
    timer.Stop();
    EXPECT_EQ(name, "cam12-tick-and-");  // the first 15 characters
}

TEST(PeriodicTimer, StopFromTheCallbackEndsTheTimer) {
    TickCounter ticks;
    PeriodicTimer timer;
    ASSERT_TRUE(timer.Start(1, [&] {
        timer.Stop();
        ticks.Tick();
    }));
    ASSERT_TRUE(ticks.WaitFor(1));
    EXPECT_FALSE(timer.Running());
    // Collects the finished thread.
    timer.Stop();
    EXPECT_EQ(ticks.Count(), 1);
    EXPECT_EQ(timer.Ticks(), 1u);
}

TEST(PeriodicTimer, DestroyedFromItsOwnCallback) {
    TickCounter ticks;
    auto timer = std::make_unique<PeriodicTimer>();
    PeriodicTimer* raw = timer.get();
    std::unique_ptr<PeriodicTimer> holder;
    std::mutex lock;
    {
        std::lock_guard guard(lock);
        holder = std::move(timer);
    }
    ASSERT_TRUE(raw->Start(1, [&] {
        std::unique_ptr<PeriodicTimer> mine;
        {
            std::lock_guard guard(lock);
            mine = std::move(holder);
        }
        mine.reset();  // the timer is gone; its thread still has to finish this tick
        ticks.Tick();
    }));
    ASSERT_TRUE(ticks.WaitFor(1));
    // The detached thread ends by itself; give it a moment so that sanitizers see it finish.
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(ticks.Count(), 1);
}

TEST(PeriodicTimer, SkipsTicksItFellBehindOnInsteadOfBursting) {
    TickCounter ticks;
    PeriodicTimer timer;
    // The first callback blocks for at least five periods; the timer then is at least four
    // deadlines behind and must skip them.
    ASSERT_TRUE(timer.Start(10, [&] {
        if (ticks.Count() == 0) std::this_thread::sleep_for(50ms);
        ticks.Tick();
    }));
    ASSERT_TRUE(ticks.WaitFor(2));
    timer.Stop();
    EXPECT_GE(timer.Skipped(), 4u);
}

TEST(PeriodicTimer, AShiftMovesTheNextTickAndTheOnesAfterIt) {
    // Ticks are never early: each comes at or after its deadline, start + k periods, and after
    // a shift of 100 ms at or after that plus 100 ms. (A late machine can only make them later.)
    constexpr auto kPeriod = 200ms;
    std::mutex lock;
    std::condition_variable changed;
    std::vector<std::chrono::steady_clock::duration> at;
    PeriodicTimer timer("test-tick");
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(timer.Start(200, [&] {
        std::lock_guard guard(lock);
        at.push_back(std::chrono::steady_clock::now() - start);
        if (at.size() == 2) timer.Shift(100ms);  // from the callback, as the display tick does
        changed.notify_all();
    }));
    std::unique_lock guard(lock);
    ASSERT_TRUE(changed.wait_for(guard, 30s, [&] { return at.size() >= 5; }));
    guard.unlock();  // a callback may be waiting for the lock; Stop waits for the callback
    timer.Stop();
    for (std::size_t k = 0; k < 5; ++k)
        EXPECT_GE(at[k], kPeriod * int(k + 1) + (k >= 2 ? 100ms : 0ms)) << "tick " << k + 1;
}

}  // namespace
}  // namespace nimbrel
