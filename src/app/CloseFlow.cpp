#include "app/CloseFlow.h"

#include "service/AccountStore.h"

namespace nimbrel {

CloseAction CloseRequestAction(const AppRecord& app) {
    if (app.ShowClose) return CloseAction::Ask;
    if (app.ToTray) return CloseAction::HideToTray;
    return CloseAction::Quit;
}

CloseChoice CloseFlow::Opening() const {
    CloseChoice choice;
    choice.minimise = app_.ToTray != 0;
    choice.dontAsk = app_.ShowClose == 0;
    return choice;
}

bool CloseFlow::Confirm(const CloseChoice& choice) {
    const int showClose = choice.dontAsk ? 0 : 1;
    if (!AccountStore::For(app_.m_ConfigPath).Change([&](AccountFile& file) {
            return file.SetSetting("ShowClose", showClose ? "1" : "0");
        }))
        return false;
    app_.ShowClose = showClose;
    return true;
}

}  // namespace nimbrel
