// The main window's account windows: the alarm schedule of a device (from the toolbar and the
// tree), sharing a device (from the tree, after the password was confirmed), the settings and the
// feedback window (from the title band's menu).
#include "app/CNimbrelDlg.h"
#include "app/QtNotifier.h"
#include "service/ui/AlarmDialog.h"
#include "service/ui/FeedbackDialog.h"
#include "service/ui/SharingDialog.h"
#include "settings/ui/SettingsDialog.h"

namespace nimbrel {

int CNimbrelDlg::RunModal(QDialog& dialog) {
    auto* notifier = dynamic_cast<QtNotifier*>(&session_.Notifier());
    const QPointer<QWidget> before = notifier ? notifier->Window() : nullptr;
    if (notifier) notifier->SetWindow(&dialog);
    const int result = dialog.exec();
    if (notifier) notifier->SetWindow(before);
    return result;
}

void CNimbrelDlg::OpenAlarm(DeviceRecord& device) {
    AlarmDevice alarm;
    alarm.sid = std::string(device.Sid());
    alarm.name = device.Name();
    alarm.alarmSwitch = device.alarmStatus;
    alarm.startHour = device.alarmStartTime;
    alarm.endHour = device.alarmEndTime;
    // Confirmed changes go into the device's record (it lives as long as the program).
    const auto writeRecord = [&device](const AlarmDevice& changed) {
        device.alarmStatus = changed.alarmSwitch;
        device.alarmStartTime = changed.startHour;
        device.alarmEndTime = changed.endHour;
    };
    AlarmDialog dialog(session_.Settings(), session_.App(), session_.Notifier(), alarm, writeRecord,
                       session_.Service().http, this);
    RunModal(dialog);
}

void CNimbrelDlg::OpenSharing(const DeviceRecord& device) {
    SharingDialog dialog(session_.Settings(), session_.App(), session_.Notifier(),
                         std::string(device.Sid()), session_.Service().http, this);
    RunModal(dialog);
}

void CNimbrelDlg::OpenSettings() {
    SettingsDialog::Options options;
    options.http = session_.Service().http;
    SettingsDialog dialog(session_.Settings(), session_.App(), session_.Notifier(), options, this);
    RunModal(dialog);
    // The user took a newer version: its updater replaces the program, which ends now.
    if (dialog.UpdaterStarted()) OnCancel();
}

void CNimbrelDlg::OpenFeedback() {
    FeedbackDialog dialog(session_.Settings(), session_.App(), session_.Notifier(),
                          session_.Service().http, this);
    RunModal(dialog);
}

}  // namespace nimbrel
