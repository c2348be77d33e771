// The settings dialog's basic page: the recording and snapshot folders (each with browse, open
// and an automatic choice), the recording file length, what the close button does, automatic
// login, opening every device at start, starting with the session, the archive's retention
// (the last N days, at most N gigabytes or N % of the disk; 0 for no limit) and the language of
// the program's windows (used from the next start).
// Threading: the UI thread.
#pragma once

#include <optional>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QWidget>

#include "platform/UserNotifier.h"
#include "settings/SettingsFlow.h"
#include "settings/ui/SettingsHooks.h"
#include "widgets/FlatButton.h"

namespace nimbrel {

class BasicSettingsPage : public QWidget {
    Q_OBJECT
  public:
    BasicSettingsPage(const SettingsFlow& flow, UserNotifier& notifier, SettingsHooks hooks,
                      QWidget* parent = nullptr);

    // Shows the values read when the dialog opened; a file that could not be read leaves every
    // control empty.
    void Fill(const SettingsValues& values);
    // The page's part of what Save writes.
    void Read(SettingsValues& values) const;

    // A control by its number (1051, 1001, 1055, 1057, 1119, 1053, 1056, 1054, 1160, 1050, 1084,
    // 1129, 1061, 1127, 1126); null for another number.
    QWidget* Control(int id) const;
    // The language choice: Russian, then English.
    QComboBox* LanguageBox() const { return language_; }
    // The retention: days, the size limit's number and its unit (gigabytes, then % of the disk).
    QLineEdit* RetentionDays() const { return archiveDays_; }
    QLineEdit* RetentionSize() const { return archiveSize_; }
    QComboBox* RetentionUnit() const { return archiveUnit_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    struct FolderRow {
        QLineEdit* path;
        FlatButton* browse;
        FlatButton* open;
        QCheckBox* automatic;
    };
    FolderRow MakeFolderRow(FolderKind kind, int pathId, int browseId, int openId, int automaticId);
    void Browse(const FolderRow& row);
    void Open(const FolderRow& row);
    void Automatic(FolderKind kind, const FolderRow& row, bool ticked);

    const SettingsFlow& flow_;
    UserNotifier& notifier_;
    SettingsHooks hooks_;
    FolderRow video_;
    FolderRow image_;
    QComboBox* fileLength_;
    QRadioButton* toTray_;
    QRadioButton* quit_;
    QCheckBox* showClose_;
    QCheckBox* autoLogin_;
    QCheckBox* autoPlay_;
    QCheckBox* autostart_;
    QCheckBox* desktopNotices_;
    QComboBox* language_;
    QLabel* languageNote_ = nullptr;
    std::optional<InterfaceLanguage> environmentLanguage_;
    QLineEdit* archiveDays_;
    QLineEdit* archiveSize_;
    QComboBox* archiveUnit_;
};

}  // namespace nimbrel
