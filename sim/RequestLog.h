// The request log: one JSON line per request the simulator received, flushed at once so that
// tests can read it while the simulator runs.
// Threading: Write may be called from any thread; lines never interleave.
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

#include "OrderedJson.h"
#include "Result.h"

namespace nimbrel::sim {

class RequestLog {
  public:
    // Creates (or truncates) the file.
    static Result<std::unique_ptr<RequestLog>> Open(const std::filesystem::path& path);
    ~RequestLog();
    RequestLog(const RequestLog&) = delete;
    RequestLog& operator=(const RequestLog&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    void Write(const OrderedJson& line);

  private:
    RequestLog(std::FILE* file, std::filesystem::path path) : file_(file), path_(std::move(path)) {}
    std::mutex lock_;
    std::FILE* file_;
    std::filesystem::path path_;
};

}  // namespace nimbrel::sim
