#include "archive/Mp4Boxes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstring>

namespace nimbrel::archive {
namespace {

uint64_t BigEndian(const uint8_t* p, int bytes) {
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v = (v << 8) | p[i];
    return v;
}

class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }

  private:
    int fd_;
};

}  // namespace

Mp4Layout WalkMp4Boxes(const std::filesystem::path& path) {
    Mp4Layout layout;
    Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        layout.problem = "not a readable regular file";
        return layout;
    }
    layout.readable = true;
    layout.fileBytes = static_cast<uint64_t>(st.st_size);
    uint64_t at = 0;
    bool first = true;
    while (at + 8 <= layout.fileBytes) {
        std::array<uint8_t, 16> header{};
        const ssize_t got = ::pread(fd.get(), header.data(), header.size(), static_cast<off_t>(at));
        if (got < 8) break;
        uint64_t size = BigEndian(header.data(), 4);
        const char* type = reinterpret_cast<const char*>(header.data() + 4);
        if (size == 1) {
            if (got < 16) break;
            size = BigEndian(header.data() + 8, 8);
            if (size < 16) break;
        } else if (size == 0) {
            size = layout.fileBytes - at;  // the box runs to the end of the file
        } else if (size < 8) {
            break;
        }
        if (first) {
            layout.mp4 = std::memcmp(type, "ftyp", 4) == 0;
            if (!layout.mp4) {
                layout.problem = "not an MP4 file";
                return layout;
            }
            first = false;
        }
        if (size > layout.fileBytes - at) break;  // cut off: the rest is not whole
        at += size;
        layout.completeBytes = at;
        if (std::memcmp(type, "moov", 4) == 0) layout.hasMovie = true;
        if (std::memcmp(type, "mfra", 4) == 0) layout.indexed = true;
    }
    if (first) layout.problem = layout.fileBytes == 0 ? "empty file" : "not an MP4 file";
    else if (!layout.hasMovie) layout.problem = "no movie header";
    return layout;
}

}  // namespace nimbrel::archive
