// A new file written front to back that survives a crash or a power cut up to its last good
// flush: every write goes straight to the kernel (nothing is buffered in the process), and Sync
// waits until the data is on the disk and says whether it got there, so a lost write-back is
// seen. Finish flushes the rest and the folder entry of the new file. The file is its owner's
// alone (mode 0600) and never takes the place of another: a taken name gets a number. A file
// removed from its folder (the folder vanished) refuses further writes. Writes and flushes go
// through the injected faults of FileFaults.
// Threading: one thread at a time (the recording's writer).
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "platform/ByteSink.h"

namespace nimbrel {

class DurableFile : public ByteSink {
  public:
    // The most numbered names tried after a taken one.
    static constexpr int kMaxNumber = 999;

    // Creates `path`, or when that name is taken the first free one of "<stem>-2<extension>",
    // "<stem>-3<extension>", ... Null, with the reason in `error`, when none can be created.
    static std::unique_ptr<DurableFile> Create(const std::filesystem::path& path,
                                               std::string& error);
    ~DurableFile() override;
    DurableFile(const DurableFile&) = delete;
    DurableFile& operator=(const DurableFile&) = delete;

    // The name the file was created under.
    const std::filesystem::path& Path() const { return path_; }

    bool Write(const uint8_t* data, std::size_t size) override;
    bool Sync() override;
    bool Truncate(uint64_t size) override;
    bool Finish() override;

  private:
    DurableFile(int fd, std::filesystem::path path);

    int fd_;
    std::filesystem::path path_;
    bool broken_ = false;
    bool finished_ = false;
    bool folderSynced_ = false;
};

}  // namespace nimbrel
