#include "camera/ConnectionThreads.h"

#include <pthread.h>

namespace nimbrel::sim {

void ConnectionThreads::ReapLocked() {
    for (auto it = entries_.begin(); it != entries_.end();) {
        if (it->done->load()) {
            it->thread.join();
            it = entries_.erase(it);
        } else {
            ++it;
        }
    }
}

bool ConnectionThreads::Start(const std::string& name, std::function<void()> body) {
    std::lock_guard<std::mutex> guard(lock_);
    ReapLocked();
    if (entries_.size() >= kMaxConnections) return false;
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::thread thread([body = std::move(body), done, name]() {
        pthread_setname_np(pthread_self(), name.substr(0, 15).c_str());
        body();
        done->store(true);
    });
    entries_.push_back({std::move(thread), std::move(done)});
    return true;
}

void ConnectionThreads::JoinAll() {
    std::list<Entry> entries;
    {
        std::lock_guard<std::mutex> guard(lock_);
        entries.swap(entries_);
    }
    for (auto& e : entries)
        if (e.thread.joinable()) e.thread.join();
}

}  // namespace nimbrel::sim
