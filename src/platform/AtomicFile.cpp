#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/Log.h"

namespace nimbrel {
namespace {

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Makes the rename itself durable. A folder that cannot be opened or flushed is no reason to
// report the write as failed: the new content is already in place.
void SyncFolder(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         std::filesystem::perms mode) {
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');

    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        NLOG_DEBUG("WriteFileAtomically: cannot create a file in " << folder << ": "
                                                                   << std::strerror(errno));
        return false;
    }
    const char* temp = name.data();
    const char* failedStep = nullptr;
    int error = 0;
    if (::fchmod(fd, static_cast<mode_t>(mode)) != 0)
        failedStep = "fchmod";
    else if (!WriteAll(fd, bytes))
        failedStep = "write";
    else if (::fsync(fd) != 0)
        failedStep = "fsync";
    if (failedStep) error = errno;
    if (::close(fd) != 0 && !failedStep) {
        failedStep = "close";
        error = errno;
    }
    if (!failedStep && ::rename(temp, target.c_str()) != 0) {
        failedStep = "rename";
        error = errno;
    }
    if (failedStep) {
        NLOG_DEBUG("WriteFileAtomically: " << failedStep << " for " << target
                                           << " failed: " << std::strerror(error));
        ::unlink(temp);
        return false;
    }
    SyncFolder(folder);
    return true;
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path, std::size_t maxBytes) {
    // Only a regular file is opened, and without waiting: opening a FIFO for reading would wait
    // for a writer for ever. The path may change between the look and the open, hence the
    // non-blocking open and the second look at what was opened.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return std::nullopt;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<std::size_t>(st.st_size) > maxBytes) {
        ::close(fd);
        return std::nullopt;
    }
    // Read to the end rather than trusting the size: the file may change under us. One byte
    // more than the limit tells a file that grew past it.
    std::string content;
    char buf[16384];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        content.append(buf, static_cast<std::size_t>(n));
        if (content.size() > maxBytes) {
            ::close(fd);
            return std::nullopt;
        }
    }
    ::close(fd);
    return content;
}

}  // namespace nimbrel
