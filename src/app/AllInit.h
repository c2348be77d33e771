// The main window's start-up worker: loads the device list (with the LAN marks), fills the tree
// (which starts the periodic refresh), waits for the UDP network probe, and, when the account
// plays automatically, starts the live view of every online, unlocked device, 150 ms apart.
// Threading: Start and Stop on the UI thread; the work runs on its own thread "all-init". Stop
// cuts a running request short and waits for the thread.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "app/ClientSession.h"

namespace nimbrel {

class AllInit {
  public:
    enum class Stage { NotStarted, Loading, Filled, ProbeWaited, Playing, Done, Failed };

    struct Options {
        std::chrono::milliseconds playGap{150};
        std::chrono::milliseconds refreshPeriod = std::chrono::minutes(5);
    };

    explicit AllInit(ClientSession& session) : AllInit(session, Options{}) {}
    AllInit(ClientSession& session, Options options);
    ~AllInit();
    AllInit(const AllInit&) = delete;
    AllInit& operator=(const AllInit&) = delete;

    void Start();
    void Stop();
    Stage CurrentStage() const { return stage_; }
    // Waits until the worker has ended; false when `limit` passed first.
    bool WaitDone(std::chrono::milliseconds limit);

    // The devices automatic play starts, in list order: online and not locked.
    static bool PlaysAutomatically(const DeviceRecord& device);

  private:
    void Run();
    bool Pause(std::chrono::milliseconds gap);
    void Finish(Stage stage);

    ClientSession& session_;
    const Options options_;
    std::atomic<Stage> stage_{Stage::NotStarted};
    std::atomic<bool> cancel_{false};
    std::mutex lock_;
    std::condition_variable wake_;
    bool stopping_ = false;
    bool done_ = false;
    std::thread thread_;
};

}  // namespace nimbrel
