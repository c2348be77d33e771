#include "playback/PlaybackCommandSlot.h"

#include <utility>

namespace nimbrel {

void PlaybackCommandSlot::Post(Command command) {
    {
        std::lock_guard guard(lock_);
        if (closed_) return;
        pending_ = command;
    }
    wake_.notify_one();
}

std::optional<PlaybackCommandSlot::Command> PlaybackCommandSlot::Wait() {
    std::unique_lock guard(lock_);
    wake_.wait(guard, [&] { return closed_ || pending_.has_value(); });
    if (closed_) return std::nullopt;
    return std::exchange(pending_, std::nullopt);
}

void PlaybackCommandSlot::Close() {
    {
        std::lock_guard guard(lock_);
        closed_ = true;
        pending_.reset();
    }
    wake_.notify_all();
}

void PlaybackCommandSlot::Reset() {
    std::lock_guard guard(lock_);
    closed_ = false;
    pending_.reset();
}

}  // namespace nimbrel
