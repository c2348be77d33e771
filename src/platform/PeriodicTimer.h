// A periodic timer on its own named thread: the callback runs at start + k × period on the
// monotonic clock, so lateness of one tick never shifts the later ones. A timer that falls more
// than a period behind skips the missed ticks instead of running them in a burst.
// Threading: Start and Stop from one controlling thread at a time, not the timer's own (Stop
// from inside the callback is allowed, see Stop); the callback runs on the timer's thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace nimbrel {

class PeriodicTimer {
  public:
    // `name` names the thread (at most 15 characters are kept), for example "cam3-tick".
    explicit PeriodicTimer(std::string name = "timer") : name_(std::move(name)) {}
    // Stops the timer. Run on the timer's own thread (from the callback), it only marks it
    // stopped and lets the thread end by itself.
    ~PeriodicTimer();
    PeriodicTimer(const PeriodicTimer&) = delete;
    PeriodicTimer& operator=(const PeriodicTimer&) = delete;

    void SetName(std::string name) { name_ = std::move(name); }

    // Calls `callback` every `periodMs` milliseconds, the first time one period from now.
    // False when the period is not positive, the timer already runs, Start is called from the
    // callback, or no thread can be started.
    bool Start(int periodMs, std::function<void()> callback);

    // Ends the timer; once it returns the callback runs no more. It waits for a callback that
    // is running, and no longer: a waiting timer wakes at once. Called from inside the callback
    // it cannot wait for itself: it marks the timer stopped, returns at once, and the thread
    // ends when the callback returns (the next Start, Stop or the destructor on another thread
    // collects it).
    void Stop();

    // Moves the ticks by `delta` (later when positive): the next one comes `delta` after it was
    // due, the later ones a period apart from it. From any thread, the callback's included.
    void Shift(std::chrono::nanoseconds delta);

    bool Running() const;
    // Callbacks run since Start, and ticks skipped because the timer fell behind.
    uint64_t Ticks() const;
    uint64_t Skipped() const;

  private:
    struct State;
    void Collect();

    std::string name_;
    std::shared_ptr<State> state_;
    std::thread thread_;
};

}  // namespace nimbrel
