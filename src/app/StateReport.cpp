#include "app/StateReport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <algorithm>
#include <set>

#include "app/CNimbrelDlg.h"
#include "app/ClientSession.h"
#include "platform/FixedText.h"

namespace nimbrel {
namespace {

// How many different byte values a picture holds (a blank or single-colour picture has few),
// sampled over at most a few thousand pixels.
int DistinctValues(const PanePicture& picture) {
    if (picture.bgrx.empty()) return 0;
    std::set<uint8_t> seen;
    const std::size_t step = std::max<std::size_t>(1, picture.bgrx.size() / 4096);
    for (std::size_t i = 0; i < picture.bgrx.size(); i += step) seen.insert(picture.bgrx[i]);
    return static_cast<int>(seen.size());
}

}  // namespace

StateReport::StateReport(ClientSession& session, CNimbrelDlg& window, QString path, int periodMs)
    : session_(session), window_(window), path_(std::move(path)) {
    connect(&timer_, &QTimer::timeout, this, &StateReport::Write);
    timer_.start(periodMs);
}

std::unique_ptr<StateReport> StateReport::FromEnvironment(ClientSession& session,
                                                          CNimbrelDlg& window) {
    const QString path = qEnvironmentVariable("NIMBREL_REPORT");
    if (path.isEmpty()) return nullptr;
    return std::make_unique<StateReport>(session, window, path);
}

QJsonObject StateReport::Summary() const {
    QJsonObject summary;
    summary["loggedIn"] = session_.Settings().m_LoggedIn.load();
    summary["windowVisible"] = window_.isVisible();
    summary["maximised"] = window_.Maximised();
    summary["stage"] = static_cast<int>(window_.StartupWorker().CurrentStage());
    summary["serviceNotice"] = window_.ServiceNotice();

    QJsonArray tree;
    for (const TreeRow& row : session_.Tree().Rows()) {
        if (row.kind != TreeRow::Kind::Device) continue;
        const DeviceRecord* device = session_.List().At(row.deviceIndex);
        if (!device) continue;
        QJsonObject entry;
        entry["sid"] = QString::fromStdString(std::string(device->Sid()));
        entry["name"] = QString::fromStdString(device->Name());
        entry["online"] = device->IsOnline();
        tree.append(entry);
    }
    summary["tree"] = tree;

    QJsonArray cameras;
    for (int i = 0; i < session_.List().Count(); ++i) {
        CCamera* camera = session_.Camera(i);
        if (!camera) continue;
        QJsonObject entry;
        entry["sid"] = QString::fromStdString(std::string(camera->Sid()));
        entry["status"] = camera->m_nStatus.load();
        entry["page"] = camera->m_nPage.load();
        entry["slot"] = camera->m_nSlot.load();
        int distinct = 0;
        if (PaneSurface* surface = session_.Canvas().SurfaceOf(*camera))
            surface->ReadFront(
                [&](const PanePicture& picture) { distinct = DistinctValues(picture); });
        entry["pictureValues"] = distinct;
        entry["framesDecoded"] = static_cast<qint64>(camera->counters.framesDecoded.load());
        entry["fragments"] = static_cast<qint64>(camera->counters.fragments.load());
        entry["keepAlives"] = static_cast<qint64>(camera->counters.keepAlivesSent.load());
        cameras.append(entry);
    }
    summary["cameras"] = cameras;
    return summary;
}

void StateReport::Write() {
    QSaveFile file(path_);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(QJsonDocument(Summary()).toJson(QJsonDocument::Compact));
        file.write("\n");
        file.commit();
    }
    if (window_.isVisible()) {
        QSaveFile picture(path_ + QStringLiteral(".png"));
        if (picture.open(QIODevice::WriteOnly) && window_.grab().save(&picture, "PNG"))
            picture.commit();
    }
}

}  // namespace nimbrel
