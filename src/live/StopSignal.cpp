#include "live/StopSignal.h"

namespace nimbrel {

void StopSignal::Raise() {
    {
        std::lock_guard guard(lock_);
        raised_ = true;
    }
    wake_.notify_all();
}

void StopSignal::Clear() {
    std::lock_guard guard(lock_);
    raised_ = false;
}

bool StopSignal::SleepFor(std::chrono::milliseconds duration) {
    std::unique_lock lock(lock_);
    return !wake_.wait_for(lock, duration, [this] { return raised_.load(); });
}

}  // namespace nimbrel
