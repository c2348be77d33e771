#include "service/MediaSettings.h"

namespace nimbrel {
namespace {

std::mutex& Lock() {
    static std::mutex lock;
    return lock;
}

}  // namespace

MediaSettings ReadMediaSettings(const AppRecord& record) {
    std::lock_guard guard(Lock());
    return {record.VideoPath, record.ImagePath, record.FileLength, record.ArchiveDays,
            record.ArchiveSize};
}

std::unique_lock<std::mutex> LockMediaSettings() {
    return std::unique_lock(Lock());
}

}  // namespace nimbrel
