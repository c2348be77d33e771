// Whole-file writes that either replace the file completely or leave the old one untouched, new
// files that never take another's place, and bounded whole-file reads.
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

// As WriteFileAtomically, but never over an existing file: the content lands under `target`, or
// when that name is taken under the first free one of "<stem>-2<extension>", "<stem>-3..." (at
// most kMaxFileNumber). The name it got; nothing when it could not be written.
inline constexpr int kMaxFileNumber = 999;
std::optional<std::filesystem::path> WriteNewFileAtomically(
    const std::filesystem::path& target, std::string_view bytes,
    std::filesystem::perms mode = std::filesystem::perms::owner_read |
                                  std::filesystem::perms::owner_write);

// `path` itself for number 1, else "<stem>-<number><extension>" beside it.
std::filesystem::path NumberedFileName(const std::filesystem::path& path, int number);

// Renames `from` to `to` unless `to` exists, in one step where the file system can: 0 when
// renamed, EEXIST when `to` exists, another errno value when the rename failed.
int RenameWithoutReplacing(const std::filesystem::path& from, const std::filesystem::path& to);

// The content of a regular file of at most `maxBytes` bytes; nothing when it is missing, not a
// regular file (a FIFO is refused without waiting for a writer), unreadable or larger.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path, std::size_t maxBytes);

}  // namespace nimbrel
