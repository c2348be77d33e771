// The main window's construction, layout, painting, window states and the tree's requests. The
// keyboard and mouse handling is in CNimbrelDlgInput.cpp, the toolbar actions in
// CNimbrelDlgToolbar.cpp.
#include "app/CNimbrelDlg.h"
#include "app/DesktopNotices.h"
#include "app/TourControl.h"

#include <algorithm>

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QWindow>
#include <thread>

#include "app/TrayIcon.h"
#include "devices/ui/DeviceTreeWidget.h"
#include "platform/FixedText.h"
#include "platform/Log.h"
#include "platform/UserDirs.h"
#include "service/MediaSettings.h"
#include "playback/ui/CPlayback.h"
#include "wall/ui/CanvasWidget.h"
#include "wall/ui/SplitChooser.h"
#include "widgets/BitmapButton.h"
#include "widgets/CoreText.h"
#include "widgets/FlatButton.h"
#include "widgets/Palette.h"
#include "widgets/ResourcePath.h"
#include "widgets/SplitterHandle.h"

namespace nimbrel {
namespace {

constexpr int kArchiveButtonWidth = 120;

// The notice in the title band while the service cannot be reached: warm, to stand out on blue.
const QColor kServiceNoticeColour(255, 226, 140);

// The picture set of each button ("<base>.png", "<base>Sel.png", "<base>Focus.png").
const char* PictureBase(int id) {
    switch (id) {
        case kBtnLayout:
            return "ToolLayout";
        case kBtnStop:
            return "ToolStop";
        case kBtnBitRateLow:
            return "ToolRateLow";
        case kBtnBitRateStandard:
            return "ToolRateStandard";
        case kBtnBitRateHigh:
            return "ToolRateHigh";
        case kBtnAlarm:
            return "ToolAlarm";
        case kBtnPrevPage:
            return "ToolPrev";
        case kBtnNextPage:
            return "ToolNext";
        case kBtnRotate:
            return "ToolRotate";
        case kBtnSnapshot:
            return "ToolSnapshot";
        case kBtnAudioOn:
            return "ToolListen";
        case kBtnAudioOff:
            return "ToolListenOn";
        case kBtnTalkOn:
            return "ToolTalk";
        case kBtnTalkOff:
            return "ToolTalkOn";
        case kBtnRecordOn:
            return "ToolRecord";
        case kBtnRecordOff:
            return "ToolRecordOn";
        case kBtnMenu:
            return "TitleMenu";
        case kBtnMinimise:
            return "TitleMin";
        case kBtnMaximise:
            return "TitleMax";
        case kBtnRestore:
            return "TitleRestore";
        case kBtnClose:
            return "TitleClose";
        default:
            return "";
    }
}

QRect ToQRect(const LayoutRect& r) {
    return QRect(r.x, r.y, r.w, r.h);
}

}  // namespace

CNimbrelDlg::CNimbrelDlg(ClientSession& session, const WindowPlacement& stored, Options options,
                         QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      session_(session),
      stored_(stored),
      options_(options),
      allInit_(session, options.allInit),
      placement_(stored) {
    NLOG_DEBUG("NimbrelDlg::OnInitDialog");
    icon_ = QIcon(ResourcePath("nimbrel.png"));
    setWindowIcon(icon_);
    setWindowTitle(Title());
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    CreateButtons();
    CreateChildren();
    toolbar_.Reset();
    ApplyToolbar();
    qApp->installEventFilter(this);
}

CNimbrelDlg::~CNimbrelDlg() {
    qApp->removeEventFilter(this);
    // Nothing may call into the windows below once they go: the workers first (the start-up
    // worker before the cameras it starts). The refreshes' requests are cut short while the
    // cameras stop side by side, so that the slowest, not their sum, bounds the wait.
    session_.SetServiceStateChanged({});
    session_.SetSessionEnded({});
    allInit_.Stop();
    std::thread refresher([this] { session_.Refresher().Stop(); });
    session_.ShutdownCameras();
    refresher.join();
    session_.PaneHost().SetListener(nullptr);
    session_.SetTreeChanged({});
}

void CNimbrelDlg::CreateButtons() {
    const auto make = [this](int id) {
        auto* button = new BitmapButton(this);
        button->SetId(id);
        button->SetPictureBase(QString::fromLatin1(PictureBase(id)));
        connect(button, &QAbstractButton::clicked, this, [this, id] { RunCommand(id); });
        buttons_[id] = button;
        return button;
    };
    for (const int id : kToolbarButtons) {
        BitmapButton* button = make(id);
        button->setFixedSize(kToolbarButtonWidth, kToolbarButtonHeight);
        button->SetFocusOnHover(true);
        button->setToolTip(ToolbarTip(id));
    }
    for (const int id : kTitleButtons) {
        BitmapButton* button = make(id);
        button->setFixedSize(kTitleButtonWidth, kTitleButtonHeight);
        button->setFocusPolicy(Qt::NoFocus);
    }
    buttons_[kBtnMaximise]->setToolTip(tr("Развернуть"));
    buttons_[kBtnRestore]->setToolTip(tr("Восстановить"));
    buttons_[kBtnMinimise]->setToolTip(tr("Свернуть"));
    buttons_[kBtnClose]->setToolTip(tr("Закрыть"));
    buttons_[kBtnMenu]->setToolTip(tr("Меню"));
    buttons_[kBtnRestore]->hide();
    // The archive of recordings, in the title band beside the window's own buttons.
    archiveButton_ = new FlatButton(tr("Архив записей"), FlatButton::Scheme::OnBlue, this);
    archiveButton_->setObjectName(QStringLiteral("archive"));
    archiveButton_->setToolTip(tr("Архив записей (Ctrl+H)"));
    archiveButton_->setFocusPolicy(Qt::NoFocus);
    archiveButton_->setFixedSize(kArchiveButtonWidth, kTitleButtonHeight + 4);
    connect(archiveButton_, &QPushButton::clicked, this, [this] { RunCommand(kCmdArchive); });
}

void CNimbrelDlg::CreateChildren() {
    canvasView_ = new CanvasWidget(session_.Canvas(), this);
    // The cameras' own repaints of their panes (connecting steps, a failed view) reach it too.
    session_.PaneHost().SetListener(canvasView_);
    chooser_ = canvasView_->Chooser();
    connect(canvasView_, &CanvasWidget::SelectedCameraChanged, this, [this] {
        if (const CCamera* camera = SelectedCamera()) UpdateToolbarForCamera(camera);
    });
    // Dark and bold in the white margin under the paging buttons, readable at a glance.
    pageLabel_ = new QLabel(this);
    pageLabel_->setObjectName(QStringLiteral("pageLabel"));
    pageLabel_->setAlignment(Qt::AlignCenter);
    pageLabel_->setStyleSheet(QStringLiteral(
        "color: rgb(30,60,100); font-size: 13px; font-weight: bold; background: transparent;"));
    pageLabel_->setToolTip(tr("Страница"));
    ShowPage(session_.Canvas().CurrentPage(), std::max(1, session_.Canvas().PageCount()));
    connect(canvasView_, &CanvasWidget::PageChanged, this, &CNimbrelDlg::ShowPage);
    connect(canvasView_, &CanvasWidget::MaximisedChanged, this, &CNimbrelDlg::ShowPageLabel);
    connect(canvasView_, &CanvasWidget::PaneMenuRequested, this, &CNimbrelDlg::ShowPaneMenu);
    // A pane's camera pressed: its device lights up in the tree.
    connect(canvasView_, &CanvasWidget::CameraPressed, this, [this](PaneOwner* owner) {
        if (auto* camera = dynamic_cast<CCamera*>(owner)) tree_->HighlightDevice(camera);
    });
    tree_ = new DeviceTreeWidget(session_.Tree(), session_.List(), session_.Thumbnails(), *this,
                                 session_.Notifier(), session_.Service(), this);
    // Dragged left the tree widens (long names); the width is kept for the account on release.
    treeSplitter_ = new SplitterHandle(this);
    treeSplitter_->setObjectName(QStringLiteral("treeSplitter"));
    connect(treeSplitter_, &SplitterHandle::Dragged, this, [this](int dx) {
        treeWidth_ = ClampTreeWidth(treeWidthAtPress_ - dx, width());
        Relayout();
    });
    connect(treeSplitter_, &SplitterHandle::Released, this, [this] {
        treeWidthAtPress_ = treeWidth_;
        const std::filesystem::path& file = session_.App().m_ConfigPath;
        if (!file.empty() && !SaveTreeWidth(file, treeWidth_))
            NLOG_ERROR("NimbrelDlg: the tree's width could not be saved");
    });
    LoadTreeWidth();
    DeviceTreeWidget* tree = tree_;
    session_.SetTreeChanged([tree] { tree->RequestRepaint(); });
    // Views start, fail and stop with their panes taken, repainted and given back.
    connect(canvasView_, &CanvasWidget::PaneStateChanged, this, &CNimbrelDlg::UpdatePlayingMarks);
    LoadHealthOverlay();
    CreateTour();
    if (options_.notifications)
        notices_ = new DesktopNotices(
            session_, options_.notifications,
            [this] { return !closing_ && (!isVisible() || isMinimized()); },
            options_.noticeLimits, this);
    session_.SetServiceStateChanged([this](bool connected) {
        QMetaObject::invokeMethod(
            this, [this, connected] { ShowServiceState(connected); }, Qt::QueuedConnection);
    });
    session_.SetSessionEnded([this] {
        QMetaObject::invokeMethod(this, &CNimbrelDlg::EndForSignIn, Qt::QueuedConnection);
    });
}

void CNimbrelDlg::ShowPage(int page, int pages) {
    pageLabel_->setText(QStringLiteral("%1 / %2").arg(page + 1).arg(pages));
}

void CNimbrelDlg::ShowPageLabel() {
    bool maximised = false;
    for (const PaneState& pane : session_.Canvas().Panes())
        maximised = maximised || pane.maximised;
    pageLabel_->setVisible(!fullScreen_ && !maximised);
    // The tour's countdown stays while a maximised pane holds the tour: it says "пауза".
    if (tourLabel_) tourLabel_->setVisible(!fullScreen_ && tour_ && tour_->Running());
}

void CNimbrelDlg::LoadTreeWidth() {
    AccountFile account;
    const std::filesystem::path& file = session_.App().m_ConfigPath;
    if (!file.empty() && account.Load(file))
        treeWidth_ = std::max(kDefaultTreeWidth, ReadStoredTreeWidth(account));
    treeWidthAtPress_ = treeWidth_;
}

void CNimbrelDlg::ShowServiceState(bool connected) {
    const QString notice = connected ? QString() : CoreText(kServiceLostNotice);
    if (notice == serviceNotice_) return;
    serviceNotice_ = notice;
    update(0, 0, width(), kTitleBandHeight);
    // Back in touch: the devices' states, marked offline meanwhile, are asked for again.
    if (connected && !closing_) session_.Refresher().StartManual();
}

BitmapButton* CNimbrelDlg::Button(int id) const {
    const auto found = buttons_.find(id);
    return found == buttons_.end() ? nullptr : found->second;
}

QRect CNimbrelDlg::StartRect(const WindowPlacement& stored, const QRect& workArea) {
    const LayoutRect work{workArea.x(), workArea.y(), workArea.width(), workArea.height()};
    if (StoredRectUsable(stored.rect, work))
        return QRect(stored.rect.left, stored.rect.top, stored.rect.right - stored.rect.left,
                     stored.rect.bottom - stored.rect.top);
    const LayoutRect placed = ComputeDefaultPlacement(workArea.width(), workArea.height());
    return QRect(workArea.x() + placed.x, workArea.y() + placed.y, placed.w, placed.h);
}

void CNimbrelDlg::Start() {
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect work = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 720);
    setGeometry(StartRect(stored_, work));
    if (stored_.maximised) {
        SetMaximised(true);
    } else {
        show();
    }
    if (options_.trayIcon && TrayIcon::Available()) {
        tray_ = new TrayIcon(
            icon_, Title(), [this] { return isVisible() && !isMinimized(); }, this);
        connect(tray_, &TrayIcon::ShowRequested, this, &CNimbrelDlg::ShowFromTray);
        connect(tray_, &TrayIcon::ToggleRequested, this, &CNimbrelDlg::ToggleShown);
        connect(tray_, &TrayIcon::ExitRequested, this, &CNimbrelDlg::OnCancel);
        tray_->Show();
    }
    if (options_.startAllInit) allInit_.Start();
    tour_->Restore(options_.startTour);
}

void CNimbrelDlg::Relayout() {
    const int w = width(), h = height();
    for (const auto& [id, button] : buttons_) {
        if (const auto r = ToolbarButtonRect(id, w, h)) button->move(r->x, r->y);
        if (const auto r = TitleButtonRect(id, w)) button->move(r->x, r->y);
    }
    if (archiveButton_) {
        const auto menu = TitleButtonRect(kBtnMenu, w);
        archiveButton_->move(menu->x - kArchiveButtonWidth - 8, menu->y - 2);
        archiveButton_->setVisible(!fullScreen_);
    }
    const int tree = ClampTreeWidth(treeWidth_, w);
    if (canvasView_)
        canvasView_->setGeometry(fullScreen_ ? rect() : ToQRect(CanvasRect(w, h, tree)));
    if (tree_) tree_->setGeometry(ToQRect(TreeRect(w, h, tree)));
    if (treeSplitter_) treeSplitter_->setGeometry(ToQRect(TreeSplitterRect(w, h, tree)));
    if (pageLabel_) pageLabel_->setGeometry(ToQRect(PageLabelRect(w, h)));
    if (tourButton_) {
        tourButton_->setGeometry(ToQRect(TourButtonRect(w, h, tree)));
        tourButton_->setVisible(!fullScreen_);
    }
    if (tourLabel_) tourLabel_->setGeometry(ToQRect(TourCountdownRect(w, h)));
    update();
}

void CNimbrelDlg::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Relayout();
}

