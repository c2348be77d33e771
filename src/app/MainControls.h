// The main window's buttons: their command numbers, toolbar columns, tooltips, the order in which
// the keyboard walks the toolbar, and the commands of its menus.
// Threading: constant data and pure functions, callable from any thread.
#pragma once

#include <array>
#include <functional>

namespace nimbrel {

enum MainControl : int {
    kBtnPrevPage = 1003,
    kBtnNextPage = 1004,
    kBtnLayout = 1006,
    kBtnSnapshot = 1007,
    kBtnStop = 1008,
    kBtnAudioOn = 1009,
    kBtnTalkOn = 1010,
    kBtnTalkOff = 1011,
    kBtnMinimise = 1089,
    kBtnClose = 1090,
    kBtnMaximise = 1091,
    kBtnMenu = 1117,
    kBtnRecordOn = 1136,
    kBtnAudioOff = 1193,
    kBtnRecordOff = 1194,
    kBtnRestore = 1207,
    kBtnBitRateLow = 1212,
    kBtnBitRateStandard = 1213,
    kBtnBitRateHigh = 1214,
    kBtnRotate = 1220,
    kBtnAlarm = 1238,
    // The wall's tour, right of the toolbar's columns (off / running: one button, two pictures).
    kBtnTour = 1240,
};

enum MainCommand : int {
    kCmdSettings = 2000,
    kCmdFeedback = 2004,
    kCmdAbout = 16,
    kCmdTrayToggle = 2008,
    kCmdTrayExit = 2009,
    kCmdShortcuts = 2010,
    kCmdPlayAll = 2011,
    kCmdStopAll = 2012,
    kCmdHealthOverlay = 2013,
    kCmdArchive = 2014,  // the archive of recordings (title band button, menu, Ctrl+H)
    kCmdBitRateLow = 3903,
    kCmdBitRateStandard = 3904,
    kCmdBitRateHigh = 3905,
};

// The sixteen toolbar buttons, stacked ones included.
inline constexpr std::array<int, 16> kToolbarButtons = {
    kBtnLayout,   kBtnStop,     kBtnBitRateLow, kBtnBitRateStandard, kBtnBitRateHigh, kBtnAlarm,
    kBtnPrevPage, kBtnNextPage, kBtnRotate,     kBtnSnapshot,        kBtnAudioOn,     kBtnAudioOff,
    kBtnTalkOn,   kBtnTalkOff,  kBtnRecordOn,   kBtnRecordOff,
};
inline constexpr std::array<int, 5> kTitleButtons = {kBtnMenu, kBtnMinimise, kBtnMaximise,
                                                     kBtnRestore, kBtnClose};

// The column (0 to 10) of a toolbar button; stacked buttons share one. -1 for other ids.
int ToolbarColumn(int id);

// The tooltip of a toolbar button (UTF-8, as written: the window shows it translated in the
// catalogue context "MainControls"); null for buttons without one.
const char* ToolbarTooltip(int id);

// The order of Tab / Right (forwards) and Left (backwards).
inline constexpr std::array<int, 16> kToolbarFocusOrder = {
    kBtnLayout,   kBtnStop,     kBtnBitRateLow, kBtnBitRateStandard, kBtnBitRateHigh, kBtnAlarm,
    kBtnPrevPage, kBtnNextPage, kBtnRotate,     kBtnSnapshot,        kBtnAudioOn,     kBtnAudioOff,
    kBtnTalkOn,   kBtnTalkOff,  kBtnRecordOn,   kBtnRecordOff,
};

// The button that takes the focus from `current` (0 when none has it). Forwards: the next visible
// button of the order, or from the last visible one (or from none) the first button of the
// order. Backwards: the previous visible one, or from the first of the order (or from none) the
// last visible one. 0 when nothing qualifies.
int MoveToolbarFocus(int current, bool forward, const std::function<bool(int)>& visible);

}  // namespace nimbrel
