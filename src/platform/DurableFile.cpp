#include "platform/DurableFile.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/Log.h"

namespace nimbrel {
namespace {

// The folder entry of a new file is only durable once the folder itself is flushed.
void SyncFolder(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

std::unique_ptr<DurableFile> DurableFile::Create(const std::filesystem::path& path,
                                                 std::string& error) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = path.string() + ": " + std::strerror(errno);
        return nullptr;
    }
    const std::filesystem::path folder =
        path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    return std::unique_ptr<DurableFile>(new DurableFile(fd, folder));
}

DurableFile::DurableFile(int fd, std::filesystem::path folder)
    : fd_(fd), folder_(std::move(folder)) {}

DurableFile::~DurableFile() {
    Finish();
}

bool DurableFile::Write(const uint8_t* data, std::size_t size) {
    if (broken_ || finished_) return false;
    // A file whose folder was removed takes writes that no one will ever read: stop instead.
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || st.st_nlink == 0) {
        NLOG_DEBUG("DurableFile: the file is gone from its folder");
        broken_ = true;
        return false;
    }
    while (size > 0) {
        const ssize_t n = ::write(fd_, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            NLOG_DEBUG("DurableFile: write failed: " << std::strerror(errno));
            broken_ = true;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

void DurableFile::Commit() {
    if (broken_ || finished_) return;
    {
        std::lock_guard guard(lock_);
        flushWanted_ = true;
    }
    if (!flusher_.joinable())
        flusher_ = std::thread(&DurableFile::FlushLoop, this);
    else
        wake_.notify_one();
}

void DurableFile::FlushLoop() {
    pthread_setname_np(pthread_self(), "file-flush");
    SyncFolder(folder_);
    std::unique_lock lock(lock_);
    for (;;) {
        wake_.wait(lock, [this] { return flushWanted_ || ending_; });
        if (!flushWanted_) return;
        flushWanted_ = false;
        lock.unlock();
        ::fdatasync(fd_);  // a failure shows again at the final flush
        lock.lock();
    }
}

bool DurableFile::Finish() {
    if (finished_) return !broken_;
    finished_ = true;
    if (flusher_.joinable()) {
        {
            std::lock_guard guard(lock_);
            ending_ = true;
        }
        wake_.notify_one();
        flusher_.join();
    }
    bool ok = !broken_;
    if (::fdatasync(fd_) != 0) ok = false;
    if (::close(fd_) != 0) ok = false;
    fd_ = -1;
    SyncFolder(folder_);
    return ok;
}

}  // namespace nimbrel
