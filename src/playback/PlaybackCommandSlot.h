// The one control request a playback's sender thread has to send: a jump to a second of the
// recording, play or pause. A request posted before the sender took the previous one replaces
// it, so two presses faster than the sender sends leave only the later one.
// Threading: Post and Close from any thread; Wait from the one sender thread.
#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>

namespace nimbrel {

class PlaybackCommandSlot {
  public:
    enum class Kind { Jump, Play, Pause };
    struct Command {
        Kind kind = Kind::Play;
        int seekSeconds = 0;  // for Jump
        bool operator==(const Command&) const = default;
    };

    // Replaces a request not yet taken and wakes the sender. Ignored after Close.
    void Post(Command command);
    // Waits for a request and takes it; nothing once the slot is closed.
    std::optional<Command> Wait();
    // Wakes the sender for good.
    void Close();
    // Opens the slot again, empty, for the next playback.
    void Reset();

  private:
    std::mutex lock_;
    std::condition_variable wake_;
    std::optional<Command> pending_;
    bool closed_ = false;
};

}  // namespace nimbrel
