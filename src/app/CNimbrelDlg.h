// The main window: a frameless window with a painted blue title band and its window buttons, the
// video wall on the left, the device tree on the right and the toolbar along the bottom. It
// owns the tray icon, runs the start-up worker (device list, tree, automatic play), and carries
// out the toolbar's actions on the wall's selected camera, from the toolbar or a pane's menu, and
// the title band's commands on every camera (play all, stop all, the health overlay).
// Threading: the UI thread. Workers reach it only through the notifier and the tree's repaint
// request, both of which post to this thread.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QLabel>
#include <QPointer>
#include <QWidget>
#include <array>
#include <map>
#include <memory>
#include <optional>

#include "app/AllInit.h"
#include "app/ClientSession.h"
#include "app/MainControls.h"
#include "app/MainLayout.h"
#include "app/MissedNotices.h"
#include "app/Shortcuts.h"
#include "app/ToolbarFlow.h"
#include "app/WindowPlacement.h"
#include "devices/ui/TreeActions.h"
#include "widgets/CoreText.h"
#include "widgets/ProgramTitle.h"

namespace nimbrel {

class ArchiveWindow;
class BitmapButton;
class CanvasWidget;
class FlatButton;
class DeviceRecord;
class DeviceTreeWidget;
class SplitterHandle;
class DesktopNotices;
class DesktopNotifications;
class TourControl;
class TrayIcon;

class CNimbrelDlg : public QWidget, public TreeActions {
    Q_OBJECT
  public:
    // The title, the tray tip, and what a second start looks for.
    static QString Title() { return CoreText(kProgramTitle); }
    // A toolbar button's tooltip, which the pane menu's item of that command shows too.
    static QString ToolbarTip(int id) {
        return QCoreApplication::translate("MainControls", ToolbarTooltip(id));
    }
    // Shown in the title band while the service cannot be reached and the session is renewed.
    static constexpr const char* kServiceLostNotice =
        NIMBREL_TR_NOOP("Core", "Нет связи с сервисом. Переподключение…");
    // The switch of the panes' health overlay in the title band's and the panes' menus.
    static constexpr const char* kHealthOverlayText = NIMBREL_TR_NOOP("Core", "Показатели потоков");

    struct Options {
        AllInit::Options allInit;
        bool startAllInit = true;  // tests that fill the wall themselves leave it off
        bool trayIcon = true;
        bool startTour = false;  // the wall's tour starts at once (kiosk use)
        // Where what the user would miss while the window is out of sight goes; null: nowhere.
        DesktopNotifications* notifications = nullptr;
        MissedNotices::Limits noticeLimits{};
    };

    CNimbrelDlg(ClientSession& session, const WindowPlacement& stored, Options options,
                QWidget* parent = nullptr);
    CNimbrelDlg(ClientSession& session, const WindowPlacement& stored, QWidget* parent = nullptr)
        : CNimbrelDlg(session, stored, Options{}, parent) {}
    ~CNimbrelDlg() override;

    // Places the window (stored rectangle, default placement or maximised), shows it, adds the
    // tray icon and starts the start-up worker.
    void Start();

    // The stacked buttons follow the camera whose pane was just selected.
    void UpdateToolbarForCamera(const CCamera* camera);
    // A toolbar, title-band or menu command.
    void RunCommand(int id);
    // The window's close request: the exit dialog, the tray, or the end of the program.
    void CloseRequest();
    // Ends the program: hides the window, completes recordings, stores the rectangle, and
    // emits Closed.
    void OnCancel();
    // The service ended the session: the window ends as OnCancel ends it, and the program
    // shows the login window again instead of ending.
    void EndForSignIn();
    bool SignInAgain() const { return signInAgain_; }
    // Maximise (to the screen's available area) or restore, as the title-band buttons and a
    // double-click do.
    void SetMaximised(bool maximised);
    bool Maximised() const { return maximised_; }
    // The panes' health overlay, stored in the account file at once.
    void SetHealthOverlay(bool on);
    bool HealthOverlay() const;
    // Full screen shows the wall alone (F11; Esc or F11 again leaves).
    void SetFullScreen(bool on);
    bool FullScreen() const { return fullScreen_; }
    // The tray's left click and its toggle item.
    void ShowFromTray();
    void ToggleShown();
    // A click on a camera's desktop notification: the window comes up with the camera's pane
    // shown and selected (and its device in the tree); a running tour holds.
    void ShowCamera(const std::string& sid);
    // The desktop notifications of this window; null without a notification service.
    DesktopNotices* Notices() const { return notices_; }

    // What is saved to the account file at exit (as stored by OnCancel).
    WindowPlacement Placement() const { return placement_; }
    // Where the window goes at start for a work area.
    static QRect StartRect(const WindowPlacement& stored, const QRect& workArea);

    // The notice in the title band; empty while the service is reached.
    QString ServiceNotice() const { return serviceNotice_; }
    BitmapButton* Button(int id) const;
    const ToolbarFlow& Toolbar() const { return toolbar_; }
    DeviceTreeWidget* Tree() const { return tree_; }
    CanvasWidget* CanvasView() const { return canvasView_; }
    // "page / pages" under the paging buttons (hidden while a pane is maximised).
    QLabel* PageLabel() const { return pageLabel_; }
    // The handle between the wall and the tree that widens the tree; its width now.
    SplitterHandle* TreeSplitter() const { return treeSplitter_; }
    int TreeWidth() const { return treeWidth_; }
    AllInit& StartupWorker() { return allInit_; }
    TrayIcon* Tray() const { return tray_; }
    // The wall's tour, its button right of the toolbar and its countdown beside the page
    // indicator.
    TourControl* Tour() const { return tour_; }
    BitmapButton* TourButton() const { return tourButton_; }
    QLabel* TourLabel() const { return tourLabel_; }

