// The language of the desktop program's windows: Russian (the texts as written) or English. The
// choice is the program's, not an account's: it is kept in a small file beside the account files
// and read at start-up, before any window exists; NIMBREL_LANG ("ru" or "en") overrides it.
// Threading: callable from any thread; the file is written atomically.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace nimbrel {

enum class InterfaceLanguage { Russian, English };

// The file in the account folder that keeps the choice: "ru" or "en".
inline constexpr std::string_view kLanguageFileName = "language";

// "ru" and "en" (a trailing line feed or spaces are allowed); nothing for anything else.
std::optional<InterfaceLanguage> LanguageFromCode(std::string_view code);
std::string_view LanguageCode(InterfaceLanguage language);

// The language stored in `folder`; Russian when the folder is not known, no choice is stored or
// the stored one is not a language the program has.
InterfaceLanguage StoredLanguage(const std::filesystem::path& folder);
// Keeps `language` in `folder` (which must exist). False when it cannot be written; the
// previous choice then stays.
bool StoreLanguage(const std::filesystem::path& folder, InterfaceLanguage language);

// The language the program starts in: `environment` (NIMBREL_LANG's value, null when unset)
// when it names one, else the stored choice.
InterfaceLanguage StartupLanguage(const char* environment, const std::filesystem::path& folder);

}  // namespace nimbrel
