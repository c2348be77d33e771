// Where a file writer's bytes go: appended in order, flushed to the disk when the writer asks (and
// told whether that worked), cut back to an earlier length, and finished once. A real file
// implements it; tests put in sinks that fail on cue.
// Threading: one thread at a time (the writer's).
#pragma once

#include <cstddef>
#include <cstdint>

namespace nimbrel {

class ByteSink {
  public:
    virtual ~ByteSink() = default;
    // Appends `size` bytes; false when not all of them could be written (the sink is then
    // broken and takes nothing more).
    virtual bool Write(const uint8_t* data, std::size_t size) = 0;
    // Waits until what was written is on the disk; false when it could not be put there.
    virtual bool Sync() = 0;
    // Cuts the content back to its first `size` bytes; false when that failed.
    virtual bool Truncate(uint64_t size) = 0;
    // Everything kept is on the disk and the sink is closed; false when that failed.
    virtual bool Finish() = 0;
};

}  // namespace nimbrel
