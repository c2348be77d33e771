#include "platform/RequestWorker.h"

#include <openssl/crypto.h>
#include <pthread.h>

#include <condition_variable>
#include <system_error>
#include <thread>

namespace nimbrel {
namespace {

// The count of worker threads still running. Detached threads touch it as their last act, possibly
// while the process is already running its exit handlers, so it is never destroyed.
struct LiveThreads {
    std::mutex lock;
    std::condition_variable changed;
    int count = 0;
};
LiveThreads& Live() {
    static LiveThreads* live = new LiveThreads;
    return *live;
}

// The run whose result this thread is delivering, if any.
thread_local const void* tDelivering = nullptr;

}  // namespace

struct RequestWorker::Run {
    std::mutex lock;  // held while the result is delivered
    std::condition_variable finished;
    std::atomic<bool> done{false};  // delivered, or ended after being abandoned
    std::atomic<bool> abandoned{false};
    bool ended = false;  // the thread let go of the work and its result; under `lock`
};

bool RequestWorker::StartRun(Job job) {
    std::lock_guard guard(lock_);
    if (Cancelled() || (run_ && !run_->done && !run_->abandoned)) return false;
    auto run = std::make_shared<Run>();
    {
        std::lock_guard live(Live().lock);
        ++Live().count;
    }
    try {
        // The thread holds the cancel flag too: an abandoning owner may go before its work ends.
        std::thread thread([run, cancel = cancel_, job = std::move(job),
                            name = name_.substr(0, 15)]() mutable {
            pthread_setname_np(pthread_self(), name.c_str());
            std::function<void()> deliver = job();
            {
                std::lock_guard runGuard(run->lock);
                if (!run->abandoned) {
                    tDelivering = run.get();
                    deliver();
                    tDelivering = nullptr;
                }
                run->done = true;
            }
            run->finished.notify_all();
            deliver = nullptr;  // the result and what it holds go before the thread counts as ended
            job = nullptr;
            {
                std::lock_guard runGuard(run->lock);
                run->ended = true;
            }
            run->finished.notify_all();
            // The crypto library's per-thread state (random generators, error queue) would
            // otherwise be freed by the thread's exit handlers, which may run while a process that
            // waited for its workers is already tearing the library down.
            OPENSSL_thread_stop();
            std::lock_guard live(Live().lock);
            --Live().count;
            Live().changed.notify_all();
        });
        thread.detach();
    } catch (const std::system_error&) {
        std::lock_guard live(Live().lock);
        --Live().count;
        Live().changed.notify_all();
        return false;
    }
    run_ = run;
    lastRun_ = std::move(run);
    return true;
}

bool RequestWorker::Running() const {
    std::lock_guard guard(lock_);
    return run_ && !run_->abandoned && !run_->done;
}

void RequestWorker::Abandon() {
    std::shared_ptr<Run> run;
    {
        std::lock_guard guard(lock_);
        run = std::move(run_);
    }
    if (!run) return;
    run->abandoned = true;
    // The worker's own thread holds the run's lock while delivering: it must not wait for it.
    // Any other thread takes the lock once, which waits out a delivery under way.
    if (tDelivering == run.get()) return;
    { std::lock_guard runGuard(run->lock); }
    run->finished.notify_all();
}

void RequestWorker::Cancel() {
    {
        std::lock_guard guard(lock_);
        *cancel_ = true;
    }
    Abandon();
}

void RequestWorker::CancelAndWait() {
    Cancel();
    std::shared_ptr<Run> run;
    {
        std::lock_guard guard(lock_);
        run = lastRun_;
    }
    if (!run || tDelivering == run.get()) return;
    std::unique_lock runGuard(run->lock);
    run->finished.wait(runGuard, [&] { return run->ended; });
}

bool RequestWorker::Wait(std::chrono::milliseconds limit) const {
    std::shared_ptr<Run> run;
    {
        std::lock_guard guard(lock_);
        run = run_;
    }
    if (!run) return true;
    std::unique_lock runGuard(run->lock);
    return run->finished.wait_for(runGuard, limit,
                                  [&] { return run->done || run->abandoned.load(); });
}

int RequestWorker::LiveThreads() {
    std::lock_guard live(Live().lock);
    return Live().count;
}

bool RequestWorker::WaitForAllThreads(std::chrono::milliseconds limit) {
    std::unique_lock live(Live().lock);
    return Live().changed.wait_for(live, limit, [] { return Live().count == 0; });
}

}  // namespace nimbrel
