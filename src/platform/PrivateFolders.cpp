#include "platform/PrivateFolders.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace nimbrel {

bool MakeFolders(const std::filesystem::path& folder, std::string& error) {
    std::error_code ec;
    if (folder.empty()) {
        error = "no folder";
        return false;
    }
    std::filesystem::path level = folder.lexically_normal();
    if (!level.has_filename() && level != level.root_path()) level = level.parent_path();
    // The missing levels, innermost first.
    std::vector<std::filesystem::path> missing;
    while (!level.empty() && !std::filesystem::exists(std::filesystem::symlink_status(level, ec))) {
        missing.push_back(level);
        if (level == level.parent_path()) break;
        level = level.parent_path();
    }
    for (auto made = missing.rbegin(); made != missing.rend(); ++made) {
        if (::mkdir(made->c_str(), 0700) != 0 && errno != EEXIST) {
            error = made->string() + ": " + std::strerror(errno);
            return false;
        }
    }
    if (std::filesystem::is_directory(folder, ec)) return true;
    error = folder.string() + ": not a folder";
    return false;
}

}  // namespace nimbrel
