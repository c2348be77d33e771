// The user's standard folders as the freedesktop conventions name them: the configuration home
// and the "well known" user folders (videos, pictures); and folders the user typed.
// Threading: callable from any thread; reads the environment and the user's files only.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace nimbrel {

// The home folder: $HOME when it is an absolute path, else the password database's entry;
// empty when neither gives one.
std::filesystem::path HomeDir();

// $XDG_CONFIG_HOME when it is absolute, else HomeDir()/.config (empty without a home folder).
std::filesystem::path ConfigHome();

// The user folder named by `key` ("XDG_VIDEOS_DIR", "XDG_PICTURES_DIR"): the environment
// variable of that name when it holds an absolute path, else the entry of the user-dirs.dirs
// file in ConfigHome() ("$HOME/..." or an absolute path), else the home folder.
std::filesystem::path UserDir(std::string_view key);

// The entry for `key` in the text of a user-dirs.dirs file, with "$HOME" at its start replaced
// by `home`; empty when the key is missing or its value is neither "$HOME/..." nor absolute.
std::filesystem::path ParseUserDirsEntry(std::string_view fileText, std::string_view key,
                                         const std::filesystem::path& home);

// A folder as the user typed it: "~" and "~/..." begin at `home`, an absolute path stays as it
// is. Nothing for an empty or relative text (its place would depend on the working folder), for
// "~name", and for "~" without a home folder.
std::optional<std::filesystem::path> ExpandFolder(std::string_view typed,
                                                  const std::filesystem::path& home = HomeDir());

}  // namespace nimbrel
