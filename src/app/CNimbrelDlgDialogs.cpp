// The main window's account windows: the alarm schedule of a device (from the toolbar and the
// tree), sharing a device (from the tree, after the password was confirmed), the settings and the
// feedback window (from the title band's menu).
#include "app/CNimbrelDlg.h"
#include "app/QtNotifier.h"
#include "archive/LocalTime.h"
#include "archive/ui/ArchiveWindow.h"
#include "platform/FixedText.h"
#include "platform/UserDirs.h"
#include "service/MediaSettings.h"
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
    // A new recording folder: the archive follows it; new retention limits apply at once.
    session_.Archive().SetFolder(ReadMediaSettings(session_.App()).videoPath);
    session_.Archive().PruneSoon();
    // The user took a newer version: its updater replaces the program, which ends now.
    if (dialog.UpdaterStarted()) OnCancel();
}

void CNimbrelDlg::OpenFeedback() {
    FeedbackDialog dialog(session_.Settings(), session_.App(), session_.Notifier(),
                          session_.Service().http, this);
    RunModal(dialog);
}

void CNimbrelDlg::OpenArchive(const std::string& sid) {
    if (!archive_) {
        const MediaSettings media = ReadMediaSettings(session_.App());
        const std::string user(GetText(session_.App().m_UserName));
        // The snapshot folder as the snapshots are written there: joined as paths, "~" from the
        // home folder; none when it names no place.
        const std::optional<std::filesystem::path> images = ExpandFolder(media.imagePath);
        const std::string snapshots = images ? (*images / user).string() : std::string();
        archive_ = new ArchiveWindow(session_.Archive(), snapshots, sid, this);
        // The rows carry the names the account gave its cameras.
        archive_->SetCameraNames([this](const std::string& camera) {
            const DeviceRecord* device = session_.List().At(session_.List().IndexOfSid(camera));
            return device ? device->Name() : std::string();
        });
    } else {
        // Files recorded since (by another program too) are found in the background.
        session_.Archive().SyncSoon();
        archive_->Reload();
    }
    archive_->show();
    archive_->raise();
    archive_->activateWindow();
    if (!sid.empty()) {
        // The camera's latest recording, from its start.
        const auto rows = session_.Archive().Index().Files(session_.Archive().Root(), sid);
        if (!rows.empty()) {
            archive_->ShowDay(archive::DayStart(rows.back().startMs));
            archive_->PlayFrom(sid, rows.back().startMs);
        }
    }
}

}  // namespace nimbrel