void CNimbrelDlg::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect client = rect();
    p.fillRect(client, palette::kBlue);
    p.fillRect(QRect(0, kTitleBandHeight, width(), height() - kTitleBandHeight), Qt::white);

    // The band carries the program's icon and title.
    const int iconSize = 22;
    if (!icon_.isNull())
        icon_.paint(&p, QRect(12, (kTitleBandHeight - iconSize) / 2, iconSize, iconSize));
    QFont f = font();
    f.setPixelSize(15);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(44, 0, width() - 200, kTitleBandHeight), Qt::AlignVCenter, Title());
    if (!serviceNotice_.isEmpty()) {
        // Beside the title, left of the window buttons: no dialog, nothing to click away.
        f.setBold(false);
        f.setPixelSize(13);
        p.setFont(f);
        p.setPen(kServiceNoticeColour);
        p.drawText(QRect(width() / 2, 0, width() / 2 - 140, kTitleBandHeight),
                   Qt::AlignVCenter | Qt::AlignRight, serviceNotice_);
    }

    p.setPen(palette::kBlue);
    p.drawRect(client.adjusted(0, 0, -1, -1));
    if (tree_) p.drawRect(tree_->geometry().adjusted(-1, -1, 0, 0));
}

void CNimbrelDlg::ApplyToolbar() {
    for (const int id : kToolbarButtons) buttons_[id]->setVisible(toolbar_.IsVisible(id));
    // The "z2" devices wear one picture on their audio and talk buttons, whatever the state.
    for (const int id : {kBtnAudioOff, kBtnTalkOff}) {
        BitmapButton* button = buttons_[id];
        if (toolbar_.FixedAudioTalkPictures())
            button->SetSinglePictureFile(id == kBtnAudioOff ? "ToolListenFixed.png"
                                                            : "ToolTalkFixed.png");
        else
            button->SetPictureBase(QString::fromLatin1(PictureBase(id)));
    }
}

