#include "archive/RecordingName.h"

#include <algorithm>

#include "archive/LocalTime.h"

namespace nimbrel::archive {
namespace {

constexpr std::string_view kExtension = ".mp4";
constexpr std::size_t kTimeChars = 19;  // YYYY-MM-DD-hh-mm-ss

bool AllDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::optional<RecordingName> ParseRecordingName(std::string_view name) {
    if (name.size() <= kTimeChars + 1 + kExtension.size() || !name.ends_with(kExtension))
        return std::nullopt;
    name.remove_suffix(kExtension.size());
    // The date and time with "-" between every field, as the recorder writes them.
    std::string time(name.substr(0, kTimeChars));
    if (time[10] != '-' || time[13] != '-' || time[16] != '-' || name[kTimeChars] != '-')
        return std::nullopt;
    time[10] = ' ';
    time[13] = time[16] = ':';
    const auto start = ParseTimeText(time);
    if (!start) return std::nullopt;
    std::string_view sid = name.substr(kTimeChars + 1);
    // "-2", "-3", …: a second file begun in the same second.
    if (const auto dash = sid.rfind('-');
        dash != std::string_view::npos && dash > 0 && AllDigits(sid.substr(dash + 1)))
        sid = sid.substr(0, dash);
    if (sid.empty() || sid.find('/') != std::string_view::npos) return std::nullopt;
    return RecordingName{std::string(sid), *start};
}

}  // namespace nimbrel::archive
