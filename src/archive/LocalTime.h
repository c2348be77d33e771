// Times of the archive: the local wall-clock time that recordings are named by, kept as
// milliseconds counted as if that local time were UTC ("local milliseconds"), so that a day of
// the timeline is always 24 hours of the clock the file names show, whatever the time zone.
// Threading: pure functions, callable from any thread.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace nimbrel::archive {

inline constexpr int64_t kDayMs = 24 * 3600 * 1000LL;

// The local milliseconds of a broken-down local time (its fields as written, no normalising
// beyond what a calendar does).
int64_t LocalMsOf(const std::tm& local);
// The local milliseconds of now.
int64_t LocalNowMs();

// "YYYY-MM-DD hh:mm:ss".
std::string TimeText(int64_t localMs);
// "YYYY-MM-DD".
std::string DayText(int64_t localMs);
// "hh:mm:ss".
std::string ClockText(int64_t localMs);
// The first millisecond of the day `localMs` lies in.
int64_t DayStart(int64_t localMs);

// "YYYY-MM-DD hh:mm:ss" (a "T" may stand for the space) or "YYYY-MM-DD" (midnight); nothing for
// any other text or a date that does not exist.
std::optional<int64_t> ParseTimeText(std::string_view text);

}  // namespace nimbrel::archive
