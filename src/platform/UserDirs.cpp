#include "platform/UserDirs.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/AtomicFile.h"

namespace nimbrel {
namespace {

std::filesystem::path AbsoluteFromEnv(const char* name) {
    const char* value = std::getenv(name);
    if (!value || value[0] != '/') return {};
    return value;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

}  // namespace

std::filesystem::path HomeDir() {
    if (auto home = AbsoluteFromEnv("HOME"); !home.empty()) return home;
    // getpwuid_r with a buffer of the size the system suggests.
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buf(size > 0 && size < (1 << 20) ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buf.data(), buf.size(), &found) == 0 && found &&
        found->pw_dir && found->pw_dir[0] == '/')
        return found->pw_dir;
    return {};
}

std::filesystem::path ConfigHome() {
    if (auto config = AbsoluteFromEnv("XDG_CONFIG_HOME"); !config.empty()) return config;
    const auto home = HomeDir();
    return home.empty() ? home : home / ".config";
}

std::filesystem::path ParseUserDirsEntry(std::string_view fileText, std::string_view key,
                                         const std::filesystem::path& home) {
    while (!fileText.empty()) {
        const std::size_t end = fileText.find('\n');
        std::string_view line = Trim(fileText.substr(0, end));
        fileText = end == std::string_view::npos ? std::string_view{} : fileText.substr(end + 1);
        if (line.empty() || line.front() == '#') continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos || Trim(line.substr(0, eq)) != key) continue;
        std::string_view value = Trim(line.substr(eq + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value == "$HOME") return home;
        if (value.starts_with("$HOME/")) {
            if (home.empty()) return {};
            return home / std::string(value.substr(6));
        }
        if (value.starts_with('/')) return std::string(value);
        return {};
    }
    return {};
}

std::filesystem::path UserDir(std::string_view key) {
    const std::string name(key);
    if (auto fromEnv = AbsoluteFromEnv(name.c_str()); !fromEnv.empty()) return fromEnv;
    const auto home = HomeDir();
    if (const auto config = ConfigHome(); !config.empty()) {
        // The file is a few lines; anything past 64 KiB is not one.
        if (const auto text = ReadWholeFile(config / "user-dirs.dirs", 64 * 1024)) {
            if (auto entry = ParseUserDirsEntry(*text, key, home); !entry.empty()) return entry;
        }
    }
    return home;
}

std::optional<std::filesystem::path> ExpandFolder(std::string_view typed,
                                                  const std::filesystem::path& home) {
    if (typed.starts_with('/')) return std::filesystem::path(typed);
    if (typed == "~" || typed.starts_with("~/")) {
        if (home.empty() || !home.is_absolute()) return std::nullopt;
        typed.remove_prefix(1);
        while (typed.starts_with('/')) typed.remove_prefix(1);
        return typed.empty() ? home : home / std::filesystem::path(typed);
    }
    return std::nullopt;
}

}  // namespace nimbrel
