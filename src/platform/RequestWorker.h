// A dialog's request run on a thread of its own, one run at a time. Its result can be dropped at
// any moment without waiting for the request (Abandon: a cancelled dialog is never touched by its
// late worker and may start again at once), or the worker can be closed for good (Cancel: later
// starts are refused, the pending result is dropped and transfers that watch CancelFlag() are
// aborted; CancelAndWait also waits for the thread, for owners whose work reads the owner).
// Threading: every method from any thread. The work function runs on the new thread; the deliver
// function runs on the same thread after it, under the run's lock, only when the run was neither
// abandoned nor cancelled.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace nimbrel {

class RequestWorker {
  public:
    // `name` names the thread (at most 15 characters are kept).
    explicit RequestWorker(std::string name) : name_(std::move(name)) {}
    // Abandons the current run; its thread ends on its own when its request does.
    ~RequestWorker() { Abandon(); }
    RequestWorker(const RequestWorker&) = delete;
    RequestWorker& operator=(const RequestWorker&) = delete;

    // Runs `work` on a new thread and then, on that thread, `deliver` with its result unless the
    // run was abandoned. False when a run is still pending, the worker was cancelled or no thread
    // could be started.
    template <class Result>
    bool Start(std::function<Result()> work, std::function<void(Result&)> deliver) {
        return StartRun([work = std::move(work), deliver = std::move(deliver)]() mutable {
            auto result = std::make_shared<Result>(work());
            return std::function<void()>(
                [deliver = std::move(deliver), result] { deliver(*result); });
        });
    }

    // True from Start until the result was delivered or the run abandoned.
    bool Running() const;

    // Drops the pending run: after this returns its deliver function is not running and never
    // will. Waits only for a deliver already under way (never for the request itself). Called
    // from within the deliver function it just marks the run.
    void Abandon();

    // Abandons the pending run, raises CancelFlag() and refuses every later Start. Does not wait
    // for the request.
    void Cancel();
    // Cancel, then waits until the last run's thread has ended. Its work must hand CancelFlag()
    // to its transfers, which then end within about a second.
    void CancelAndWait();
    bool Cancelled() const { return cancel_->load(); }
    // Raised by Cancel; for HttpOptions::cancel of the work's transfers. It outlives the worker
    // for as long as a thread of it runs.
    const std::atomic<bool>& CancelFlag() const { return *cancel_; }

    // Waits until the pending run has delivered or was abandoned; false when `limit` passed
    // first. True at once when nothing is pending.
    bool Wait(std::chrono::milliseconds limit) const;

    // Threads of all workers that have not yet ended, abandoned runs included; and a bounded
    // wait for them, for a tidy process exit and for tests that check what a late worker does.
    static int LiveThreads();
    static bool WaitForAllThreads(std::chrono::milliseconds limit);

  private:
    struct Run;
    using Job = std::function<std::function<void()>()>;
    bool StartRun(Job job);

    std::string name_;
    const std::shared_ptr<std::atomic<bool>> cancel_ = std::make_shared<std::atomic<bool>>(false);
    mutable std::mutex lock_;       // guards run_ and lastRun_
    std::shared_ptr<Run> run_;      // the pending run, until abandoned
    std::shared_ptr<Run> lastRun_;  // the run started last, abandoned or not
};

}  // namespace nimbrel
