// A few worker threads (one per core) that run the jobs of many sources: each source posts to a
// lane of its own, whose jobs run one at a time, in the order posted, on whichever worker is
// free. A wall of cameras decodes on as many threads as the machine has cores instead of one
// thread per camera contending for them.
// Threading: any thread posts and closes. A lane must be closed before it is destroyed, and not
// from inside its own job: Close there only marks it closed (it cannot wait for itself).
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace nimbrel {

class SerialPool {
  public:
    // One source's jobs: at most one running and one waiting. Members under the pool's lock.
    class Lane {
      public:
        Lane() = default;
        Lane(const Lane&) = delete;
        Lane& operator=(const Lane&) = delete;

      private:
        friend class SerialPool;
        std::function<void()> waiting_;
        bool queued_ = false;  // in the pool's ready list
        bool running_ = false;
        bool closed_ = true;
        std::thread::id runner_;
    };

    // `workers` threads, at least one, started at the first post.
    explicit SerialPool(int workers);
    // Runs no more jobs and waits for the ones running.
    ~SerialPool();
    SerialPool(const SerialPool&) = delete;
    SerialPool& operator=(const SerialPool&) = delete;

    // The pool of the live views: one worker per core.
    static SerialPool& Shared();

    // Lets `lane` take jobs (a lane starts closed).
    void Open(Lane& lane);
    // Queues `job` on `lane`. False, with nothing queued, when the lane is closed or a job of it
    // is already waiting (its source posts faster than its jobs run).
    bool Post(Lane& lane, std::function<void()> job);
    // Closes `lane`: drops its waiting job and waits until its running job has returned, so
    // that once Close returns no job of the lane runs and none will.
    void Close(Lane& lane);

  private:
    void Work(std::size_t number);
    bool StartWorkers();  // under lock_

    const int workerCount_;
    std::mutex lock_;
    std::condition_variable ready_;  // a lane was queued, or the pool ends
    std::condition_variable idle_;   // a job returned
    std::deque<Lane*> queue_;
    bool ending_ = false;
    std::vector<std::thread> workers_;
};

}  // namespace nimbrel
