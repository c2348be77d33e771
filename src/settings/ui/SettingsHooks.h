// What the settings pages ask of the desktop around them, replaceable so that tests need neither
// the folder browser nor a file manager nor the updater: choosing a folder, showing a folder in
// the file manager, asking whether to update now, and starting the updater.
// Threading: the UI thread.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace nimbrel {

struct SettingsHooks {
    // The folder browser with `title`: the chosen folder, empty when none was chosen.
    std::function<QString(QWidget* parent, const QString& title)> chooseFolder;
    // Shows `folder` in the desktop's file manager.
    std::function<void(const QString& folder)> openFolder;
    // Asks `question` with Yes and No; true for Yes.
    std::function<bool(QWidget* parent, const QString& question)> confirm;
    // Starts the updater with the download address; false when it could not be started.
    std::function<bool(const std::string& resourceUrl)> startUpdater;

    // The real ones: Qt's folder browser, the file manager through the XDG way, a message box,
    // and the updater beside the executable.
    static SettingsHooks Desktop();
};

}  // namespace nimbrel
