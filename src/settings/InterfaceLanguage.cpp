#include "settings/InterfaceLanguage.h"

#include "platform/AtomicFile.h"

namespace nimbrel {
namespace {

// "en\n" and a little room for spaces; anything longer is not a choice the program wrote.
constexpr std::size_t kMaxFileBytes = 16;

}  // namespace

std::optional<InterfaceLanguage> LanguageFromCode(std::string_view code) {
    while (!code.empty() && (code.back() == '\n' || code.back() == '\r' || code.back() == ' '))
        code.remove_suffix(1);
    while (!code.empty() && code.front() == ' ') code.remove_prefix(1);
    if (code == "ru") return InterfaceLanguage::Russian;
    if (code == "en") return InterfaceLanguage::English;
    return std::nullopt;
}

std::string_view LanguageCode(InterfaceLanguage language) {
    return language == InterfaceLanguage::English ? "en" : "ru";
}

InterfaceLanguage StoredLanguage(const std::filesystem::path& folder) {
    if (folder.empty()) return InterfaceLanguage::Russian;
    const auto stored = ReadWholeFile(folder / kLanguageFileName, kMaxFileBytes);
    if (!stored) return InterfaceLanguage::Russian;
    return LanguageFromCode(*stored).value_or(InterfaceLanguage::Russian);
}

bool StoreLanguage(const std::filesystem::path& folder, InterfaceLanguage language) {
    if (folder.empty()) return false;
    std::string text(LanguageCode(language));
    text += '\n';
    return WriteFileAtomically(folder / kLanguageFileName, text);
}

InterfaceLanguage StartupLanguage(const char* environment, const std::filesystem::path& folder) {
    if (environment)
        if (const auto chosen = LanguageFromCode(environment)) return *chosen;
    return StoredLanguage(folder);
}

}  // namespace nimbrel
