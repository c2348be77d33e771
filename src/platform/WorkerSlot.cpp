#include "platform/WorkerSlot.h"

#include <pthread.h>

#include <system_error>

namespace nimbrel {

WorkerSlot::~WorkerSlot() {
    Cancel();
    std::thread finished;
    {
        std::lock_guard guard(lock_);
        finished = std::move(thread_);
    }
    if (finished.joinable()) finished.join();
}

bool WorkerSlot::Start(std::function<void()> job) {
    std::lock_guard guard(lock_);
    if (running_ || cancel_) return false;
    // A previous job has ended (running_ is cleared under this lock as its last act), so this
    // join returns at once.
    if (thread_.joinable()) thread_.join();
    try {
        thread_ = std::thread([this, job = std::move(job)] {
            pthread_setname_np(pthread_self(), name_.substr(0, 15).c_str());
            job();
            std::lock_guard done(lock_);
            running_ = false;
            idle_.notify_all();
        });
    } catch (const std::system_error&) {
        return false;
    }
    running_ = true;
    return true;
}

bool WorkerSlot::Running() const {
    std::lock_guard guard(lock_);
    return running_;
}

bool WorkerSlot::WaitIdle(std::chrono::milliseconds limit) {
    std::unique_lock guard(lock_);
    return idle_.wait_for(guard, limit, [this] { return !running_; });
}

}  // namespace nimbrel
