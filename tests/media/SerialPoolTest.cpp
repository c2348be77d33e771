// The decoding workers shared by many cameras: each lane's jobs run one at a time and in order
// whatever the number of lanes, a lane that is behind refuses the next job, and a closed lane
// runs nothing more, even with a job of it queued or running when it closed.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "Polling.h"
#include "platform/SerialPool.h"

namespace nimbrel::test {
namespace {

using namespace std::chrono_literals;

TEST(SerialPool, EachLanesJobsRunOneAtATimeInTheOrderPosted) {
    SerialPool pool(2);
    struct Source {
        SerialPool::Lane lane;
        std::atomic<int> inside{0};
        std::atomic<bool> overlapped{false};
        std::mutex lock;
        std::vector<int> order;
        int posted = 0;
    };
    std::array<Source, 16> sources;
    for (Source& s : sources) pool.Open(s.lane);
    // Every source posts as fast as the pool takes its jobs; a refused job is posted again.
    constexpr int kJobs = 200;
    for (bool left = true; left;) {
        left = false;
        bool taken = false;
        for (Source& s : sources) {
            if (s.posted == kJobs) continue;
            left = true;
            const int number = s.posted;
            if (pool.Post(s.lane, [&s, number] {
                    if (s.inside.fetch_add(1) != 0) s.overlapped = true;
                    {
                        std::lock_guard guard(s.lock);
                        s.order.push_back(number);
                    }
                    s.inside.fetch_sub(1);
                })) {
                ++s.posted;
                taken = true;
            }
        }
        if (left && !taken) std::this_thread::sleep_for(100us);
    }
    for (Source& s : sources) {
        ASSERT_TRUE(WaitUntil([&] {
            std::lock_guard guard(s.lock);
            return s.order.size() == kJobs;
        }));
        pool.Close(s.lane);
        EXPECT_FALSE(s.overlapped) << "two jobs of one lane ran side by side";
        for (int i = 0; i < kJobs; ++i) ASSERT_EQ(s.order[i], i);
    }
}

TEST(SerialPool, ALaneWithAJobWaitingRefusesTheNext) {
    SerialPool pool(1);
    SerialPool::Lane blocker, lane;
    pool.Open(blocker);
    pool.Open(lane);
    std::atomic<bool> release{false}, started{false};
    ASSERT_TRUE(pool.Post(blocker, [&] {
        started = true;
        while (!release) std::this_thread::sleep_for(1ms);
    }));
    ASSERT_TRUE(WaitUntil([&] { return started.load(); }));
    std::atomic<int> ran{0};
    EXPECT_TRUE(pool.Post(lane, [&] { ++ran; }));
    EXPECT_FALSE(pool.Post(lane, [&] { ++ran; })) << "a second job queued behind the first";
    release = true;
    ASSERT_TRUE(WaitUntil([&] { return ran == 1; }));
    EXPECT_TRUE(pool.Post(lane, [&] { ++ran; }));
    ASSERT_TRUE(WaitUntil([&] { return ran == 2; }));
    pool.Close(lane);
    pool.Close(blocker);
}

// A camera stopped while its tick is queued or running: Close drops the queued job, waits for
// the running one, and afterwards the camera's state may go (ASan sees a job that outlives it).
TEST(SerialPool, CloseWaitsForTheRunningJobAndDropsTheWaitingOne) {
    SerialPool pool(2);
    for (int attempt = 0; attempt < 50; ++attempt) {
        auto camera = std::make_unique<std::array<int, 64>>();
        auto lane = std::make_unique<SerialPool::Lane>();
        pool.Open(*lane);
        std::atomic<bool> running{false};
        std::atomic<int> finished{0};
        // -1 until the second post is decided, then whether it was taken.
        std::atomic<int> secondPosted{-1};
        std::atomic<bool> secondGone{false};
        ASSERT_TRUE(pool.Post(*lane, [&, state = camera.get()] {
            running = true;
            // Holding the lane until the close has dropped the waiting job makes the close come
            // while this job runs, however late the test's thread gets to it on a loaded machine.
            WaitUntil([&] { return secondPosted.load() != -1; }, 10s);
            if (secondPosted == 1) WaitUntil([&] { return secondGone.load(); }, 10s);
            (*state)[0] += 1;
            ++finished;
        }));
        // The second job waits behind the first; the close must drop it. Its capture tells when
        // the job is gone: dropped by the close, or refused by the post.
        std::shared_ptr<int> goneMark(new int(0), [&](int* mark) {
            delete mark;
            secondGone = true;
        });
        const bool posted = pool.Post(
            *lane, [state = camera.get(), mark = std::move(goneMark)] { (*state)[1] += 1; });
        secondPosted = posted ? 1 : 0;
        if (attempt % 2 == 0) WaitUntil([&] { return running.load(); });
        pool.Close(*lane);
        const int after = finished;
        EXPECT_EQ((*camera)[1], 0) << "the waiting job ran after the close";
        EXPECT_FALSE(pool.Post(*lane, [] {})) << "a closed lane took a job";
        lane.reset();
        camera.reset();
        EXPECT_EQ(finished, after) << "a job ran after the close returned";
        if (running) {
            EXPECT_EQ(after, 1);
        }
    }
}

TEST(SerialPool, CloseFromInsideTheLanesOwnJobDoesNotWaitForItself) {
    SerialPool pool(1);
    SerialPool::Lane lane;
    pool.Open(lane);
    std::atomic<bool> done{false};
    ASSERT_TRUE(pool.Post(lane, [&] {
        pool.Close(lane);
        done = true;
    }));
    ASSERT_TRUE(WaitUntil([&] { return done.load(); }, 10s));
    EXPECT_FALSE(pool.Post(lane, [] {}));
    pool.Close(lane);
}

}  // namespace
}  // namespace nimbrel::test