void CNimbrelDlg::UpdateToolbarForCamera(const CCamera* camera) {
    if (!camera) return;
    CameraToolbarState state;
    state.deviceType = std::string(GetText(camera->type));
    // By whether its player and its talk capture exist, as the buttons' pictures say.
    state.audioPlaying = camera->AudioRunning();
    state.talking = camera->TalkRunning();
    state.recording = camera->m_bRecord != 0;
    state.bitRate = camera->m_nBitRate;
    toolbar_.FollowCamera(state);
    ApplyToolbar();
}

// --- window states ---

void CNimbrelDlg::NoteMaximised(bool maximised) {
    maximised_ = maximised;
    placement_.maximised = maximised;
    buttons_[kBtnMaximise]->setVisible(!maximised);
    buttons_[kBtnRestore]->setVisible(maximised);
    // The wall lays its panes out again; a pane maximised within it returns to its cell.
    session_.Canvas().MainWindowSizeModeChanged(maximised);
}

void CNimbrelDlg::SetMaximised(bool maximised) {
    if (maximised == maximised_ && isVisible()) return;
    // The window has no frame, and a window manager may then give a maximised window the whole
    // screen, over the desktop's panels: it takes the screen's available area itself instead.
    if (maximised && !maximised_) normalRect_ = geometry();
    NoteMaximised(maximised);
    if (maximised) {
        const QScreen* where = screen() ? screen() : QGuiApplication::primaryScreen();
        if (where) setGeometry(where->availableGeometry());
    } else if (normalRect_.isValid()) {
        setGeometry(normalRect_);
    }
    showNormal();
}

