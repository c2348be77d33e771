// A new file written front to back that survives a crash or a power cut up to its last commit:
// every write goes straight to the kernel (nothing is buffered in the process), and a commit
// wakes a background thread that flushes the data to the disk, so the writer never waits for
// the disk. Finish flushes the rest and the folder entry of the new file. A file removed from
// its folder (the folder vanished) refuses further writes.
// Threading: Write, Commit and Finish from one thread at a time; the flushing thread is private.
#pragma once

#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/ByteSink.h"

namespace nimbrel {

class DurableFile : public ByteSink {
  public:
    // Creates `path`, which must not exist yet (two writers never share a file). Null, with
    // the reason in `error`, when it cannot be created.
    static std::unique_ptr<DurableFile> Create(const std::filesystem::path& path,
                                               std::string& error);
    ~DurableFile() override;
    DurableFile(const DurableFile&) = delete;
    DurableFile& operator=(const DurableFile&) = delete;

    bool Write(const uint8_t* data, std::size_t size) override;
    void Commit() override;
    bool Finish() override;

  private:
    DurableFile(int fd, std::filesystem::path folder);
    void FlushLoop();

    int fd_;
    std::filesystem::path folder_;
    bool broken_ = false;
    bool finished_ = false;

    std::mutex lock_;
    std::condition_variable wake_;
    bool flushWanted_ = false;  // under lock_
    bool ending_ = false;       // under lock_
    std::thread flusher_;       // started by the first commit
};

}  // namespace nimbrel
