#include "RequestLog.h"

#include <cerrno>
#include <cstring>

namespace nimbrel::sim {

Result<std::unique_ptr<RequestLog>> RequestLog::Open(const std::filesystem::path& path) {
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (!file)
        return Result<std::unique_ptr<RequestLog>>::Fail(
            "cannot create the request log " + path.string() + ": " + std::strerror(errno));
    return Result<std::unique_ptr<RequestLog>>::Ok(
        std::unique_ptr<RequestLog>(new RequestLog(file, path)));
}

RequestLog::~RequestLog() {
    std::fclose(file_);
}

void RequestLog::Write(const OrderedJson& line) {
    const std::string text = line.Dump() + "\n";
    std::lock_guard<std::mutex> hold(lock_);
    std::fwrite(text.data(), 1, text.size(), file_);
    std::fflush(file_);
}

}  // namespace nimbrel::sim