QRect CNimbrelDlg::NormalRect() const {
    // Maximised by the window manager rather than by the window itself: the toolkit knows it.
    return normalRect_.isValid() ? normalRect_ : normalGeometry();
}

void CNimbrelDlg::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange) return;
    // The window manager may maximise or restore the window itself (keyboard, screen edge). The
    // window's own maximise never sets the state's flag: only a change of that flag counts.
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    const bool was = change->oldState() & Qt::WindowMaximized;
    const bool maximised = windowState() & Qt::WindowMaximized;
    if (maximised != was && maximised != maximised_) NoteMaximised(maximised);
}

void CNimbrelDlg::ShowFromTray() {
    showNormal();
    raise();
    activateWindow();
}

void CNimbrelDlg::ShowCamera(const std::string& sid) {
    ShowFromTray();
    CCamera* camera = session_.Camera(session_.List().IndexOfSid(sid));
    if (!camera) return;
    // The user came to look at this camera: the tour leaves it on screen.
    tour_->Pause();
    CCanvas& canvas = session_.Canvas();
    if (const int page = camera->m_nPage; page >= 0 && page != canvas.CurrentPage())
        canvas.ShowPage(page);
    if (const auto pane = canvas.PaneAt(camera->m_nPage, camera->m_nSlot)) SelectPane(*pane);
    tree_->HighlightDevice(camera);
}

