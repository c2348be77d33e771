// Walking the program's windows as a user sees them: the texts that do not fit their controls,
// the texts shown at all (titles, labels, buttons, check boxes, combo items, placeholders, list
// headers, tooltips, menu items), and the account and message windows opened one by one.
// Threading: the test's thread (the UI thread).
#pragma once

#include <QMenu>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "RecordingNotifier.h"
#include "devices/DeviceRecord.h"
#include "service/AppRecord.h"
#include "service/GlobalSettings.h"

namespace nimbrel {
class CNimbrelDlg;
class LoginFlow;
}  // namespace nimbrel

namespace nimbrel::test {

// The texts of `window` that do not fit their controls, described for a failure message.
std::vector<std::string> TextsThatDoNotFit(QWidget* window);

// Every text `window` shows on its visible controls (and its own title), each described as
// `Class "text"`; a line edit's typed text is the user's data and not included.
std::vector<std::string> ShownTexts(QWidget* window);
// The items of `menu` and of its submenus.
std::vector<std::string> MenuTexts(const QMenu& menu);

// True when `text` holds a Cyrillic letter.
bool HasCyrillic(const std::string& text);

struct WalkedWindow {
    const char* name;
    std::function<std::unique_ptr<QWidget>(QWidget* parent)> make;
};

// What the account windows of the walk need.
struct WalkParts {
    GlobalSettings& g;
    AppRecord& record;
    RecordingNotifier& notifier;
    DeviceRecord& lockedDevice;
    // A camera's or a group's name as the user gave it (data, in any script).
    QString sampleName;
};

// The About box, the exit dialog, shortcuts, rename, keypad, a confirmation, a question, alarm,
// feedback, password confirmation, password recovery, sharing and settings.
std::vector<WalkedWindow> WalkedWindows(WalkParts parts);

// Puts every message that a window's flow shows at run time into the control that shows it —
// the login window's status line and its notices, the settings' password status lines, the
// sharing window's and the password confirmation's status lines — and returns those that do not
// fit (a notice also when it is wider than the login window or covers its fields), each
// described with its window.
std::vector<std::string> RunTimeTextsThatDoNotFit(WalkParts parts, LoginFlow& login);

// Shows the login window over `flow`, then the playback window of `main`'s first device (`main`
// shown), and hands each to `check` (with its name) while it is open.
void WalkLoginAndPlayback(LoginFlow& flow, CNimbrelDlg& main,
                          const std::function<void(const char*, QWidget*)>& check);

}  // namespace nimbrel::test
