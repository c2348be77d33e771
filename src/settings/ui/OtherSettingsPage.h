// The settings dialog's other page: the update choice, the program's version with the version
// check (a newer version is offered for update), and the password change of the signed-in
// account with a red status line beside each box.
// Threading: the UI thread. The version check and the password change run on workers whose
// results are posted here.
#pragma once

#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QWidget>
#include <array>
#include <memory>

#include "platform/RequestWorker.h"
#include "platform/UserNotifier.h"
#include "service/PasswordChangeFlow.h"
#include "settings/SettingsFlow.h"
#include "settings/ui/SettingsHooks.h"
#include "widgets/FlatButton.h"

namespace nimbrel {

class OtherSettingsPage : public QWidget {
    Q_OBJECT
  public:
    OtherSettingsPage(GlobalSettings& g, AppRecord& app, UserNotifier& notifier,
                      SettingsHooks hooks, HttpOptions http, QWidget* parent = nullptr);
    // Late results of the workers are dropped.
    ~OtherSettingsPage() override;

    void Fill(const SettingsValues& values);
    void Read(SettingsValues& values) const;

    // A control by its number (1150, 1151, 1139, 1138, 1216, 1133, 1053, 1135, 1136); null for
    // another number.
    QWidget* Control(int id) const;
    // The red status line beside a password box.
    QLabel* StatusLine(PasswordBox box) const;
    bool VersionCheckRunning() const { return versionWorker_->Running(); }
    PasswordChangeFlow& PasswordChange() { return change_; }

  signals:
    // The user took a newer version and its updater started: the program is to end.
    void UpdaterStarted();
    // A version check or a password change finished and was shown (tests wait for it).
    void VersionChecked(int result);
    void PasswordChangeFinished(bool ok);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void CheckVersion();
    void OnVersionResult(int result);
    void ApplyPassword();
    QLineEdit* Box(PasswordBox box) const;

    GlobalSettings& g_;
    AppRecord& app_;
    UserNotifier& notifier_;
    SettingsHooks hooks_;
    const HttpOptions http_;
    PasswordChangeFlow change_;

    QButtonGroup* update_;
    FlatButton* checkVersion_;
    QLabel* version_;
    QLineEdit* old_;
    QLineEdit* new_;
    QLineEdit* repeat_;
    std::array<QLabel*, 3> status_{};
    FlatButton* apply_;
    std::unique_ptr<RequestWorker> versionWorker_;
};

}  // namespace nimbrel
