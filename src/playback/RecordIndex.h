// The index of the recordings on a camera's card: years, their months, their days and each day's
// hours, in the order the camera named them, within fixed capacities; and the reading of the
// camera's day list ("20140315-08-09-21;20140316-10") into it.
// Threading: a value type; an index is built on one thread and then only read.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace nimbrel {

class RecordIndex {
  public:
    static constexpr int kYears = 3;
    static constexpr int kMonths = 12;
    static constexpr int kDays = 31;
    static constexpr int kHours = 24;
    // Characters of a day list that are read; the rest is ignored.
    static constexpr std::size_t kDayListLimit = 4095;

    struct Day {
        int32_t day = 0;  // 0: a free entry
        int32_t hourCount = 0;
        std::array<int32_t, kHours> hours{};
    };
    struct Month {
        int32_t month = 0;  // 0: a free entry
        std::array<Day, kDays> days{};
    };
    struct Year {
        int32_t year = 0;  // 0: a free entry
        std::array<Month, kMonths> months{};
    };

    // Reads the first kDayListLimit characters of a day list: items cut at ";", each a day
    // "YYYYMMDD" followed by its hours "-HH-HH...". Items that do not name a valid day (years
    // from 1000, months 1..12, days 1..31), hours outside 0..23 and entries beyond the capacities
    // are ignored.
    static RecordIndex FromDayList(std::string_view text);

    // Adds one item of a day list; false when it was ignored as a whole.
    bool AddItem(std::string_view item);

    // Entries in use at each level (free entries end a level).
    int YearCount() const;
    int MonthCount(int year) const;
    int DayCount(int year, int month) const;
    int HourCount(int year, int month, int day) const;

    // The entries at 0-based indices; indices must be below the counts above.
    const Year& YearAt(int year) const { return years_[static_cast<std::size_t>(year)]; }
    const Month& MonthAt(int year, int month) const;
    const Day& DayAt(int year, int month, int day) const;

    bool Empty() const { return YearCount() == 0; }

  private:
    std::array<Year, kYears> years_{};
};

}  // namespace nimbrel
