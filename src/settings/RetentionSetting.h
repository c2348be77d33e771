// How long and how much of the recordings the archive keeps, as the account file stores it:
// "ArchiveDays" (the last N calendar days, today among them; "0" keeps every day) and
// "ArchiveSize" ("0" no limit, "N" gigabytes, fractions allowed, or "N%" of the disk).
// Threading: pure functions, callable from any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nimbrel {

struct RetentionLimits {
    int days = 0;          // 0: no age limit
    uint64_t bytes = 0;    // 0: no size limit in bytes
    double diskShare = 0;  // 0: no limit as a share of the disk (0 < share < 1)

    bool Any() const { return days > 0 || bytes > 0 || diskShare > 0; }
};

inline constexpr int kMaxRetentionDays = 3650;

// Nothing when the text is not a whole number of days from 0 to 3650.
std::optional<int> ParseRetentionDays(std::string_view text);
// The size limit of "ArchiveSize" into `limits` (bytes or share); false for another text.
bool ParseRetentionSize(std::string_view text, RetentionLimits& limits);
// The two stored texts as limits; a text that does not read counts as no limit.
RetentionLimits RetentionFromSettings(std::string_view days, std::string_view size);

}  // namespace nimbrel