void CNimbrelDlg::ToggleShown() {
    if (isVisible() && !isMinimized())
        HideToTray();
    else
        ShowFromTray();
}

void CNimbrelDlg::closeEvent(QCloseEvent* event) {
    if (closing_) {
        event->accept();
        return;
    }
    event->ignore();
    CloseRequest();
}

void CNimbrelDlg::EndForSignIn() {
    if (closing_) return;
    NLOG_INFO("NimbrelDlg: the service ended the session; the user signs in again");
    // The login window comes back; a user away from the hidden window hears of it.
    if (notices_) notices_->SignedOut(!isVisible() || isMinimized());
    signInAgain_ = true;
    OnCancel();
}

void CNimbrelDlg::OnCancel() {
    if (closing_) return;
    closing_ = true;
    NLOG_DEBUG("NimbrelDlg::OnCancel");
    // The rectangle is that of the restored window, so a maximised one comes back to its size.
    const QRect normal = maximised_ ? NormalRect() : geometry();
    hide();
    placement_.maximised = maximised_;
    placement_.rect = {normal.left(), normal.top(), normal.left() + normal.width(),
                       normal.top() + normal.height()};
    if (tray_) tray_->Remove();
    emit Closed();
}

// --- the tree's requests ---

void CNimbrelDlg::PlayDevice(int deviceIndex) {
    CCamera* camera = session_.Camera(deviceIndex);
    if (!camera || !camera->CameraStart()) return;
    // The camera may have found its pane on a page that is not shown: show that page, so that
    // the user sees what the double click opened.
    CCanvas& canvas = session_.Canvas();
    const int page = camera->m_nPage;
    if (page >= 0 && page != canvas.CurrentPage()) canvas.ShowPage(page);
}

void CNimbrelDlg::StartRefresh() {
    session_.Refresher().StartManual();
}

void CNimbrelDlg::Playback(int deviceIndex) {
    const DeviceRecord* device = session_.List().At(deviceIndex);
    if (!device) return;
    CPlayback dialog(
        std::make_unique<PlaybackFlow>(session_.Settings(), session_.App(), session_.Notifier(),
                                       std::string(device->Sid()), device->Name()),
        std::make_unique<PlaybackStream>(session_.Live(), std::string(device->Sid())), this);
    // A span saved from the card is offered beside the account's recordings (not in a day
    // folder, so the archive's retention never takes it), the folder joined as the recorder
    // joins it; a folder that names no place offers none.
    if (const auto videos = ExpandFolder(ReadMediaSettings(session_.App()).videoPath))
        dialog.SetSaving(QString::fromStdString(
            (*videos / std::string(GetText(session_.App().m_UserName))).string()));
    dialog.exec();
}

void CNimbrelDlg::Archive(int deviceIndex) {
    if (const DeviceRecord* device = session_.List().At(deviceIndex))
        OpenArchive(std::string(device->Sid()));
}

void CNimbrelDlg::Alarm(int deviceIndex) {
    if (DeviceRecord* device = session_.List().At(deviceIndex)) OpenAlarm(*device);
}

void CNimbrelDlg::ManageUsers(int deviceIndex) {
    if (const DeviceRecord* device = session_.List().At(deviceIndex)) OpenSharing(*device);
}

void CNimbrelDlg::DeviceDeleted(int deviceIndex) {
    if (CCamera* camera = session_.Camera(deviceIndex)) camera->RequestStop();
}

void CNimbrelDlg::CurrentDeviceChanged(int deviceIndex) {
    session_.Settings().m_CurDevice = session_.List().At(deviceIndex);
}

}  // namespace nimbrel
