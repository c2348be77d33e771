// The threads of a server's open connections: one per connection, reaped when they end, all
// joined when the server stops, and a cap on how many may run at once.
// Threading: Start and JoinAll from the server's threads; the bodies run on their own.
#pragma once

#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace nimbrel::sim {

class ConnectionThreads {
  public:
    static constexpr std::size_t kMaxConnections = 64;

    ~ConnectionThreads() { JoinAll(); }

    // Runs `body` on a new thread named `name` (at most 15 characters); false when the cap is
    // reached and nothing was started.
    bool Start(const std::string& name, std::function<void()> body);
    // Waits for every thread; their bodies must end by themselves (the run's stop flag).
    void JoinAll();

  private:
    struct Entry {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    void ReapLocked();

    std::mutex lock_;
    std::list<Entry> entries_;
};

}  // namespace nimbrel::sim
