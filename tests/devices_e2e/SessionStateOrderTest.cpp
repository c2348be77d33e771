// The session's state as its listener hears it: announcements from two threads reach the
// listener in the order the state changed, so that the last news it had is the state.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "service/AppRecord.h"
#include "service/GlobalSettings.h"
#include "service/SessionRecovery.h"

namespace nimbrel::test {
namespace {

using namespace std::chrono_literals;
using State = SessionRecovery::State;

TEST(SessionStateOrder, TheListenerHearsTheLastChangeLast) {
    GlobalSettings g;
    AppRecord app;
    SessionRecovery recovery(g, app, {});
    const uint64_t generation = recovery.Generation();

    // The listener is slow to hand the loss on: while it does, the other thread's answer comes.
    std::mutex lock;
    std::condition_variable changed;
    std::vector<State> heard;
    bool answerReturned = false;
    recovery.SetListener([&](State state) {
        std::unique_lock guard(lock);
        if (state == State::Reconnecting)
            changed.wait_for(guard, 300ms, [&] { return answerReturned; });
        heard.push_back(state);
    });

    std::thread failing([&] { recovery.RequestFailed(generation); });
    {
        // The loss is being announced (the state has changed), not yet heard.
        const auto until = std::chrono::steady_clock::now() + 10s;
        while (recovery.CurrentState() != State::Reconnecting &&
               std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(1ms);
        ASSERT_EQ(recovery.CurrentState(), State::Reconnecting);
    }
    recovery.RequestAnswered(generation);
    {
        std::lock_guard guard(lock);
        answerReturned = true;
    }
    changed.notify_all();
    failing.join();

    EXPECT_EQ(recovery.CurrentState(), State::Connected);
    std::lock_guard guard(lock);
    ASSERT_FALSE(heard.empty());
    EXPECT_EQ(heard.back(), State::Connected)
        << "the listener heard the loss after the answer that ended it";
}

}  // namespace
}  // namespace nimbrel::test
