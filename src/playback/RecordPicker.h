// The four pick lists of the playback window (year, month, day, hour) over a recording index:
// their texts, the selected rows, the refill of the lower lists when a higher one is picked, and
// the checks and the request date ("20140315-08") of a start.
// Threading: not thread-safe; its owner guards it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "playback/RecordIndex.h"

namespace nimbrel {

struct PickLists {
    std::vector<std::string> years;   // "2014"
    std::vector<std::string> months;  // "03"
    std::vector<std::string> days;    // "15"
    std::vector<std::string> hours;   // "08"
    // Selected rows; -1: the list has no selection.
    int year = -1;
    int month = -1;
    int day = -1;
    int hour = -1;

    bool operator==(const PickLists&) const = default;
};

class RecordPicker {
  public:
    // Shows `index` (null: an empty one): the years, the months of the first year, the days of
    // its first month and the hours of that day, the first row of each selected.
    void Show(std::shared_ptr<const RecordIndex> index);

    // A year picked by its text: the lower lists show its first month and day. Ignored for a
    // text that names no year of the index.
    void PickYear(const std::string& text);
    // A row picked in the month, day or hour list; the lists below it start again at their first
    // row. Ignored for a row the list does not have.
    void PickMonth(int row);
    void PickDay(int row);
    void PickHour(int row);

    const PickLists& Lists() const { return lists_; }
    const std::shared_ptr<const RecordIndex>& Index() const { return index_; }

    struct StartCheck {
        std::string requestDate;        // "%d%02d%02d-%02d" of the selection
        const char* message = nullptr;  // the first list without a selection, or null
    };
    StartCheck CheckStart() const;

  private:
    void FillMonths();
    void FillDays();
    void FillHours();

    std::shared_ptr<const RecordIndex> index_ = std::make_shared<const RecordIndex>();
    PickLists lists_;
};

}  // namespace nimbrel
