// The recordings on a simulated camera's card: the days and hours it lists, how long each
// recorded hour is and where in its hour it starts, and the switches that make the index reply
// or the played recording misbehave.
// Threading: plain data, read-only once the scenario is loaded; the reader is a pure function.
#pragma once

#include <json/value.h>

#include <optional>
#include <string>
#include <vector>

#include "Result.h"

namespace nimbrel::sim {

struct CardDay {
    std::string date;        // "YYYYMMDD"
    std::vector<int> hours;  // 0..23 in the order listed; may be empty
};

// How playBack.do's reply is shaped.
enum class IndexReplyShape {
    Normal,
    Oversized,  // an unsealed filler takes the reply past 256 KiB
    Mistyped,   // videoDaylist is an array of texts, not one text
    BadSeal,    // sk and biz do not open
};

struct CardSpec {
    std::vector<CardDay> days;           // in the order the camera lists them
    std::optional<std::string> dayList;  // answered as it stands instead of one made from days
    IndexReplyShape indexReply = IndexReplyShape::Normal;
    int recordingSeconds = 3600;  // the length announced for each hour (playbackGap)
    int startSecond = 0;          // the recording begins this many seconds into its hour
    double endsAt = -1;           // the recording really ends here (seconds); -1: at its length
    bool overrunEnd = false;      // at the end the stream goes on, time values past the end
    bool speexAudio = false;      // plays Speex packets, which a playback must not take
    int toneHz = 750;             // the recordings' tone, apart from the camera's live one

    // The day list a camera answers: "20140315-08-09-21;20140316" (a day without hours alone).
    std::string DayList() const;
    // True when the card holds hour `hour` of `date`.
    bool Holds(const std::string& date, int hour) const;
    // Where the recording ends: endsAt when set, else its announced length.
    double EndSeconds() const;
};

const char* IndexReplyShapeName(IndexReplyShape shape);

// Reads the "card" member of a device object; `where` names the device ("devices[2]").
Result<CardSpec> ReadCardSpec(const Json::Value& card, const std::string& where);

}  // namespace nimbrel::sim
