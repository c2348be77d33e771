// Where a camera's recordings and snapshots go: below the chosen folder, a folder per account
// and a folder per day, "<folder>/<user id>/YYYY-MM-DD/", and in it a file named after the local
// time of its creation and the device, "YYYY-MM-DD-hh-mm-ss-<sid>.mp4" (or ".bmp"). The chosen
// folder is a folder however it was stored: with or without its trailing "/", or beginning with
// "~"; a relative one names no place.
// Threading: pure functions, callable from any thread; LocalNow reads the system clock.
#pragma once

#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/PrivateFolders.h"

namespace nimbrel {

// The local date and time, to name files by. Tests put in a clock of their own.
using LocalClock = std::function<std::tm()>;
std::tm LocalNow();

struct CapturePath {
    std::filesystem::path folder;  // the day's folder
    std::filesystem::path file;    // the file inside it
};

// The day's folder and the file for a capture made at `local`. Nothing when the folder is empty
// or relative, or when the user id or the device id (both from outside) could leave the folder:
// empty, "." or "..", or holding "/" or a zero byte.
std::optional<CapturePath> PlanCapturePath(std::string_view folder, std::string_view user,
                                           std::string_view sid, const std::tm& local,
                                           std::string_view extension);

}  // namespace nimbrel
