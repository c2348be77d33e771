#include "camera/CardSpec.h"

#include <cstdio>

#include "ScenarioReader.h"

namespace nimbrel::sim {
namespace {

constexpr std::size_t kMaxDays = 400;
constexpr std::size_t kMaxDayList = 100000;

bool IsDate(const std::string& text) {
    if (text.size() != 8) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    const int month = std::stoi(text.substr(4, 2));
    const int day = std::stoi(text.substr(6, 2));
    return std::stoi(text.substr(0, 4)) > 0 && month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

CardDay ReadDay(const Json::Value& value, const std::string& where) {
    ScenarioObject o(value, where);
    CardDay d;
    d.date = o.Text("date", "", 8);
    if (!IsDate(d.date)) Fail(o.At("date"), "must be a date YYYYMMDD");
    if (o.Has("hours")) {
        const Json::Value& hours = o.Raw("hours");
        if (!hours.isArray()) Fail(o.At("hours"), "must be an array of hours 0..23");
        for (const Json::Value& h : hours) {
            if (!h.isInt() || h.asInt() < 0 || h.asInt() > 23)
                Fail(o.At("hours"), "must be an array of hours 0..23");
            d.hours.push_back(h.asInt());
        }
    }
    o.CheckAllKnown();
    return d;
}

IndexReplyShape ReadShape(ScenarioObject& o) {
    const std::string text = o.Text("indexReply", "normal", 32);
    for (IndexReplyShape s : {IndexReplyShape::Normal, IndexReplyShape::Oversized,
                              IndexReplyShape::Mistyped, IndexReplyShape::BadSeal})
        if (text == IndexReplyShapeName(s)) return s;
    Fail(o.At("indexReply"), "must be normal, oversized, mistyped or badSeal");
}

}  // namespace

const char* IndexReplyShapeName(IndexReplyShape shape) {
    switch (shape) {
        case IndexReplyShape::Normal:
            return "normal";
        case IndexReplyShape::Oversized:
            return "oversized";
        case IndexReplyShape::Mistyped:
            return "mistyped";
        case IndexReplyShape::BadSeal:
            return "badSeal";
    }
    return "normal";
}

std::string CardSpec::DayList() const {
    if (dayList) return *dayList;
    std::string list;
    for (const CardDay& day : days) {
        if (!list.empty()) list += ';';
        list += day.date;
        for (int hour : day.hours) {
            char text[8];
            std::snprintf(text, sizeof text, "-%02d", hour);
            list += text;
        }
    }
    return list;
}

bool CardSpec::Holds(const std::string& date, int hour) const {
    for (const CardDay& day : days)
        if (day.date == date)
            for (int h : day.hours)
                if (h == hour) return true;
    return false;
}

double CardSpec::EndSeconds() const {
    return endsAt >= 0 ? endsAt : recordingSeconds;
}

Result<CardSpec> ReadCardSpec(const Json::Value& value, const std::string& where) {
    return ReadGuarded<CardSpec>([&] {
        ScenarioObject o(value, where);
        CardSpec c;
        if (o.Has("days")) {
            const Json::Value& days = o.Raw("days");
            if (!days.isArray() || days.size() > kMaxDays)
                Fail(o.At("days"),
                     "must be an array of at most " + std::to_string(kMaxDays) + " days");
            for (Json::ArrayIndex i = 0; i < days.size(); ++i)
                c.days.push_back(ReadDay(days[i], o.At("days") + "[" + std::to_string(i) + "]"));
        }
        if (o.Has("dayList")) c.dayList = o.Text("dayList", "", kMaxDayList);
        c.indexReply = ReadShape(o);
        c.recordingSeconds = o.Int("recordingSeconds", c.recordingSeconds, 1, 86400);
        c.startSecond = o.Int("startSecond", c.startSecond, 0, 3599);
        c.endsAt = o.Seconds("endsAt");
        c.overrunEnd = o.Bool("overrunEnd");
        c.speexAudio = o.Bool("speexAudio");
        c.toneHz = o.Int("toneHz", c.toneHz, 50, 3900);
        o.CheckAllKnown();
        return c;
    });
}

}  // namespace nimbrel::sim
