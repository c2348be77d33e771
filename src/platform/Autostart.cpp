#include "platform/Autostart.h"

#include <sstream>
#include <system_error>

#include "platform/AtomicFile.h"
#include "platform/UserDirs.h"

namespace nimbrel {
namespace {

std::filesystem::path RunningExecutable() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : exe;
}

// The value of `key` in the [Desktop Entry] group; nothing when the key is missing.
bool FindKey(const std::string& text, std::string_view key, std::string& value) {
    std::istringstream lines(text);
    std::string line;
    bool inGroup = false;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '[') {
            inGroup = line == "[Desktop Entry]";
            continue;
        }
        if (!inGroup) continue;
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string name = line.substr(0, eq);
        while (!name.empty() && name.back() == ' ') name.pop_back();
        if (name != key) continue;
        std::size_t start = eq + 1;
        while (start < line.size() && line[start] == ' ') ++start;
        value = line.substr(start);
        return true;
    }
    return false;
}

}  // namespace

std::filesystem::path AutostartEntryPath() {
    const auto home = ConfigHome();
    if (home.empty()) return {};
    return home / "autostart" / "nimbrel.desktop";
}

std::string QuoteExecArgument(std::string_view argument) {
    static constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string quoted;
    if (argument.find_first_of(kReserved) == std::string_view::npos) {
        quoted = argument;
    } else {
        quoted = "\"";
        for (const char c : argument) {
            if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
            quoted += c;
        }
        quoted += '"';
    }
    // The Exec value is itself a string value, in which a backslash is written twice.
    std::string escaped;
    for (const char c : quoted) {
        if (c == '\\') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

std::string AutostartEntryText(const std::filesystem::path& executable) {
    std::string text = "[Desktop Entry]\n";
    text += "Type=Application\n";
    text += "Name=";
    text += kAutostartName;
    text += "\n";
    text += "Exec=" + QuoteExecArgument(executable.string()) + "\n";
    text += "Icon=nimbrel\n";
    text += "Terminal=false\n";
    text += "X-GNOME-Autostart-enabled=true\n";
    return text;
}

bool SetAutostart(bool on, const std::filesystem::path& entry,
                  const std::filesystem::path& executable) {
    if (entry.empty()) return false;
    std::error_code ec;
    if (!on) return std::filesystem::remove(entry, ec) && !ec;

    const auto exe = executable.empty() ? RunningExecutable() : executable;
    if (exe.empty()) return false;
    std::filesystem::create_directories(entry.parent_path(), ec);
    if (ec) return false;
    return WriteFileAtomically(entry, AutostartEntryText(exe));
}

bool IsAutostart(const std::filesystem::path& entry) {
    if (entry.empty()) return false;
    const auto content = ReadWholeFile(entry, 64 * 1024);
    if (!content) return false;
    const std::string& text = *content;
    std::string value;
    if (FindKey(text, "Hidden", value) && value == "true") return false;
    if (FindKey(text, "X-GNOME-Autostart-enabled", value) && value == "false") return false;
    return FindKey(text, "Exec", value) && !value.empty();
}

}  // namespace nimbrel
