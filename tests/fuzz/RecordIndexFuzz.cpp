// The recording index on arbitrary input: the input as a camera's day list, and as the opened
// body of an index reply. Every level stays within its capacity, free entries only follow filled
// ones, every number is a valid date part or hour, and the pick lists built over the index are
// consistent with it whatever is picked.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "playback/RecordIndex.h"
#include "playback/RecordIndexRequest.h"
#include "playback/RecordPicker.h"
#include "text/JsonText.h"

namespace {

using nimbrel::RecordIndex;

// Aborts, naming the line, when a property does not hold.
#define Check(ok)                                                         \
    do {                                                                  \
        if (!(ok)) {                                                      \
            std::fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #ok); \
            std::abort();                                                 \
        }                                                                 \
    } while (false)

void CheckIndex(const RecordIndex& index) {
    const int years = index.YearCount();
    Check(years >= 0 && years <= RecordIndex::kYears);
    for (int y = 0; y < years; ++y) {
        Check(index.YearAt(y).year >= 1000 && index.YearAt(y).year <= 9999);
        const int months = index.MonthCount(y);
        Check(months >= 1 && months <= RecordIndex::kMonths);
        for (int m = 0; m < months; ++m) {
            const int month = index.MonthAt(y, m).month;
            Check(month >= 1 && month <= 12);
            const int days = index.DayCount(y, m);
            Check(days >= 1 && days <= RecordIndex::kDays);
            for (int d = 0; d < days; ++d) {
                const RecordIndex::Day& day = index.DayAt(y, m, d);
                Check(day.day >= 1 && day.day <= 31);
                Check(day.hourCount >= 0 && day.hourCount <= RecordIndex::kHours);
                for (int h = 0; h < day.hourCount; ++h)
                    Check(day.hours[static_cast<std::size_t>(h)] >= 0 &&
                          day.hours[static_cast<std::size_t>(h)] <= 23);
            }
        }
    }
}

// Picks rows chosen by the input's bytes and checks the lists against the index each time.
void CheckPicks(const RecordIndex& index, std::string_view input) {
    nimbrel::RecordPicker picker;
    picker.Show(std::make_shared<const RecordIndex>(index));
    for (std::size_t i = 0; i + 1 < input.size() && i < 64; i += 2) {
        const int row = static_cast<int8_t>(input[i + 1]) % 40;
        switch (static_cast<uint8_t>(input[i]) % 4) {
            case 0:
                picker.PickYear(std::to_string(1990 + row));
                break;
            case 1:
                picker.PickMonth(row);
                break;
            case 2:
                picker.PickDay(row);
                break;
            default:
                picker.PickHour(row);
                break;
        }
        const nimbrel::PickLists& l = picker.Lists();
        Check(static_cast<int>(l.years.size()) == index.YearCount());
        Check(l.year < static_cast<int>(l.years.size()) && l.year >= -1);
        Check(l.month < static_cast<int>(l.months.size()) && l.month >= -1);
        Check(l.day < static_cast<int>(l.days.size()) && l.day >= -1);
        Check(l.hour < static_cast<int>(l.hours.size()) && l.hour >= -1);
        const auto start = picker.CheckStart();
        Check((start.message == nullptr) == (l.hour >= 0));
        if (!start.message) Check(start.requestDate.size() == 11);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const RecordIndex index = RecordIndex::FromDayList(input);
    CheckIndex(index);
    CheckPicks(index, input);
    // The input as the opened body of a reply: an index only from a text member where it belongs.
    if (const auto body = nimbrel::ParseJsonObject(input)) {
        if (const auto read = nimbrel::ReadIndexBody(*body)) {
            Check((*body)["playBack"]["videoDaylist"].isString());
            CheckIndex(*read);
        }
    }
    return 0;
}
