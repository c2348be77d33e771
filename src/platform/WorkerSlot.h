// One background job at a time for a dialog's request worker: starting it, telling whether it
// still runs, and cancelling it when the dialog closes so that its late result is dropped.
// Threading: Start, Cancel and WaitIdle from any thread; the job runs on the slot's own thread.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace nimbrel {

class WorkerSlot {
  public:
    // `name` names the thread (at most 15 characters are kept).
    explicit WorkerSlot(std::string name) : name_(std::move(name)) {}
    // Cancels and waits for a running job. Jobs that pass CancelFlag() to their transfers end
    // within about a second.
    ~WorkerSlot();
    WorkerSlot(const WorkerSlot&) = delete;
    WorkerSlot& operator=(const WorkerSlot&) = delete;

    // Runs `job` on a new thread unless a job still runs or the slot was cancelled.
    bool Start(std::function<void()> job);
    bool Running() const;

    // From now on Start refuses and CancelFlag() reads true. Does not wait.
    void Cancel() { cancel_ = true; }
    bool Cancelled() const { return cancel_.load(); }
    const std::atomic<bool>& CancelFlag() const { return cancel_; }

    // Waits until no job runs; false when `limit` passed first.
    bool WaitIdle(std::chrono::milliseconds limit);

  private:
    std::string name_;
    std::atomic<bool> cancel_{false};
    mutable std::mutex lock_;
    std::condition_variable idle_;
    bool running_ = false;
    std::thread thread_;
};

}  // namespace nimbrel
