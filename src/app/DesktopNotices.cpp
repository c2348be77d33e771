#include "app/DesktopNotices.h"

#include "app/DesktopNotifications.h"
#include "widgets/CoreText.h"
#include "widgets/ProgramTitle.h"
#include "widgets/ResourcePath.h"

namespace nimbrel {
namespace {

MissedNotices::Look LookAt(const CCamera& camera) {
    switch (camera.m_nStatus.load()) {
        case kStatusPlaying:
            return MissedNotices::Look::Playing;
        case kStatusReady:
            return MissedNotices::Look::Ended;
        default:
            // Connecting or failed, told apart from a device the service says is offline.
            if (!camera.IsOnline()) return MissedNotices::Look::Offline;
            return camera.m_nStatus == kStatusFailed ? MissedNotices::Look::Failed
                                                     : MissedNotices::Look::Connecting;
    }
}

}  // namespace

DesktopNotices::DesktopNotices(ClientSession& session, DesktopNotifications* service,
                               std::function<bool()> outOfSight, MissedNotices::Limits limits,
                               QObject* parent)
    : QObject(parent),
      session_(session),
      service_(service),
      outOfSight_(std::move(outOfSight)),
      decisions_(limits) {
    timer_.setInterval(kLookMs);
    connect(&timer_, &QTimer::timeout, this, &DesktopNotices::Look);
    timer_.start();
}

bool DesktopNotices::MayTell() const {
    return session_.App().DesktopNotices != 0 && outOfSight_ && outOfSight_();
}

void DesktopNotices::Look() {
    const auto now = MissedNotices::Clock::now();
    const bool tell = MayTell();
    for (int i = 0, n = session_.List().Count(); i < n; ++i) {
        const CCamera* camera = session_.Camera(i);
        if (!camera) continue;
        const std::string sid(camera->Sid());
        decisions_.Observe(sid, camera->Name(), LookAt(*camera), now);
        // A recording switched off without the user: the disk refused its file.
        RecordingLook& was = recordings_[i];
        const RecordingLook is{camera->m_bRecord != 0, camera->Recorder().OpenFailures()};
        if (was.on && !is.on) {
            const auto files = camera->Recorder().Files();
            const bool byDisk = is.openFailures > was.openFailures ||
                                (!files.empty() && files.back().failed);
            if (byDisk)
                if (const auto notice = decisions_.RecordingStopped(sid, camera->Name(), tell, now))
                    Send(*notice);
        }
        was = is;
    }
    for (const MissedNotices::Notice& notice : decisions_.Due(tell, now)) Send(notice);
}

void DesktopNotices::SignedOut(bool outOfSight) {
    const bool tell = outOfSight && session_.App().DesktopNotices != 0;
    if (const auto notice = decisions_.SignedOut(tell, MissedNotices::Clock::now())) Send(*notice);
}

void DesktopNotices::Send(const MissedNotices::Notice& notice) {
    if (!service_) return;
    const QString name = QString::fromStdString(notice.name);
    QString summary = name, body;
    switch (notice.kind) {
        case MissedNotices::Kind::CameraFailed:
            body = tr("Видео прервалось и не вернулось за минуту");
            break;
        case MissedNotices::Kind::CameraOffline:
            body = tr("Камера не в сети больше минуты");
            break;
        case MissedNotices::Kind::RecordingStopped:
            body = tr("Запись остановлена: не удалось записать файл на диск");
            break;
        case MissedNotices::Kind::SignedOut:
            summary = tr("Сеанс завершён");
            body = tr("Сервис завершил сеанс: войдите снова, чтобы вернуть видео");
            break;
    }
    if (service_->Send(CoreText(kProgramTitle), ResourcePath("nimbrel.png"), summary, body,
                       QString::fromStdString(notice.sid)))
        ++sent_;
}

}  // namespace nimbrel
