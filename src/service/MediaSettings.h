// The settings that cameras read on their own threads when a recording or a snapshot begins (the
// two folders, the file length and the archive's retention) and that the settings dialog changes on the UI thread while
// they run: both sides take one lock, so a camera sees either the old values or the new ones.
// Threading: any thread.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "service/AppRecord.h"

namespace nimbrel {

struct MediaSettings {
    std::string videoPath;
    std::string imagePath;
    int32_t fileLength = 0;
    std::string archiveDays;  // the archive's retention, as stored
    std::string archiveSize;
};

// A copy of the record's folders and length, taken under the lock.
MediaSettings ReadMediaSettings(const AppRecord& record);

// Held while the record's folders or length change once cameras may be running.
std::unique_lock<std::mutex> LockMediaSettings();

}  // namespace nimbrel
