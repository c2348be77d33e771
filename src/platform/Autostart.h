// Starting the program with the user's session: an XDG autostart entry, "nimbrel.desktop" in the
// autostart folder of the configuration home, named "Farlo клиент" and running this executable.
// Threading: callable from any thread; the entry is replaced atomically.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace nimbrel {

inline constexpr const char* kAutostartName = "Farlo клиент";

// ConfigHome()/autostart/nimbrel.desktop (empty without a configuration home).
std::filesystem::path AutostartEntryPath();

// On: writes the entry with Exec = `executable` (the running executable when empty); success when
// it was written. Off: deletes the entry; success when there was one and it was deleted.
bool SetAutostart(bool on, const std::filesystem::path& entry = AutostartEntryPath(),
                  const std::filesystem::path& executable = {});

// True when the entry exists, is not hidden, and its Exec line is not empty.
bool IsAutostart(const std::filesystem::path& entry = AutostartEntryPath());

// The text of an entry that runs `executable`.
std::string AutostartEntryText(const std::filesystem::path& executable);

// One argument of an Exec line: quoted (with \" \` \$ \\ escaped inside) when it holds a space or
// another reserved character, then with every backslash doubled as desktop-entry strings want.
std::string QuoteExecArgument(std::string_view argument);

}  // namespace nimbrel
