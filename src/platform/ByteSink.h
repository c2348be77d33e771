// Where a file writer's bytes go: appended in order, asked now and then to make what it holds
// durable, and finished once. A real file implements it; tests put in sinks that fail on cue.
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
    // What was written so far should reach the disk soon; returns without waiting for it.
    virtual void Commit() = 0;
    // Everything written is on the disk and the sink is closed; false when that failed.
    virtual bool Finish() = 0;
};

}  // namespace nimbrel
