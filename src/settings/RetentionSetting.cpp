#include "settings/RetentionSetting.h"

#include <cmath>
#include <cstdlib>

namespace nimbrel {
namespace {

constexpr double kGigabyte = 1024.0 * 1024.0 * 1024.0;
constexpr double kMaxGigabytes = 1e6;

// A decimal number without sign or exponent: digits with at most one point.
std::optional<double> PlainNumber(std::string_view text) {
    if (text.empty() || text.size() > 16) return std::nullopt;
    int points = 0;
    for (const char c : text) {
        if (c == '.') {
            ++points;
        } else if (c < '0' || c > '9') {
            return std::nullopt;
        }
    }
    if (points > 1 || text == ".") return std::nullopt;
    return std::strtod(std::string(text).c_str(), nullptr);
}

}  // namespace

std::optional<int> ParseRetentionDays(std::string_view text) {
    const auto n = PlainNumber(text);
    if (!n || text.find('.') != std::string_view::npos || *n > kMaxRetentionDays)
        return std::nullopt;
    return static_cast<int>(*n);
}

bool ParseRetentionSize(std::string_view text, RetentionLimits& limits) {
    limits.bytes = 0;
    limits.diskShare = 0;
    if (text.ends_with('%')) {
        const auto share = PlainNumber(text.substr(0, text.size() - 1));
        if (!share || *share <= 0 || *share >= 100) return false;
        limits.diskShare = *share / 100.0;
        return true;
    }
    const auto gigabytes = PlainNumber(text);
    if (!gigabytes || *gigabytes > kMaxGigabytes) return false;
    limits.bytes = static_cast<uint64_t>(std::llround(*gigabytes * kGigabyte));
    return true;
}

RetentionLimits RetentionFromSettings(std::string_view days, std::string_view size) {
    RetentionLimits limits;
    limits.days = ParseRetentionDays(days).value_or(0);
    if (!ParseRetentionSize(size, limits)) limits.bytes = 0, limits.diskShare = 0;
    return limits;
}

}  // namespace nimbrel
