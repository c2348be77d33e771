#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <stdio.h>
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

std::filesystem::path FolderOf(const std::filesystem::path& path) {
    return path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
}

// Writes `bytes` into a new temporary file beside `target`, flushed to the disk; its name, or
// nothing (with nothing left behind) when that failed.
std::optional<std::string> WriteTemporary(const std::filesystem::path& target,
                                          std::string_view bytes, std::filesystem::perms mode) {
    const std::filesystem::path folder = FolderOf(target);
    std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');

    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        NLOG_DEBUG("WriteFileAtomically: cannot create a file in " << folder << ": "
                                                                   << std::strerror(errno));
        return std::nullopt;
    }
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
    if (failedStep) {
        NLOG_DEBUG("WriteFileAtomically: " << failedStep << " for " << target
                                           << " failed: " << std::strerror(error));
        ::unlink(name.data());
        return std::nullopt;
    }
    return std::string(name.data());
}

}  // namespace

bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         std::filesystem::perms mode) {
    const std::optional<std::string> temp = WriteTemporary(target, bytes, mode);
    if (!temp) return false;
    if (::rename(temp->c_str(), target.c_str()) != 0) {
        NLOG_DEBUG("WriteFileAtomically: rename for " << target
                                                      << " failed: " << std::strerror(errno));
        ::unlink(temp->c_str());
        return false;
    }
    SyncFolder(FolderOf(target));
    return true;
}

std::optional<std::filesystem::path> WriteNewFileAtomically(const std::filesystem::path& target,
                                                            std::string_view bytes,
                                                            std::filesystem::perms mode) {
    const std::optional<std::string> temp = WriteTemporary(target, bytes, mode);
    if (!temp) return std::nullopt;
    for (int number = 1; number <= kMaxFileNumber; ++number) {
        const std::filesystem::path name = NumberedFileName(target, number);
        const int error = RenameWithoutReplacing(*temp, name);
        if (error == EEXIST) continue;
        if (error != 0) {
            NLOG_DEBUG("WriteNewFileAtomically: " << name << ": " << std::strerror(error));
            break;
        }
        SyncFolder(FolderOf(target));
        return name;
    }
    ::unlink(temp->c_str());
    return std::nullopt;
}

std::filesystem::path NumberedFileName(const std::filesystem::path& path, int number) {
    if (number <= 1) return path;
    std::filesystem::path numbered = path;
    numbered.replace_filename(path.stem().string() + "-" + std::to_string(number) +
                              path.extension().string());
    return numbered;
}

int RenameWithoutReplacing(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno == ENOTEMPTY ? EEXIST : errno;
    // A file system without the no-replace rename: a hard link is made only under a free name.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return 0;
    }
    if (errno != EPERM && errno != EOPNOTSUPP) return errno;
    // Nor hard links: a look before the rename, which only another program could race.
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0) return EEXIST;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
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
