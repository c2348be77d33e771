// The main window's commands: the toolbar's actions on the wall's selected camera (each with its
// checks and hints), paging, the title band's buttons and menu, and closing. The commands on the
// whole wall are in CNimbrelDlgWall.cpp.
#include <QCursor>
#include <QMenu>
#include <QPropertyAnimation>
#include <map>

#include "app/CAboutDlg.h"
#include "app/CClose.h"
#include "app/CNimbrelDlg.h"
#include "app/TourControl.h"
#include "app/TrayIcon.h"
#include "wall/SoundSwitch.h"
#include "wall/ui/CanvasWidget.h"
#include "widgets/BitmapButton.h"
#include "widgets/CoreText.h"

namespace nimbrel {
namespace {

// Said when paging went round the end of the pages and came back to the other end.
constexpr const char* kWrappedToFirst = NIMBREL_TR_NOOP("Core", "Снова первая страница");
constexpr const char* kWrappedToLast = NIMBREL_TR_NOOP("Core", "Снова последняя страница");
constexpr int kWrapNoticeMs = 1500;

}  // namespace

void CNimbrelDlg::TurnPage(bool forward) {
    CCanvas& canvas = session_.Canvas();
    const int before = canvas.CurrentPage();
    if (!(forward ? canvas.NextPage() : canvas.PrevPage())) return;
    const int after = canvas.CurrentPage();
    if (forward ? after < before : after > before)
        session_.Notifier().ShowTip(forward ? kWrappedToFirst : kWrappedToLast, kWrapNoticeMs);
}

CCamera* CNimbrelDlg::SelectedCamera() const {
    return dynamic_cast<CCamera*>(session_.Canvas().SelectedCamera());
}

void CNimbrelDlg::RunCommand(int id) {
    CCamera* selected = SelectedCamera();
    const ToolbarHint hint = CheckToolbarAction(id, selected, session_.App());
    if (hint.Refused()) {
        hint.ShowIn(session_.Notifier());
        return;
    }
    switch (id) {
        case kBtnLayout:
            ToggleLayoutChooser();
            break;
        case kBtnStop:
            StopSelected();
            break;
        case kBtnPrevPage:
        case kBtnNextPage:
            TurnPage(id == kBtnNextPage);
            break;
        case kBtnRotate:
            RotateSelected();
            break;
        case kBtnSnapshot:
            selected->RequestSnapshot();
            break;
        case kBtnRecordOn:
        case kBtnRecordOff:
            SetRecording(selected, id == kBtnRecordOn);
            break;
        case kBtnBitRateLow:
        case kBtnBitRateStandard:
        case kBtnBitRateHigh:
            ShowBitRateMenu(*selected, id);
            break;
        case kCmdBitRateLow:
        case kCmdBitRateStandard:
        case kCmdBitRateHigh:
            ChooseBitRate(id);
            break;
        case kBtnMenu:
            ShowTitleMenu();
            break;
        case kBtnTour:
            tour_->Toggle();
            break;
        case kBtnMinimise:
            showMinimized();
            break;
        case kBtnMaximise:
            SetMaximised(true);
            break;
        case kBtnRestore:
            SetMaximised(false);
            break;
        case kBtnClose:
            CloseRequest();
            break;
        case kCmdAbout:
            ShowAbout();
            break;
        case kCmdShortcuts:
            ShowShortcuts();
            break;
        case kCmdPlayAll:
            PlayAll();
            break;
        case kCmdStopAll:
            StopAll();
            break;
        case kCmdHealthOverlay:
            SetHealthOverlay(!HealthOverlay());
            break;
        case kCmdArchive:
            OpenArchive(selected ? std::string(selected->Sid()) : std::string());
            break;
        case kCmdTrayToggle:
            ToggleShown();
            break;
        case kCmdTrayExit:
            OnCancel();
            break;
        case kBtnAlarm:
            // The checks above made sure that a camera is selected and has an alarm.
            OpenAlarm(*selected);
            break;
        case kCmdSettings:
            OpenSettings();
            break;
        case kCmdFeedback:
            OpenFeedback();
            break;
        case kBtnAudioOn:
        case kBtnAudioOff:
        case kBtnTalkOn:
        case kBtnTalkOff:
            SwitchSound(id, selected);
            break;
        default:
            break;
    }
}

void CNimbrelDlg::SwitchSound(int id, CCamera* selected) {
    CCanvas& canvas = session_.Canvas();
    switch (id) {
        case kBtnAudioOn:
            if (selected) SwitchDeviceAudioOn(canvas, *selected);
            toolbar_.Show(kBtnAudioOff);
            break;
        case kBtnAudioOff:
            SwitchDeviceAudioOff(canvas);
            toolbar_.Show(kBtnAudioOn);
            break;
        case kBtnTalkOn:
            if (selected) SwitchTalkOn(canvas, *selected);
            toolbar_.Show(kBtnTalkOff);
            break;
        case kBtnTalkOff:
            SwitchTalkOff(canvas);
            toolbar_.Show(kBtnTalkOn);
            break;
    }
    ApplyToolbar();
}

void CNimbrelDlg::StopSelected() {
    if (CCamera* camera = SelectedCamera()) camera->RequestStop();
    toolbar_.Reset();
    ApplyToolbar();
}

void CNimbrelDlg::SetRecording(CCamera* camera, bool on) {
    // Stopping needs no selection: the button then only turns back.
    if (camera) camera->m_bRecord = on ? 1 : 0;
    toolbar_.Show(on ? kBtnRecordOff : kBtnRecordOn);
    ApplyToolbar();
}

void CNimbrelDlg::ShowBitRateMenu(const CCamera& camera, int button) {
    QMenu menu(this);
    const struct {
        int command;
        const char* text;
    } items[] = {{kCmdBitRateLow, QT_TR_NOOP("Низкое")},
                 {kCmdBitRateStandard, QT_TR_NOOP("Стандартное")},
                 {kCmdBitRateHigh, QT_TR_NOOP("Высокое")}};
    std::map<QAction*, int> commands;
    for (const auto& item : items) {
        QAction* action = menu.addAction(tr(item.text));
        action->setCheckable(true);
        // The rate the camera announced (or was last given) is ticked, as near as the three go.
        action->setChecked(ToolbarFlow::BitRateOfCommand(item.command) ==
                           ToolbarFlow::NearestBitRate(camera.m_nBitRate));
        commands[action] = item.command;
    }
    // From a pane's menu, where that menu was; from the toolbar, at its button (in full screen,
    // where the toolbar is hidden, at the cursor).
    const BitmapButton* at = buttons_[button];
    const QPoint where = paneMenuAt_ ? *paneMenuAt_
                         : at->isVisible() ? at->mapToGlobal(QPoint(0, 0))
                                           : QCursor::pos();
    QAction* chosen = menu.exec(where);
    if (chosen) RunCommand(commands[chosen]);
}

void CNimbrelDlg::ChooseBitRate(int command) {
    const int rate = ToolbarFlow::BitRateOfCommand(command);
    if (CCamera* camera = SelectedCamera()) camera->ResetBitRate(rate);
    toolbar_.Show(ToolbarFlow::BitRateButton(rate));
    ApplyToolbar();
}

void CNimbrelDlg::RotateSelected() {
    CCamera* camera = SelectedCamera();
    if (!camera) return;
    camera->m_nRotation = (camera->m_nRotation + 1) % 4;
    session_.PaneHost().Invalidate(camera->m_nPage, camera->m_nSlot);
}

void CNimbrelDlg::ToggleLayoutChooser() {
    // The chooser opens with its left edge at the button's right edge and its bottom edge at the
    // button's top edge.
    const BitmapButton* button = buttons_[kBtnLayout];
    canvasView_->ToggleChooser(QRect(button->mapToGlobal(QPoint(0, 0)), button->size()));
}

void CNimbrelDlg::ShowTitleMenu() {
    QMenu menu(this);
    menu.addAction(tr("Воспроизвести все"))->setData(static_cast<int>(kCmdPlayAll));
    menu.addAction(tr("Остановить все"))->setData(static_cast<int>(kCmdStopAll));
    QAction* overlay = menu.addAction(CoreText(kHealthOverlayText));
    overlay->setCheckable(true);
    overlay->setChecked(HealthOverlay());
    overlay->setData(static_cast<int>(kCmdHealthOverlay));
    QAction* archive = menu.addAction(tr("Архив записей"));
    archive->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    archive->setData(static_cast<int>(kCmdArchive));
    menu.addSeparator();
    QAction* settings = menu.addAction(tr("Настройки системы"));
    QAction* feedback = menu.addAction(tr("Обратная связь"));
    QAction* keys = menu.addAction(tr("Сочетания клавиш"));
    menu.addSeparator();
    QAction* about = menu.addAction(tr("О программе"));
    settings->setData(static_cast<int>(kCmdSettings));
    feedback->setData(static_cast<int>(kCmdFeedback));
    about->setData(static_cast<int>(kCmdAbout));
    keys->setData(static_cast<int>(kCmdShortcuts));
    const QRect button = buttons_[kBtnMenu]->geometry();
    if (const QAction* chosen =
            menu.exec(mapToGlobal(QPoint(button.left() - 50, button.bottom() + 1))))
        RunCommand(chosen->data().toInt());
}

void CNimbrelDlg::ShowAbout() {
    CAboutDlg about(session_.App(), this);
    about.exec();
}

void CNimbrelDlg::CloseRequest() {
    switch (CloseRequestAction(session_.App())) {
        case CloseAction::Ask: {
            CClose dialog(session_.App(), this);
            dialog.exec();
            if (dialog.Result() == CClose::Outcome::Minimise) HideWithFade();
            if (dialog.Result() == CClose::Outcome::Quit) OnCancel();
            break;
        }
        case CloseAction::HideToTray:
            HideToTray();
            break;
        case CloseAction::Quit:
            OnCancel();
            break;
    }
}

void CNimbrelDlg::HideToTray() {
    // Without a tray to come back from, the window goes to the task bar instead.
    if (tray_ && tray_->Shown())
        hide();
    else
        showMinimized();
}

void CNimbrelDlg::HideWithFade() {
    auto* fade = new QPropertyAnimation(this, "windowOpacity", this);
    fade->setDuration(500);
    fade->setStartValue(1.0);
    fade->setEndValue(0.0);
    connect(fade, &QPropertyAnimation::finished, this, [this] {
        HideToTray();
        setWindowOpacity(1.0);
    });
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

}  // namespace nimbrel
