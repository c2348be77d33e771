#include "platform/DurableFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/AtomicFile.h"
#include "platform/FileFaults.h"
#include "platform/Log.h"

namespace nimbrel {
namespace {

std::filesystem::path FolderOf(const std::filesystem::path& path) {
    return path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
}

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
    for (int number = 1; number <= kMaxNumber; ++number) {
        const std::filesystem::path name = NumberedFileName(path, number);
        // O_EXCL: a name is taken only if no one has it, in one step.
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) return std::unique_ptr<DurableFile>(new DurableFile(fd, name));
        if (errno != EEXIST) {
            error = name.string() + ": " + std::strerror(errno);
            return nullptr;
        }
    }
    error = path.string() + ": every numbered name is taken";
    return nullptr;
}

DurableFile::DurableFile(int fd, std::filesystem::path path) : fd_(fd), path_(std::move(path)) {}

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
    if (const int fault = file_faults::Before(file_faults::Operation::Write)) {
        NLOG_DEBUG("DurableFile: write failed: " << std::strerror(fault) << " (injected)");
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

bool DurableFile::Sync() {
    if (finished_) return false;
    int error = file_faults::Before(file_faults::Operation::Sync);
    if (error == 0 && ::fdatasync(fd_) != 0) error = errno;
    if (error != 0) {
        // The kernel tells a lost write-back once: whatever comes later must not hide it.
        NLOG_DEBUG("DurableFile: flush failed: " << std::strerror(error));
        broken_ = true;
        return false;
    }
    if (!folderSynced_) {
        SyncFolder(FolderOf(path_));
        folderSynced_ = true;
    }
    return true;
}

bool DurableFile::Truncate(uint64_t size) {
    if (finished_) return false;
    while (::ftruncate(fd_, static_cast<off_t>(size)) != 0) {
        if (errno == EINTR) continue;
        NLOG_DEBUG("DurableFile: cutting back failed: " << std::strerror(errno));
        return false;
    }
    // Later writes go on from the new end.
    return ::lseek(fd_, static_cast<off_t>(size), SEEK_SET) >= 0;
}

bool DurableFile::Finish() {
    if (finished_) return !broken_;
    bool ok = !broken_ && Sync();
    // A broken file is still flushed: what it keeps should reach the disk.
    if (broken_ && ::fdatasync(fd_) != 0) ok = false;
    finished_ = true;
    if (::close(fd_) != 0) ok = false;
    fd_ = -1;
    if (!folderSynced_) SyncFolder(FolderOf(path_));
    return ok;
}

}  // namespace nimbrel
