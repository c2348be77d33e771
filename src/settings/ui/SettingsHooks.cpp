#include "settings/ui/SettingsHooks.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QUrl>

#include "service/VersionCheck.h"
#include "widgets/CoreText.h"
#include "widgets/FramedMessageBox.h"

namespace nimbrel {

SettingsHooks SettingsHooks::Desktop() {
    SettingsHooks hooks;
    hooks.chooseFolder = [](QWidget* parent, const QString& title) {
        return QFileDialog::getExistingDirectory(parent, title, QString(),
                                                 QFileDialog::ShowDirsOnly);
    };
    // The desktop's file manager for a folder, as the freedesktop way chooses it (the portal
    // or xdg-open).
    hooks.openFolder = [](const QString& folder) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
    };
    hooks.confirm = [](QWidget* parent, const QString& question) {
        return FramedMessageBox::Ask(parent, CoreText(kVersionCaption), question,
                                     FramedMessageBox::Buttons::YesNo);
    };
    hooks.startUpdater = [](const std::string& url) { return StartUpdater(url); };
    return hooks;
}

}  // namespace nimbrel
