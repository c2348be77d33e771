// Whole-file writes that either replace the file completely or leave the old one untouched, and
// bounded whole-file reads.
// Threading: callable from any thread; two writers of the same path race only for which
// complete version ends up last.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace nimbrel {

// Writes `bytes` to a new temporary file beside `target` (created with `mode`), flushes it to
// disk, renames it over `target` and flushes the folder entry. On any failure the temporary file
// is removed, `target` keeps its previous content and false is returned. The folder must exist.
bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         std::filesystem::perms mode = std::filesystem::perms::owner_read |
                                                       std::filesystem::perms::owner_write);

// The content of a regular file of at most `maxBytes` bytes; nothing when it is missing, not a
// regular file (a FIFO is refused without waiting for a writer), unreadable or larger.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path, std::size_t maxBytes);

}  // namespace nimbrel
