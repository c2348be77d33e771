#include "playback/RecordIndex.h"

#include <algorithm>
#include <optional>

namespace nimbrel {
namespace {

// The decimal number of `text`, which must be all digits.
std::optional<int32_t> Digits(std::string_view text) {
    if (text.empty()) return std::nullopt;
    int32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

// The entry holding `number` among the filled ones, else the next free one (claimed for it);
// null when every entry is taken by other numbers.
template <class Entry, std::size_t N, class Number>
Entry* FindOrAdd(std::array<Entry, N>& entries, int32_t number, Number member) {
    for (Entry& entry : entries) {
        if (entry.*member == number) return &entry;
        if (entry.*member == 0) {
            entry.*member = number;
            return &entry;
        }
    }
    return nullptr;
}

template <class Entry, std::size_t N, class Number>
int Filled(const std::array<Entry, N>& entries, Number member) {
    int count = 0;
    while (count < static_cast<int>(N) && entries[static_cast<std::size_t>(count)].*member != 0)
        ++count;
    return count;
}

}  // namespace

RecordIndex RecordIndex::FromDayList(std::string_view text) {
    RecordIndex index;
    text = text.substr(0, std::min(text.size(), kDayListLimit));
    while (!text.empty()) {
        const std::size_t cut = text.find(';');
        const std::string_view item = text.substr(0, cut);
        if (!item.empty()) index.AddItem(item);
        if (cut == std::string_view::npos) break;
        text.remove_prefix(cut + 1);
    }
    return index;
}

bool RecordIndex::AddItem(std::string_view item) {
    if (item.size() < 8) return false;
    const auto year = Digits(item.substr(0, 4));
    const auto month = Digits(item.substr(4, 2));
    const auto day = Digits(item.substr(6, 2));
    if (!year || !month || !day || *year < 1000 || *month < 1 || *month > 12 || *day < 1 ||
        *day > 31)
        return false;
    Year* y = FindOrAdd(years_, *year, &Year::year);
    Month* m = y ? FindOrAdd(y->months, *month, &Month::month) : nullptr;
    Day* d = m ? FindOrAdd(m->days, *day, &Day::day) : nullptr;
    if (!d) return false;
    // Hours stand at offsets 9, 12, 15, ..., each behind one separator character.
    if (item.size() > 9) {
        for (std::size_t at = 9; at < item.size(); at += 3) {
            const auto hour = Digits(item.substr(at, 2));
            if (!hour || *hour > 23 || d->hourCount >= kHours) continue;
            d->hours[static_cast<std::size_t>(d->hourCount++)] = *hour;
        }
    }
    return true;
}

int RecordIndex::YearCount() const {
    return Filled(years_, &Year::year);
}

int RecordIndex::MonthCount(int year) const {
    return Filled(YearAt(year).months, &Month::month);
}

int RecordIndex::DayCount(int year, int month) const {
    return Filled(MonthAt(year, month).days, &Day::day);
}

int RecordIndex::HourCount(int year, int month, int day) const {
    return DayAt(year, month, day).hourCount;
}

const RecordIndex::Month& RecordIndex::MonthAt(int year, int month) const {
    return YearAt(year).months[static_cast<std::size_t>(month)];
}

const RecordIndex::Day& RecordIndex::DayAt(int year, int month, int day) const {
    return MonthAt(year, month).days[static_cast<std::size_t>(day)];
}

}  // namespace nimbrel
