// What closing the main window does, without a window: the choice between the exit dialog, the
// tray and quitting, and the exit dialog's opening state and its OK, which stores "ShowClose".
// Threading: the UI thread.
#pragma once

#include "service/AppRecord.h"

namespace nimbrel {

enum class CloseAction {
    Ask,         // "ShowClose" is 1: the exit dialog decides
    HideToTray,  // "ToTray" is 1
    Quit,
};

// The main window's close request.
CloseAction CloseRequestAction(const AppRecord& app);

struct CloseChoice {
    bool minimise = true;  // "Свернуть" rather than "Выйти из программы"
    bool dontAsk = false;  // "Больше не спрашивать"
};

class CloseFlow {
  public:
    explicit CloseFlow(AppRecord& app) : app_(app) {}

    // "Свернуть" unless "ToTray" is 0; "Больше не спрашивать" when "ShowClose" is 0.
    CloseChoice Opening() const;
    // OK: loads the account file, sets config1 "ShowClose" to "0" when the dialog is not to ask
    // again, else "1", the same in the record, and saves. "ToTray" is left alone. False when the
    // file cannot be loaded or saved: then nothing changed and the dialog stays open.
    bool Confirm(const CloseChoice& choice);

  private:
    AppRecord& app_;
};

}  // namespace nimbrel
