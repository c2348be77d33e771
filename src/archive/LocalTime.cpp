#include "archive/LocalTime.h"

#include <chrono>
#include <cstdio>

namespace nimbrel::archive {
namespace {

std::tm Broken(int64_t localMs) {
    const time_t seconds = static_cast<time_t>((localMs >= 0 ? localMs : localMs - 999) / 1000);
    std::tm t{};
    gmtime_r(&seconds, &t);
    return t;
}

// Digits only, exactly `count` of them, from text[at].
std::optional<int> Digits(std::string_view text, std::size_t at, std::size_t count) {
    if (at + count > text.size()) return std::nullopt;
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

}  // namespace

int64_t LocalMsOf(const std::tm& local) {
    std::tm copy = local;
    return static_cast<int64_t>(timegm(&copy)) * 1000;
}

int64_t LocalNowMs() {
    const auto now = std::chrono::system_clock::now();
    const time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        now.time_since_epoch())
                        .count() %
                    1000;
    return LocalMsOf(local) + ms;
}

std::string TimeText(int64_t localMs) {
    const std::tm t = Broken(localMs);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.tm_year + 1900,
                  t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    return text;
}

std::string DayText(int64_t localMs) {
    return TimeText(localMs).substr(0, 10);
}

std::string ClockText(int64_t localMs) {
    return TimeText(localMs).substr(11);
}

int64_t DayStart(int64_t localMs) {
    const int64_t r = localMs % kDayMs;
    return localMs - (r < 0 ? r + kDayMs : r);
}

std::optional<int64_t> ParseTimeText(std::string_view text) {
    if (text.size() != 10 && text.size() != 19) return std::nullopt;
    if (text[4] != '-' || text[7] != '-') return std::nullopt;
    std::tm t{};
    const auto year = Digits(text, 0, 4), month = Digits(text, 5, 2), day = Digits(text, 8, 2);
    if (!year || !month || !day) return std::nullopt;
    t.tm_year = *year - 1900;
    t.tm_mon = *month - 1;
    t.tm_mday = *day;
    if (text.size() == 19) {
        if ((text[10] != ' ' && text[10] != 'T') || text[13] != ':' || text[16] != ':')
            return std::nullopt;
        const auto h = Digits(text, 11, 2), m = Digits(text, 14, 2), s = Digits(text, 17, 2);
        if (!h || !m || !s || *h > 23 || *m > 59 || *s > 59) return std::nullopt;
        t.tm_hour = *h;
        t.tm_min = *m;
        t.tm_sec = *s;
    }
    if (*month < 1 || *month > 12 || *day < 1 || *year < 1970) return std::nullopt;
    const int64_t ms = LocalMsOf(t);
    // A day past the month's end (31 April) comes back as another date.
    if (DayText(ms) != text.substr(0, 10)) return std::nullopt;
    return ms;
}

}  // namespace nimbrel::archive
