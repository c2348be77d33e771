// The live-wall benchmark's rows as a reader compares them between versions: one row per wall
// with the figures the targets speak of, written as JSON and drawn as an SVG chart of the
// client's CPU over the floor.
// Threading: plain functions on values.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace nimbrel::bench {

struct WallRow {
    std::string stream;  // "720p25", "1080p25"
    int open = 0;        // cameras open
    int shown = 0;       // of them on the page shown
    bool audio = false;  // device audio and talk on one camera
    bool tour = false;   // the wall's tour ran: a switch every 10 s
    double client = 0;   // CPU s/s of the client process
    double floor = 0;    // CPU s/s of decoding plus one conversion of the shown streams
    double ratio = 0;    // client / floor (0 without a floor)
    long dropped = 0;    // frames dropped and ticks skipped in the window
    double delayMedianMs = 0;
    double delayP99Ms = 0;
    std::optional<double> mibPerShownCamera;
    std::optional<double> mibPerHiddenCamera;
    std::optional<double> pageSwitchMs;  // the longest switch to live pictures
    std::optional<double> tourSwitchMedianMs;  // a tour's switches to live pictures
    std::optional<double> tourSwitchMaxMs;
};

// A JSON array with one object per row; absent figures are null.
std::string RowsAsJson(const std::vector<WallRow>& rows);
// A bar chart of client / floor per row (rows without a floor are left out), with the line of
// `target`.
std::string RatioChartSvg(const std::vector<WallRow>& rows, double target);
// Writes `text` to `path`; false when it could not.
bool WriteTextFile(const std::string& path, const std::string& text);

}  // namespace nimbrel::bench
