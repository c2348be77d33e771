#include "live/CapturePaths.h"

#include <cstdio>

#include "platform/UserDirs.h"

namespace nimbrel {
namespace {

bool SafeName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

}  // namespace

std::tm LocalNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

std::optional<CapturePath> PlanCapturePath(std::string_view folder, std::string_view user,
                                           std::string_view sid, const std::tm& local,
                                           std::string_view extension) {
    const std::optional<std::filesystem::path> base = ExpandFolder(folder);
    if (!base || !SafeName(user) || !SafeName(sid)) return std::nullopt;
    const int year = local.tm_year + 1900, month = local.tm_mon + 1;
    char day[32];
    std::snprintf(day, sizeof day, "%4d-%02d-%02d", year, month, local.tm_mday);
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%4d-%02d-%02d-%02d-%02d-%02d-", year, month, local.tm_mday,
                  local.tm_hour, local.tm_min, local.tm_sec);
    CapturePath path;
    path.folder = *base / std::string(user) / day;
    path.file = path.folder / (std::string(stamp) + std::string(sid) + std::string(extension));
    return path;
}

}  // namespace nimbrel
