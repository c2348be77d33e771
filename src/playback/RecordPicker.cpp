#include "playback/RecordPicker.h"

#include <cstdio>

#include "playback/PlaybackTexts.h"

namespace nimbrel {
namespace {

std::string TwoDigits(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

// The first row when the list has any, else no selection.
int FirstRow(const std::vector<std::string>& list) {
    return list.empty() ? -1 : 0;
}

}  // namespace

void RecordPicker::Show(std::shared_ptr<const RecordIndex> index) {
    index_ = index ? std::move(index) : std::make_shared<const RecordIndex>();
    lists_.years.clear();
    for (int y = 0; y < index_->YearCount(); ++y)
        lists_.years.push_back(std::to_string(index_->YearAt(y).year));
    lists_.year = FirstRow(lists_.years);
    FillMonths();
}

void RecordPicker::FillMonths() {
    lists_.months.clear();
    if (lists_.year >= 0)
        for (int m = 0; m < index_->MonthCount(lists_.year); ++m)
            lists_.months.push_back(TwoDigits(index_->MonthAt(lists_.year, m).month));
    lists_.month = FirstRow(lists_.months);
    FillDays();
}

void RecordPicker::FillDays() {
    lists_.days.clear();
    if (lists_.month >= 0)
        for (int d = 0; d < index_->DayCount(lists_.year, lists_.month); ++d)
            lists_.days.push_back(TwoDigits(index_->DayAt(lists_.year, lists_.month, d).day));
    lists_.day = FirstRow(lists_.days);
    FillHours();
}

void RecordPicker::FillHours() {
    lists_.hours.clear();
    if (lists_.day >= 0) {
        const RecordIndex::Day& day = index_->DayAt(lists_.year, lists_.month, lists_.day);
        for (int h = 0; h < day.hourCount; ++h)
            lists_.hours.push_back(TwoDigits(day.hours[static_cast<std::size_t>(h)]));
    }
    lists_.hour = FirstRow(lists_.hours);
}

void RecordPicker::PickYear(const std::string& text) {
    for (int y = 0; y < index_->YearCount(); ++y) {
        if (std::to_string(index_->YearAt(y).year) != text) continue;
        lists_.year = y;
        FillMonths();
        return;
    }
}

void RecordPicker::PickMonth(int row) {
    if (row < 0 || row >= static_cast<int>(lists_.months.size())) return;
    lists_.month = row;
    FillDays();
}

void RecordPicker::PickDay(int row) {
    if (row < 0 || row >= static_cast<int>(lists_.days.size())) return;
    lists_.day = row;
    FillHours();
}

void RecordPicker::PickHour(int row) {
    if (row < 0 || row >= static_cast<int>(lists_.hours.size())) return;
    lists_.hour = row;
}

RecordPicker::StartCheck RecordPicker::CheckStart() const {
    StartCheck check;
    if (lists_.year < 0)
        check.message = playback_text::kChooseYear;
    else if (lists_.month < 0)
        check.message = playback_text::kChooseMonth;
    else if (lists_.day < 0)
        check.message = playback_text::kChooseDay;
    else if (lists_.hour < 0)
        check.message = playback_text::kChooseHour;
    if (check.message) return check;
    const RecordIndex::Day& day = index_->DayAt(lists_.year, lists_.month, lists_.day);
    char date[64];
    std::snprintf(date, sizeof date, "%d%02d%02d-%02d", index_->YearAt(lists_.year).year,
                  index_->MonthAt(lists_.year, lists_.month).month, day.day,
                  day.hours[static_cast<std::size_t>(lists_.hour)]);
    check.requestDate = date;
    return check;
}

}  // namespace nimbrel
