// The recording index without a network: the day list read into years, months, days and hours
// within their capacities, items that name no day, the pick lists refilled from the level picked
// down with their rows reset, the start checks with their messages, and the window's geometry.
#include <gtest/gtest.h>

#include <string>

#include "playback/PlaybackLayout.h"
#include "playback/PlaybackTexts.h"
#include "playback/RecordIndex.h"
#include "playback/RecordPicker.h"

namespace nimbrel {
namespace {

using Texts = std::vector<std::string>;

PickLists Shown(const std::string& dayList) {
    RecordPicker picker;
    picker.Show(std::make_shared<const RecordIndex>(RecordIndex::FromDayList(dayList)));
    return picker.Lists();
}

TEST(RecordIndex, ItemsAcrossANewYearGiveTwoYearsAndTheFirstYearsListsAreShown) {
    const auto index = RecordIndex::FromDayList("20131231-23;20140101-00");
    ASSERT_EQ(index.YearCount(), 2);
    EXPECT_EQ(index.YearAt(0).year, 2013);
    EXPECT_EQ(index.YearAt(1).year, 2014);
    EXPECT_EQ(index.MonthAt(1, 0).month, 1);

    const PickLists lists = Shown("20131231-23;20140101-00");
    EXPECT_EQ(lists.years, (Texts{"2013", "2014"}));
    EXPECT_EQ(lists.months, (Texts{"12"}));
    EXPECT_EQ(lists.days, (Texts{"31"}));
    EXPECT_EQ(lists.hours, (Texts{"23"}));
    EXPECT_EQ((std::array{lists.year, lists.month, lists.day, lists.hour}),
              (std::array{0, 0, 0, 0}));
}

TEST(RecordIndex, ARepeatedDayAddsItsHoursToTheDaySeenFirstInTheOrderNamed) {
    const auto index = RecordIndex::FromDayList("20140315-08;20140316-10;20140315-09-21");
    ASSERT_EQ(index.DayCount(0, 0), 2);
    EXPECT_EQ(index.DayAt(0, 0, 0).day, 15);
    EXPECT_EQ(index.DayAt(0, 0, 1).day, 16);
    EXPECT_EQ(index.HourCount(0, 0, 0), 3);
    EXPECT_EQ(Shown("20140315-21;20140315-08").hours, (Texts{"21", "08"}));  // not sorted
}

TEST(RecordIndex, ADayWithoutHoursIsListedWithAnEmptyHourList) {
    for (const char* item : {"20140316", "20140316-"}) {
        const auto index = RecordIndex::FromDayList(item);
        ASSERT_EQ(index.DayCount(0, 0), 1) << item;
        EXPECT_EQ(index.HourCount(0, 0, 0), 0) << item;
        const PickLists lists = Shown(item);
        EXPECT_EQ(lists.days, (Texts{"16"}));
        EXPECT_TRUE(lists.hours.empty());
        EXPECT_EQ(lists.hour, -1);
    }
}

TEST(RecordIndex, ItemsBeyondTheCapacitiesAreIgnoredAndTheRestIsKept) {
    // A fourth year, a thirteenth... month cannot exist, but a fourth year and a 25th hour can.
    const auto years = RecordIndex::FromDayList("20110101-01;20120101-01;20130101-01;20140101-01");
    ASSERT_EQ(years.YearCount(), RecordIndex::kYears);
    EXPECT_EQ(years.YearAt(2).year, 2013);

    std::string day = "20140315";
    for (int h = 0; h < 30; ++h)
        day += "-" + std::string(h % 24 < 10 ? "0" : "") + std::to_string(h % 24);
    const auto hours = RecordIndex::FromDayList(day + ";20140315-05");
    EXPECT_EQ(hours.HourCount(0, 0, 0), RecordIndex::kHours);
    EXPECT_EQ(hours.DayAt(0, 0, 0).hours[23], 23);

    std::string months;
    for (int m = 1; m <= 12; ++m)
        months += "2014" + std::string(m < 10 ? "0" : "") + std::to_string(m) + "01;";
    EXPECT_EQ(RecordIndex::FromDayList(months).MonthCount(0), RecordIndex::kMonths);
    std::string days;
    for (int d = 1; d <= 31; ++d)
        days += "201403" + std::string(d < 10 ? "0" : "") + std::to_string(d) + ";";
    EXPECT_EQ(RecordIndex::FromDayList(days).DayCount(0, 0), RecordIndex::kDays);
}

TEST(RecordIndex, GarbledItemsAndHoursAreSkippedWithoutHarmingTheirNeighbours) {
    const auto index = RecordIndex::FromDayList(
        ";;2014;20141399-08;abcdefgh-01;00000101-01;09990101-01;20140001-01;20140132-01;"
        "20140401-0x-07-99-12;20140402-;x");
    ASSERT_EQ(index.YearCount(), 1);
    ASSERT_EQ(index.MonthCount(0), 1);
    ASSERT_EQ(index.DayCount(0, 0), 2);
    EXPECT_EQ(index.DayAt(0, 0, 0).day, 1);
    ASSERT_EQ(index.HourCount(0, 0, 0), 2);
    EXPECT_EQ(index.DayAt(0, 0, 0).hours[0], 7);
    EXPECT_EQ(index.DayAt(0, 0, 0).hours[1], 12);
    EXPECT_EQ(index.HourCount(0, 0, 1), 0);
}

TEST(RecordIndex, OnlyTheFirst4095CharactersAreRead) {
    // Filler items that name no day, then a day whose hours straddle the limit.
    std::string text(4095 - 14, ';');
    text += "20140315-08-09-10";  // characters 4081..4097: the cut falls before "-10"
    auto index = RecordIndex::FromDayList(text + ";20150101-01");
    ASSERT_EQ(index.YearCount(), 1);
    ASSERT_EQ(index.HourCount(0, 0, 0), 2);
    EXPECT_EQ(index.DayAt(0, 0, 0).hours[1], 9);
}

TEST(RecordPicker, PickingALevelRefillsTheLowerListsAtTheirFirstRows) {
    RecordPicker picker;
    picker.Show(std::make_shared<const RecordIndex>(RecordIndex::FromDayList(
        "20131231-23;20140101-00-01;20140315-08;20140316-10-11;20140420-12")));
    picker.PickYear("2014");
    EXPECT_EQ(picker.Lists().months, (Texts{"01", "03", "04"}));
    EXPECT_EQ(picker.Lists().days, (Texts{"01"}));
    EXPECT_EQ(picker.Lists().hours, (Texts{"00", "01"}));

    picker.PickMonth(1);
    picker.PickDay(1);
    picker.PickHour(1);
    EXPECT_EQ(picker.CheckStart().requestDate, "20140316-11");
    EXPECT_EQ(picker.Lists().days, (Texts{"15", "16"}));

    picker.PickMonth(2);  // the day and hour go back to the first rows
    EXPECT_EQ(picker.Lists().day, 0);
    EXPECT_EQ(picker.Lists().hour, 0);
    EXPECT_EQ(picker.CheckStart().requestDate, "20140420-12");

    picker.PickYear("2013");
    EXPECT_EQ(picker.Lists().month, 0);
    EXPECT_EQ(picker.CheckStart().requestDate, "20131231-23");
}

TEST(RecordPicker, PicksOutsideTheListsChangeNothing) {
    RecordPicker picker;
    picker.Show(std::make_shared<const RecordIndex>(RecordIndex::FromDayList("20140315-08-09")));
    picker.PickHour(1);
    const PickLists before = picker.Lists();
    picker.PickYear("2015");
    picker.PickYear("");
    picker.PickMonth(1);
    picker.PickDay(-1);
    picker.PickHour(2);
    EXPECT_EQ(picker.Lists(), before);
    EXPECT_EQ(picker.CheckStart().requestDate, "20140315-09");
}

TEST(RecordPicker, TheStartNamesTheFirstListWithoutASelection) {
    RecordPicker empty;
    EXPECT_STREQ(empty.CheckStart().message, playback_text::kChooseYear);
    empty.Show(nullptr);
    EXPECT_STREQ(empty.CheckStart().message, playback_text::kChooseYear);

    RecordPicker noHour;
    noHour.Show(std::make_shared<const RecordIndex>(RecordIndex::FromDayList("20140316")));
    const auto check = noHour.CheckStart();
    EXPECT_STREQ(check.message, playback_text::kChooseHour);
    EXPECT_TRUE(check.requestDate.empty());
}

TEST(PlaybackLayout, A1000By520ClientAreaGivesA657By370VideoArea) {
    const PlaybackLayout l = ComputePlaybackLayout(1000, 520);
    EXPECT_EQ(l.video, (PlaybackRect{10, 55, 657, 370}));
    // A box wider than tall-enough: limited by the width instead.
    EXPECT_EQ(ComputePlaybackLayout(940, 800).video, (PlaybackRect{10, 55, 640, 360}));

    EXPECT_EQ(l.lists[0], (PlaybackRect{720, 80, 60, 340}));
    EXPECT_EQ(l.lists[3].x, 930);
    EXPECT_EQ(l.captions[1].x, 800);
    EXPECT_EQ(l.captions[1].y, 55);
    EXPECT_EQ(l.start, (PlaybackRect{750, 445, 160, 40}));
    EXPECT_EQ(l.slider, (PlaybackRect{60, 450, 584, 30}));
    EXPECT_EQ(l.currentTime.x, 10);
    EXPECT_EQ(l.endTime.x, 654);
    // The transport buttons are centred 100 apart on the video's middle.
    const int middle = 10 + 657 / 2;
    EXPECT_EQ(l.pause.x + l.pause.w / 2, middle);
    EXPECT_EQ(l.rewind.x + l.rewind.w / 2, middle - 100);
    EXPECT_EQ(l.forward.x + l.forward.w / 2, middle + 100);
    EXPECT_EQ(l.close.x + l.close.w, 1000 - 4);
}

TEST(PlaybackLayout, TheStartingBoxesScaleInSmallAreasAndStayCentredInLargeOnes) {
    const PlaybackProgressBoxes large = ComputeProgressBoxes(640, 360, 7);
    EXPECT_EQ(large.boxes[0], (PlaybackRect{210, 288, 30, 15}));
    EXPECT_EQ(large.boxes[5].x, 210 + 5 * 38);
    EXPECT_EQ(large.lit, 1);
    const PlaybackProgressBoxes small = ComputeProgressBoxes(200, 100, 12);
    EXPECT_EQ(small.boxes[0], (PlaybackRect{40, 80, 13, 5}));
    EXPECT_EQ(small.boxes[1].x, 40 + 21);
    EXPECT_EQ(small.lit, 0);
}

TEST(PlaybackLayout, TinySizesGiveNoNegativeSizes) {
    for (const auto& [w, h] : {std::pair{0, 0}, std::pair{100, 50}, std::pair{310, 160}}) {
        const PlaybackLayout l = ComputePlaybackLayout(w, h);
        EXPECT_GE(l.video.w, 0);
        EXPECT_GE(l.video.h, 0);
        EXPECT_GE(l.slider.w, 0);
        EXPECT_GE(l.lists[0].h, 0);
    }
}

}  // namespace
}  // namespace nimbrel
