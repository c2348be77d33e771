// A sink in front of a real file that takes `budget` bytes and then fails every write (the
// last one partly), as a disk that fills does. Flushes and cuts go to the file: a cut frees what
// it cuts, as on a real disk.
// Threading: the writer's thread, as any sink.
#pragma once

#include <algorithm>
#include <memory>

#include "platform/ByteSink.h"

namespace nimbrel::test {

class FullDiskSink : public ByteSink {
  public:
    FullDiskSink(std::unique_ptr<ByteSink> file, std::size_t budget)
        : file_(std::move(file)), budget_(budget) {}
    bool Write(const uint8_t* data, std::size_t size) override {
        const std::size_t take = std::min(size, budget_);
        budget_ -= take;
        return file_->Write(data, take) && take == size;
    }
    bool Sync() override { return file_->Sync(); }
    bool Truncate(uint64_t size) override { return file_->Truncate(size); }
    bool Finish() override { return file_->Finish(); }

  private:
    std::unique_ptr<ByteSink> file_;
    std::size_t budget_;
};

}  // namespace nimbrel::test
