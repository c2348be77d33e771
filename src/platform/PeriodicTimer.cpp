#include "platform/PeriodicTimer.h"

#include <pthread.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <utility>

namespace nimbrel {
namespace {
using Clock = std::chrono::steady_clock;
}  // namespace

// Shared by the owner and the thread, so that a thread that outlives its owner (stopped and
// destroyed from its own callback) still has what it reads.
struct PeriodicTimer::State {
    std::mutex lock;
    std::condition_variable wake;
    bool stop = false;
    Clock::duration shift{0};  // asked for by Shift, not yet applied
    std::atomic<uint64_t> ticks{0};
    std::atomic<uint64_t> skipped{0};
};

PeriodicTimer::~PeriodicTimer() {
    if (thread_.joinable() && thread_.get_id() == std::this_thread::get_id()) {
        Stop();
        thread_.detach();  // the thread holds its own share of the state
        return;
    }
    Stop();
}

bool PeriodicTimer::Start(int periodMs, std::function<void()> callback) {
    if (periodMs <= 0 || !callback) return false;
    if (thread_.joinable() && thread_.get_id() == std::this_thread::get_id()) return false;
    if (Running()) return false;
    Collect();

    auto state = std::make_shared<State>();
    const Clock::duration period = std::chrono::milliseconds(periodMs);
    // The thread takes this lock before its first callback, so that a callback that stops or
    // destroys the timer finds thread_ and state_ already set.
    std::lock_guard starting(state->lock);
    try {
        thread_ = std::thread(
            [state, period, name = name_.substr(0, 15), callback = std::move(callback)] {
                pthread_setname_np(pthread_self(), name.c_str());
                Clock::time_point deadline = Clock::now() + period;
                std::unique_lock guard(state->lock);
                for (;;) {
                    state->wake.wait_until(guard, deadline, [&] {
                        return state->stop || state->shift != Clock::duration::zero();
                    });
                    if (state->stop) return;
                    if (state->shift != Clock::duration::zero()) {
                        deadline += std::exchange(state->shift, Clock::duration::zero());
                        continue;
                    }
                    guard.unlock();
                    callback();
                    state->ticks.fetch_add(1, std::memory_order_relaxed);
                    // The next deadline follows from the last one, not from now. A tick that ran
                    // late is not made up for; one that is more than a period behind moves on to
                    // the latest deadline that has passed.
                    deadline += period;
                    const Clock::duration behind = Clock::now() - deadline;
                    if (behind >= period) {
                        const auto missed = behind / period;
                        deadline += missed * period;
                        state->skipped.fetch_add(static_cast<uint64_t>(missed),
                                                 std::memory_order_relaxed);
                    }
                    guard.lock();
                }
            });
    } catch (const std::system_error&) {
        return false;
    }
    state_ = state;
    return true;
}

void PeriodicTimer::Stop() {
    if (state_) {
        std::lock_guard guard(state_->lock);
        state_->stop = true;
        state_->wake.notify_all();
    }
    if (thread_.joinable() && thread_.get_id() == std::this_thread::get_id()) return;
    Collect();
}

void PeriodicTimer::Collect() {
    if (thread_.joinable()) thread_.join();
}

bool PeriodicTimer::Running() const {
    if (!state_) return false;
    std::lock_guard guard(state_->lock);
    return !state_->stop;
}

void PeriodicTimer::Shift(std::chrono::nanoseconds delta) {
    if (!state_) return;
    std::lock_guard guard(state_->lock);
    state_->shift += std::chrono::duration_cast<Clock::duration>(delta);
    state_->wake.notify_all();
}

uint64_t PeriodicTimer::Ticks() const {
    return state_ ? state_->ticks.load(std::memory_order_relaxed) : 0;
}

uint64_t PeriodicTimer::Skipped() const {
    return state_ ? state_->skipped.load(std::memory_order_relaxed) : 0;
}

}  // namespace nimbrel
