// The main window's commands on the whole wall: play all and stop all from the title band's menu,
// the tree's marks of the devices whose view runs, the panes' health overlay switch, which the
// account file keeps, and the wall's tour with its button and countdown.
#include <QLabel>

#include "app/CNimbrelDlg.h"
#include "app/TourControl.h"
#include "app/WallCommands.h"
#include "devices/ui/DeviceTreeWidget.h"
#include "platform/Log.h"
#include "service/AccountStore.h"
#include "wall/StoredLayout.h"
#include "wall/StoredTour.h"
#include "wall/ui/CanvasWidget.h"
#include "widgets/BitmapButton.h"

namespace nimbrel {

void CNimbrelDlg::PlayAll() {
    const std::vector<CCamera*> started = PlayAllCameras(session_);
    // As for one camera opened from the tree: the page of the first new view comes up, unless
    // the page shown has new views of its own.
    CCanvas& canvas = session_.Canvas();
    const int shown = canvas.CurrentPage();
    bool onShownPage = false;
    for (const CCamera* camera : started) onShownPage = onShownPage || camera->m_nPage == shown;
    if (!started.empty() && !onShownPage && started.front()->m_nPage >= 0)
        canvas.ShowPage(started.front()->m_nPage);
    UpdatePlayingMarks();
}

void CNimbrelDlg::CreateTour() {
    const std::filesystem::path& account = session_.App().m_ConfigPath;
    auto openGroup = [this](int32_t gid) {
        TourControl::GroupCameras group;
        // The list and the automatic play come first: a group taken before them would be
        // gathered without its cameras, or joined by others afterwards.
        const AllInit::Stage stage = allInit_.CurrentStage();
        group.ready = !options_.startAllInit || stage == AllInit::Stage::Done ||
                      stage == AllInit::Stage::Failed;
        if (!group.ready) return group;
        const auto cameras = PlayGroupCameras(session_, gid);
        group.exists = cameras.has_value();
        if (cameras) group.cameras.assign(cameras->begin(), cameras->end());
        UpdatePlayingMarks();
        return group;
    };
    auto listGroups = [this] {
        std::vector<TourControl::Group> groups;
        for (const TreeGroup& group : session_.Tree().Groups())
            groups.push_back(
                {group.gid, QString::fromStdString(DeviceTreeModel::ShownName(group))});
        return groups;
    };
    tour_ = new TourControl(session_.Canvas(), account.empty() ? account : TourFileFor(account),
                            0, openGroup, listGroups, this);
    tourButton_ = new BitmapButton(this);
    tourButton_->setObjectName(QStringLiteral("tourButton"));
    tourButton_->SetId(kBtnTour);
    tourButton_->setFixedSize(kToolbarButtonWidth, kToolbarButtonHeight);
    tourButton_->SetFocusOnHover(true);
    tourButton_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tourButton_, &QAbstractButton::clicked, this, [this] { RunCommand(kBtnTour); });
    connect(tourButton_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        tour_->ShowMenu(tourButton_->mapToGlobal(at), this);
    });
    tourLabel_ = new QLabel(this);
    tourLabel_->setObjectName(QStringLiteral("tourCountdown"));
    tourLabel_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    tourLabel_->setStyleSheet(QStringLiteral(
        "color: rgb(64,155,228); font-size: 12px; font-weight: bold; background: transparent;"));
    tourLabel_->setToolTip(tr("До следующей страницы обхода"));
    connect(tour_, &TourControl::Changed, this, &CNimbrelDlg::ShowTourState);
    ShowTourState();
}

void CNimbrelDlg::ShowTourState() {
    tourButton_->SetPictureBase(tour_->Running() ? QStringLiteral("ToolTourOn")
                                                 : QStringLiteral("ToolTour"));
    tourButton_->setToolTip(tour_->ButtonTip());
    tourLabel_->setText(tour_->CountdownText());
    ShowPageLabel();
}

void CNimbrelDlg::TourGroup(int32_t gid) {
    tour_->TourGroup(gid);
}

void CNimbrelDlg::StopAll() {
    StopAllCameras(session_);
    toolbar_.Reset();
    ApplyToolbar();
}

void CNimbrelDlg::UpdatePlayingMarks() {
    tree_->SetPlayingMarks(PlayingDevices(session_));
}

bool CNimbrelDlg::HealthOverlay() const {
    return canvasView_->HealthOverlay();
}

void CNimbrelDlg::SetHealthOverlay(bool on) {
    canvasView_->SetHealthOverlay(on);
    const std::filesystem::path& file = session_.App().m_ConfigPath;
    if (file.empty()) return;
    if (!AccountStore::For(file).Change(
            [on](AccountFile& account) { return WriteStoredHealthOverlay(account, on); }))
        NLOG_ERROR("NimbrelDlg: the health overlay switch could not be saved");
}

void CNimbrelDlg::LoadHealthOverlay() {
    AccountFile account;
    const std::filesystem::path& file = session_.App().m_ConfigPath;
    canvasView_->SetHealthOverlay(!file.empty() && account.Load(file) &&
                                  ReadStoredHealthOverlay(account));
}

}  // namespace nimbrel
