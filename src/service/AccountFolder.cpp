#include "service/AccountFolder.h"

#include <unistd.h>

#include <algorithm>
#include <system_error>

#include "platform/Process.h"
#include "platform/UserDirs.h"

namespace nimbrel {
namespace {

bool IsWritableFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    return std::filesystem::is_directory(folder, ec) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

}  // namespace

AccountFolder AccountFolder::Default() {
    return AccountFolder(ChooseLocation(ExecutableDir(), ConfigHome()));
}

std::filesystem::path AccountFolder::ChooseLocation(const std::filesystem::path& executableDir,
                                                    const std::filesystem::path& configHome) {
    const auto beside = executableDir / "config";
    std::error_code ec;
    if (std::filesystem::exists(beside, ec) ? IsWritableFolder(beside)
                                            : IsWritableFolder(executableDir))
        return beside;
    return configHome / "nimbrel" / "config";
}

std::optional<std::filesystem::path> AccountFolder::FileFor(std::string_view accountName) const {
    if (accountName.empty() || accountName == "." || accountName == ".." ||
        accountName.find('/') != std::string_view::npos ||
        accountName.find('\0') != std::string_view::npos)
        return std::nullopt;
    std::string file(accountName);
    file.append(kFileSuffix);
    return folder_ / file;
}

bool AccountFolder::Ensure() const {
    std::error_code ec;
    if (std::filesystem::is_directory(folder_, ec)) return true;
    if (!std::filesystem::create_directories(folder_, ec) && ec) return false;
    std::filesystem::permissions(folder_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::replace, ec);
    return std::filesystem::is_directory(folder_, ec);
}

std::vector<AccountFolder::Recent> AccountFolder::RecentAccounts(std::size_t limit) const {
    std::vector<Recent> table;
    if (limit == 0) return table;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder_, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const std::string file = it->path().filename().string();
        if (file.size() <= kFileSuffix.size() || !file.ends_with(kFileSuffix)) continue;
        std::error_code statError;
        if (!it->is_regular_file(statError)) continue;
        const auto written = it->last_write_time(statError);
        if (statError) continue;
        Recent entry{file.substr(0, file.size() - kFileSuffix.size()), written};
        if (table.size() < limit) {
            table.push_back(std::move(entry));
            continue;
        }
        auto oldest =
            std::min_element(table.begin(), table.end(),
                             [](const auto& a, const auto& b) { return a.written < b.written; });
        if (entry.written > oldest->written) *oldest = std::move(entry);
    }
    std::stable_sort(table.begin(), table.end(),
                     [](const auto& a, const auto& b) { return a.written > b.written; });
    return table;
}

}  // namespace nimbrel
