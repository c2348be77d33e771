// The stop flag of a live view, with sleeps that end as soon as the flag is raised, so that
// every view thread notices a stop at once instead of at the end of its sleep.
// Threading: any thread may raise, clear, test or sleep on it.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace nimbrel {

class StopSignal {
public:
    void Raise();
    void Clear();
    bool IsRaised() const { return raised_.load(); }
    // The flag itself, for transfers that poll it (for example an HTTP request's cancel flag).
    const std::atomic<bool>& Flag() const { return raised_; }

    // Sleeps for `duration`; false when the flag was raised before or during the sleep.
    bool SleepFor(std::chrono::milliseconds duration);

private:
    std::atomic<bool> raised_{false};
    std::mutex lock_;
    std::condition_variable wake_;
};

}  // namespace nimbrel
