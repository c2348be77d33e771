// A dialog's request run on a thread of its own, whose result can be abandoned at any moment
// without waiting for the request: once Abandon() returns, the result will never be delivered,
// so a cancelled or closed dialog is never touched by its late worker.
// Threading: Start, Running, Abandon and Wait from any thread. The work function runs on the
// new thread and must not touch the dialog; the deliver function runs on the same thread after
// it, under the run's lock, only when the run was not abandoned.
#pragma once

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
    // run was abandoned. False when a run is still pending or no thread could be started.
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
    mutable std::mutex lock_;  // guards run_
    std::shared_ptr<Run> run_;
};

}  // namespace nimbrel
