// The main window's commands on the whole wall: play all and stop all from the title band's menu,
// the tree's marks of the devices whose view runs, and the panes' health overlay switch, which
// the account file keeps.
#include "app/CNimbrelDlg.h"
#include "app/WallCommands.h"
#include "devices/ui/DeviceTreeWidget.h"
#include "platform/Log.h"
#include "service/AccountStore.h"
#include "wall/StoredLayout.h"
#include "wall/ui/CanvasWidget.h"

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