    // TreeActions.
    void PlayDevice(int deviceIndex) override;
    void StartRefresh() override;
    void Playback(int deviceIndex) override;
    void Archive(int deviceIndex) override;
    // The archive window, showing camera `sid` first when given (CNimbrelDlgDialogs.cpp).
    void OpenArchive(const std::string& sid = {});
    void TourGroup(int32_t gid) override;
    void Alarm(int deviceIndex) override;
    void ManageUsers(int deviceIndex) override;
    void DeviceDeleted(int deviceIndex) override;
    void CurrentDeviceChanged(int deviceIndex) override;

  signals:
    // The program is to end (after OnCancel).
    void Closed();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Construction (CNimbrelDlg.cpp).
    void CreateButtons();
    void CreateChildren();
    void Relayout();
    void ApplyToolbar();
    // The buttons, the stored flag and the wall follow a maximise or restore.
    void NoteMaximised(bool maximised);
    void ShowPage(int page, int pages);
    // The page indicator shows while no pane is maximised and the window is not full screen.
    void ShowPageLabel();
    // The next or previous page; going round the end says so.
    void TurnPage(bool forward);
    // Stored per account; read when the window is made.
    void LoadTreeWidth();
    // The rectangle of the restored window.
    QRect NormalRect() const;
    // The session with the service was lost or is back: the notice, and a refresh when back.
    void ShowServiceState(bool connected);
    // Keyboard shortcuts and the wall-only full screen (CNimbrelDlgKeys.cpp).
    bool HandleShortcut(QWidget* target, QKeyEvent* event);
    std::optional<int> SelectedPane() const;
    // Selects the pane's camera as a click on the pane would, without dragging; false for a
    // pane that is not shown or holds no camera.
    bool SelectPane(int pane);
    void StepSelection(StepDirection direction);
    void ToggleSelectedMaximise();
    void ShowShortcuts();
    // Keyboard and mouse relayed from the children (CNimbrelDlgInput.cpp).
    bool FilterKey(QWidget* target, QKeyEvent* event);
    bool FilterPress(QWidget* target, QMouseEvent* event);
    void MoveToolbarFocus(bool forward);
    void StartResize(WindowZone zone, const QPoint& globalPos);
    void ResizeTo(const QPoint& globalPos);
    // A pane's context menu: selects the pane, then runs the chosen toolbar command on it
    // (CNimbrelDlgPaneMenu.cpp).
    void ShowPaneMenu(int pane, const QPoint& globalPos);
    // Toolbar actions (CNimbrelDlgToolbar.cpp).
    CCamera* SelectedCamera() const;
    void StopSelected();
    // Device audio and talk on and off for the selected camera (the wall records the owners).
    void SwitchSound(int id, CCamera* selected);
    void RotateSelected();
    // Recording on or off for the selected camera, and the record button of the new state.
    void SetRecording(CCamera* camera, bool on);
    // The bit-rate menu at `button`, the camera's rate checked; a choice runs its command.
    void ShowBitRateMenu(const CCamera& camera, int button);
    void ChooseBitRate(int command);
    void ToggleLayoutChooser();
    void ShowTitleMenu();
    void ShowAbout();
    // The wall's tour: its control, button and countdown (CNimbrelDlgWall.cpp).
    void CreateTour();
    void ShowTourState();
    // Every camera at once and the tree's play marks (CNimbrelDlgWall.cpp).
    void PlayAll();
    void StopAll();
    void UpdatePlayingMarks();
    // The health overlay as the account file keeps it.
    void LoadHealthOverlay();
    // The account windows (CNimbrelDlgDialogs.cpp).
    void OpenAlarm(DeviceRecord& device);
    void OpenSharing(const DeviceRecord& device);
    void OpenSettings();
    void OpenFeedback();
    // Runs `dialog` modally; meanwhile the notifier's messages and notices belong to it.
    int RunModal(QDialog& dialog);
    void HideWithFade();
    void HideToTray();

    FlatButton* archiveButton_ = nullptr;  // in the title band, left of the menu
    QPointer<ArchiveWindow> archive_;  // a child window, made when first opened
    ClientSession& session_;
    const WindowPlacement stored_;
    const Options options_;
    AllInit allInit_;
    ToolbarFlow toolbar_;
    WindowPlacement placement_;
    bool maximised_ = false;
    QRect normalRect_;
    bool fullScreen_ = false;
    QRect beforeFullScreen_;  // where a restore puts the window (empty until it maximises itself)
    bool closing_ = false;
    bool signInAgain_ = false;
    QString serviceNotice_;

    std::map<int, BitmapButton*> buttons_;
    DeviceTreeWidget* tree_ = nullptr;
    CanvasWidget* canvasView_ = nullptr;
    QWidget* chooser_ = nullptr;
    QLabel* pageLabel_ = nullptr;
    std::optional<QPoint> paneMenuAt_;  // while a pane menu's command runs: where it opened
    SplitterHandle* treeSplitter_ = nullptr;
    int treeWidth_ = kDefaultTreeWidth;  // as the user chose it; laid out clamped to the window
    int treeWidthAtPress_ = kDefaultTreeWidth;
    TrayIcon* tray_ = nullptr;
    TourControl* tour_ = nullptr;
    DesktopNotices* notices_ = nullptr;
    BitmapButton* tourButton_ = nullptr;
    QLabel* tourLabel_ = nullptr;
    QIcon icon_;

    // Mouse: moving the window by its background, or resizing it by a border.
    WindowZone resizeZone_ = WindowZone::Client;
    QRect resizeStart_;
    QPoint resizeOrigin_;
    bool moving_ = false;
    QPoint moveOffset_;
};

}  // namespace nimbrel
