#include "platform/SerialPool.h"

#include <pthread.h>

#include <algorithm>
#include <string>
#include <system_error>

namespace nimbrel {

SerialPool::SerialPool(int workers) : workerCount_(std::max(1, workers)) {}

SerialPool::~SerialPool() {
    {
        std::lock_guard guard(lock_);
        ending_ = true;
        for (Lane* lane : queue_) {
            lane->queued_ = false;
            lane->waiting_ = nullptr;
        }
        queue_.clear();
    }
    ready_.notify_all();
    for (std::thread& worker : workers_) worker.join();
}

SerialPool& SerialPool::Shared() {
    static SerialPool pool(static_cast<int>(std::thread::hardware_concurrency()));
    return pool;
}

bool SerialPool::StartWorkers() {
    try {
        while (static_cast<int>(workers_.size()) < workerCount_)
            workers_.emplace_back([this, n = workers_.size()] { Work(n); });
    } catch (const std::system_error&) {
        // Fewer workers than cores still run every lane; none at all runs nothing.
    }
    return !workers_.empty();
}

void SerialPool::Open(Lane& lane) {
    std::lock_guard guard(lock_);
    lane.closed_ = false;
}

bool SerialPool::Post(Lane& lane, std::function<void()> job) {
    {
        std::lock_guard guard(lock_);
        if (ending_ || lane.closed_ || lane.waiting_ || !StartWorkers()) return false;
        lane.waiting_ = std::move(job);
        // A lane whose job runs is queued again by that worker when the job returns, so that
        // the lane's jobs never run side by side.
        if (lane.running_) return true;
        lane.queued_ = true;
        queue_.push_back(&lane);
    }
    ready_.notify_one();
    return true;
}

void SerialPool::Close(Lane& lane) {
    std::unique_lock lock(lock_);
    lane.closed_ = true;
    lane.waiting_ = nullptr;
    if (lane.queued_) {
        std::erase(queue_, &lane);
        lane.queued_ = false;
    }
    if (lane.running_ && lane.runner_ == std::this_thread::get_id()) return;
    idle_.wait(lock, [&] { return !lane.running_; });
}

void SerialPool::Work(std::size_t number) {
    const std::string name = "decode-" + std::to_string(number);
    pthread_setname_np(pthread_self(), name.substr(0, 15).c_str());
    std::unique_lock lock(lock_);
    for (;;) {
        ready_.wait(lock, [&] { return ending_ || !queue_.empty(); });
        if (ending_) return;
        Lane* lane = queue_.front();
        queue_.pop_front();
        lane->queued_ = false;
        std::function<void()> job = std::move(lane->waiting_);
        lane->waiting_ = nullptr;
        lane->running_ = true;
        lane->runner_ = std::this_thread::get_id();
        lock.unlock();
        job();
        job = nullptr;  // what the job holds goes before the lane may be closed and destroyed
        lock.lock();
        lane->running_ = false;
        lane->runner_ = {};
        if (lane->waiting_ && !lane->closed_) {
            lane->queued_ = true;
            queue_.push_back(lane);
            ready_.notify_one();
        }
        idle_.notify_all();
    }
}

}  // namespace nimbrel
