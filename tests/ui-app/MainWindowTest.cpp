// The main window: its geometry on resize, its buttons and tooltips, the keyboard's walk over the
// toolbar, the swallowed Enter and Esc, the toolbar's hints and actions on the wall, maximise
// and restore, the first placement and closing; the tree's playback command.
#include <array>
#include <thread>

#include <QLabel>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "AppFixture.h"
#include "app/MainControls.h"
#include "devices/ui/DeviceTreeWidget.h"
#include "playback/ui/CPlayback.h"
#include "playback/ui/CPlaybkCanvas.h"
#include "wall/ui/CanvasWidget.h"
#include "wall/ui/PaneWidget.h"
#include "wall/ui/SplitChooser.h"
#include "widgets/BitmapButton.h"
#include "widgets/SplitterHandle.h"

namespace nimbrel {
namespace {

class MainWindowTest : public test::AppFixture {
  protected:
    CNimbrelDlg& Shown(int w = 1500, int h = 809) {
        CNimbrelDlg& window = Window();
        window.resize(w, h);
        window.show();
        return window;
    }
    QRect Geometry(int id) { return Window().Button(id)->geometry(); }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& shown : notifier.Messages()) texts.push_back(shown.text);
        return texts;
    }
    void Click(int id) { QTest::mouseClick(Window().Button(id), Qt::LeftButton); }
    void Key(Qt::Key key) {
        QTest::keyClick(Window().focusWidget() ? Window().focusWidget() : &Window(), key);
    }
    int Focused() {
        auto* button = qobject_cast<BitmapButton*>(Window().focusWidget());
        return button ? button->Id() : 0;
    }
    // Gives the camera a pane and presses on it, as the user selects a pane.
    void Select(CCamera* camera) {
        CCanvas& canvas = Session().Canvas();
        ASSERT_TRUE(canvas.AcquirePane(*camera));
        const int pane = *canvas.PaneAt(camera->m_nPage, camera->m_nSlot);
        const PaneState state = *canvas.Pane(pane);
        ASSERT_TRUE(canvas.PressPane(pane, state.windowRect.x + 5, state.windowRect.y + 5));
        canvas.ReleasePointer(state.windowRect.x + 5, state.windowRect.y + 5);
    }
};

TEST_F(MainWindowTest, ChildrenFollowTheSizeFormulas) {
    Shown(1500, 809);
    EXPECT_EQ(Geometry(kBtnLayout), QRect(57, 754, 50, 40));
    EXPECT_EQ(Geometry(kBtnStop), QRect(164, 754, 50, 40));
    EXPECT_EQ(Geometry(kBtnBitRateHigh), QRect(271, 754, 50, 40));
    EXPECT_EQ(Geometry(kBtnRecordOff), QRect(1127, 754, 50, 40));
    EXPECT_EQ(Geometry(kBtnClose), QRect(1468, 4, 30, 20));
    EXPECT_EQ(Geometry(kBtnRestore), QRect(1438, 4, 30, 20));
    EXPECT_EQ(Geometry(kBtnMenu), QRect(1378, 4, 30, 20));
    EXPECT_EQ(Window().CanvasView()->geometry(), QRect(5, 50, 1225, 689));
    EXPECT_EQ(Window().Tree()->geometry(), QRect(1235, 50, 260, 754));
    test::Shot(&Window(), "main-window-empty");

    // Narrower: s = 130 / 11 = 11.
    Window().resize(1000, 600);
    EXPECT_EQ(Geometry(kBtnStop), QRect(72, 545, 50, 40));
    EXPECT_EQ(Geometry(kBtnRecordOn), QRect(621, 545, 50, 40));
    EXPECT_EQ(Geometry(kBtnClose).x(), 968);
    EXPECT_EQ(Window().CanvasView()->geometry(), QRect(5, 50, 725, 480));
    EXPECT_EQ(Window().Tree()->geometry(), QRect(735, 50, 260, 545));
    // The wall model was laid out for the new size.
    EXPECT_EQ(Session().Canvas().CanvasSize(), std::make_pair(725, 480));
}

TEST_F(MainWindowTest, TheWindowCannotBeSmallerThan900By500) {
    Shown(600, 300);
    EXPECT_EQ(Window().size(), QSize(900, 500));
    EXPECT_EQ(Geometry(kBtnRecordOn), QRect(522, 445, 50, 40));
}

TEST_F(MainWindowTest, ButtonsStartWithOneOfEachStackAndTheirTooltips) {
    CNimbrelDlg& window = Shown();
    for (const int id : {kBtnBitRateLow, kBtnAudioOn, kBtnTalkOn, kBtnRecordOn, kBtnMaximise})
        EXPECT_FALSE(window.Button(id)->isHidden()) << id;
    for (const int id : {kBtnBitRateStandard, kBtnBitRateHigh, kBtnAudioOff, kBtnTalkOff,
                         kBtnRecordOff, kBtnRestore})
        EXPECT_TRUE(window.Button(id)->isHidden()) << id;
    for (const int id : kToolbarButtons) {
        EXPECT_EQ(window.Button(id)->toolTip(), QString::fromUtf8(ToolbarTooltip(id))) << id;
        EXPECT_EQ(window.Button(id)->size(), QSize(50, 40)) << id;
    }
    for (const int id : kTitleButtons) EXPECT_EQ(window.Button(id)->size(), QSize(30, 20)) << id;
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Farlo видео-клиент"));
    EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
}

TEST_F(MainWindowTest, TabAndArrowsWalkTheToolbar) {
    Shown();
    Key(Qt::Key_Tab);
    EXPECT_EQ(Focused(), kBtnLayout);
    Key(Qt::Key_Right);
    EXPECT_EQ(Focused(), kBtnStop);
    Key(Qt::Key_Tab);
    EXPECT_EQ(Focused(), kBtnBitRateLow);
    Key(Qt::Key_Right);
    EXPECT_EQ(Focused(), kBtnAlarm);  // the hidden rate buttons are passed over
    Key(Qt::Key_Left);
    Key(Qt::Key_Left);
    Key(Qt::Key_Left);
    EXPECT_EQ(Focused(), kBtnLayout);
    Key(Qt::Key_Left);
    EXPECT_EQ(Focused(), kBtnRecordOn);  // back from the first: the last visible
    Key(Qt::Key_Right);
    EXPECT_EQ(Focused(), kBtnLayout);
}

TEST_F(MainWindowTest, TheMouseOverAToolbarButtonGivesItTheFocus) {
    Shown();
    QTest::mouseMove(Window().Button(kBtnRotate));
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(Window().Button(kBtnRotate), &enter);
    EXPECT_EQ(Focused(), kBtnRotate);
}

TEST_F(MainWindowTest, EnterAndEscNeverCloseTheWindow) {
    CNimbrelDlg& window = Shown();
    QSignalSpy closed(&window, &CNimbrelDlg::Closed);
    Key(Qt::Key_Tab);
    for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        Key(key);
        QTest::keyClick(&window, key);
    }
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(closed.count(), 0);
    // Enter on the focused layout button did not press it either.
    EXPECT_FALSE(window.CanvasView()->Chooser()->isVisible());
}

TEST_F(MainWindowTest, ActionsWithoutASelectionShowTheirHints) {
    Shown();
    Click(kBtnRotate);
    Click(kBtnAlarm);
    Click(kBtnAudioOn);
    Click(kBtnStop);
    const auto shown = notifier.Messages();
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0].text, "Пожалуйста, выберите устройство");
    EXPECT_EQ(shown[0].caption, "");
    EXPECT_EQ(shown[2].text, "Пожалуйста, выберите окно для беседы");
    EXPECT_EQ(shown[3].text, "Пожалуйста, выберите закрыл видео");
    EXPECT_EQ(shown[3].caption, "подсказки");
}

TEST_F(MainWindowTest, PageButtonsTurnTheWallsPages) {
    std::vector<CCamera*> cameras;
    for (int i = 0; i < 5; ++i) cameras.push_back(AddDevice("NB" + std::to_string(i)));
    Shown();
    for (CCamera* camera : cameras) ASSERT_TRUE(Session().Canvas().AcquirePane(*camera));
    EXPECT_EQ(cameras[4]->m_nPage, 1);
    Click(kBtnPrevPage);  // back from page 0 wraps to page 1, and says so
    EXPECT_EQ(Session().Canvas().CurrentPage(), 1);
    EXPECT_EQ(Texts(), std::vector<std::string>{"Снова последняя страница"});
    Click(kBtnNextPage);
    EXPECT_EQ(Session().Canvas().CurrentPage(), 0);
    EXPECT_EQ(Texts().back(), "Снова первая страница");
    Click(kBtnNextPage);  // a plain turn says nothing
    EXPECT_EQ(Texts().size(), 2u);
    Click(kBtnPrevPage);
    EXPECT_EQ(Session().Canvas().CurrentPage(), 0);
    EXPECT_EQ(Texts().size(), 2u);
    Session().Canvas().ReleasePane(*cameras[4]);
    Click(kBtnNextPage);  // one page left: nothing happens
    EXPECT_EQ(Session().Canvas().CurrentPage(), 0);
    for (CCamera* camera : cameras) Session().Canvas().ReleasePane(*camera);
}

TEST_F(MainWindowTest, ThePageIndicatorHidesWhileAPaneIsMaximised) {
    CCamera* camera = AddDevice("NB1");
    Shown();
    Select(camera);
    QLabel* label = Window().PageLabel();
    EXPECT_TRUE(label->isVisible());
    const int pane = *Session().Canvas().PaneAt(camera->m_nPage, camera->m_nSlot);
    ASSERT_TRUE(Session().Canvas().ToggleMaximise(pane));
    QCoreApplication::processEvents();
    EXPECT_FALSE(label->isVisible());
    ASSERT_TRUE(Session().Canvas().ToggleMaximise(pane));
    QCoreApplication::processEvents();
    EXPECT_TRUE(label->isVisible());
    Session().Canvas().ReleasePane(*camera);
}

// The splitter between the wall and the tree widens the tree; the width is the account's, kept
// in its file, and the next window of the account opens with it.
TEST_F(MainWindowTest, TheTreeWidensByItsSplitterAndKeepsItsWidthForTheAccount) {
    DeviceFields fields;
    fields.sid = "NBLONG";
    fields.name = "Камера у ворот заднего двора со стороны гаража";
    fields.type = "c1";
    fields.status = 1;
    {
        std::lock_guard guard(Session().List().WriterLock());
        Session().List().Append(fields);
    }
    CNimbrelDlg& window = Shown(1500, 809);
    SplitterHandle* handle = window.TreeSplitter();
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(handle->geometry(), QRect(1230, 50, 5, 754));
    // The handle moves with the tree while it is dragged: the pointer's screen position is what
    // counts.
    const auto drag = [&](int dx) {
        const QPoint from = handle->mapToGlobal(handle->rect().center());
        const auto send = [&](QEvent::Type type, int offset, Qt::MouseButtons buttons) {
            const QPoint at = from + QPoint(offset, 0);
            QMouseEvent event(type, handle->mapFromGlobal(at), at, Qt::LeftButton, buttons,
                              Qt::NoModifier);
            QApplication::sendEvent(handle, &event);
        };
        send(QEvent::MouseButtonPress, 0, Qt::LeftButton);
        send(QEvent::MouseMove, dx / 2, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, dx, Qt::NoButton);
    };
    drag(-100);
    EXPECT_EQ(window.TreeWidth(), 360);
    EXPECT_EQ(window.Tree()->geometry(), QRect(1135, 50, 360, 754));
    EXPECT_EQ(window.CanvasView()->geometry(), QRect(5, 50, 1125, 689));
    EXPECT_EQ(handle->geometry(), QRect(1130, 50, 5, 754));
    AccountFile stored;
    ASSERT_TRUE(stored.Load(record.m_ConfigPath));
    EXPECT_EQ(ReadStoredTreeWidth(stored), 360);
    // Never narrower than at first, and the wall keeps its room.
    drag(500);
    EXPECT_EQ(window.TreeWidth(), kDefaultTreeWidth);
    drag(-5000);
    EXPECT_EQ(window.CanvasView()->width(), kMinimumWallWidth);
    drag(5000);
    drag(-100);

    // The tree's tooltip names the whole device, however narrow its row.
    ASSERT_TRUE(Session().Tree().Fill());
    window.Tree()->RequestRepaint();
    EXPECT_EQ(window.Tree()->ToolTipAt(DeviceTreeModel::kHeaderHeight + 10),
              QString::fromStdString(fields.name));

    this->window.reset();
    EXPECT_EQ(Shown(1500, 809).TreeWidth(), 360);
    EXPECT_EQ(Window().Tree()->width(), 360);
}

TEST_F(MainWindowTest, ThePageIndicatorFollowsThePagesAndAPlayedCameraShowsItsPage) {
    CCamera* camera = AddDevice("NB1");
    Shown();
    QLabel* label = Window().PageLabel();
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->isVisible());
    EXPECT_EQ(label->text(), "1 / 1");
    // Under the two paging buttons, across both.
    EXPECT_EQ(label->geometry().left(), Geometry(kBtnPrevPage).left());
    EXPECT_EQ(label->geometry().right(), Geometry(kBtnNextPage).right());
    EXPECT_GT(label->geometry().top(), Geometry(kBtnPrevPage).bottom());
    EXPECT_LE(label->geometry().bottom(), Window().height() - 1);

    // Page 0 is full: a double click in the tree opens the camera on page 1, which is shown.
    std::array<PaneOwner, 4> others;
    for (PaneOwner& other : others) ASSERT_TRUE(Session().Canvas().AcquirePane(other));
    EXPECT_EQ(label->text(), "1 / 1");
    Window().PlayDevice(0);
    EXPECT_EQ(camera->m_nPage, 1);
    EXPECT_EQ(Session().Canvas().CurrentPage(), 1);
    EXPECT_EQ(label->text(), "2 / 2");
    Click(kBtnPrevPage);
    EXPECT_EQ(label->text(), "1 / 2");
    // Playing it again (it already plays) shows its page again.
    Window().PlayDevice(0);
    EXPECT_EQ(label->text(), "2 / 2");

    // The shown page's camera stops: the wall goes back to the page that is left.
    camera->Shutdown();
    EXPECT_EQ(Session().Canvas().CurrentPage(), 0);
    EXPECT_EQ(label->text(), "1 / 1");

    // The same when a camera thread gives the pane back: the label follows on the UI thread.
    PaneOwner late;
    ASSERT_TRUE(Session().Canvas().AcquirePane(late));
    Click(kBtnNextPage);
    ASSERT_EQ(label->text(), "2 / 2");
    std::thread([&] { Session().Canvas().ReleasePane(late); }).join();
    EXPECT_TRUE(QTest::qWaitFor([&] { return label->text() == "1 / 1"; }, 10000));
    EXPECT_EQ(Session().Canvas().CurrentPage(), 0);
    for (PaneOwner& other : others) Session().Canvas().ReleasePane(other);
    EXPECT_EQ(label->text(), "1 / 1");
}

TEST_F(MainWindowTest, ASelectedPaneSetsTheStacksAndTakesTheActions) {
    CCamera* camera = AddDevice("NBZ2", "z2a");
    Shown();
    Select(camera);
    ASSERT_EQ(Session().Canvas().SelectedCamera(), camera);
    // A z2 device: the "off" buttons of audio and talk, with one picture for every state.
    EXPECT_FALSE(Window().Button(kBtnAudioOff)->isHidden());
    EXPECT_FALSE(Window().Button(kBtnTalkOff)->isHidden());
    EXPECT_TRUE(Window().Button(kBtnAudioOn)->isHidden());
    EXPECT_TRUE(Window().Toolbar().FixedAudioTalkPictures());

    for (int i = 1; i <= 4; ++i) {
        Click(kBtnRotate);
        EXPECT_EQ(camera->m_nRotation, i % 4);
    }
    // Stopping resets the stacks; the camera was never started, so nothing else happens.
    Click(kBtnStop);
    EXPECT_FALSE(Window().Button(kBtnAudioOn)->isHidden());
    EXPECT_FALSE(Window().Button(kBtnTalkOn)->isHidden());
    EXPECT_EQ(camera->m_nStatus, kStatusReady);
    EXPECT_TRUE(notifier.Messages().empty());
    Session().Canvas().ReleasePane(*camera);
}

TEST_F(MainWindowTest, RecordSnapshotBitRateAndArrowKeysActOnTheSelectedCamera) {
    CCamera* camera = AddDevice("NBY1", "y1");
    Shown();
    Select(camera);
    Click(kBtnRecordOn);
    EXPECT_EQ(camera->m_bRecord, 1);
    EXPECT_TRUE(Window().Button(kBtnRecordOn)->isHidden());
    EXPECT_FALSE(Window().Button(kBtnRecordOff)->isHidden());
    Click(kBtnRecordOff);
    EXPECT_EQ(camera->m_bRecord, 0);
    EXPECT_FALSE(Window().Button(kBtnRecordOn)->isHidden());
    EXPECT_TRUE(Window().Button(kBtnRecordOff)->isHidden());

    EXPECT_FALSE(camera->Snapshots().Requested());
    Click(kBtnSnapshot);
    EXPECT_TRUE(camera->Snapshots().Requested());

    // A choice from the bit-rate menu shows its button; without a view nothing is sent.
    Window().RunCommand(kCmdBitRateHigh);
    EXPECT_FALSE(Window().Button(kBtnBitRateHigh)->isHidden());
    EXPECT_TRUE(Window().Button(kBtnBitRateLow)->isHidden());
    EXPECT_EQ(camera->m_nBitRate, -1);
    Click(kBtnBitRateHigh);  // the menu only for a playing camera
    EXPECT_EQ(notifier.Messages().back().text, "Устройство не работает");

    // The pane's arrow keys set the requests that the camera's pan/tilt thread takes (a
    // camera that turns and plays, as for the on-screen arrows).
    camera->m_nStatus = kStatusPlaying;
    const int pane = *Session().Canvas().PaneAt(camera->m_nPage, camera->m_nSlot);
    auto* widget = Window().findChild<PaneWidget*>(QStringLiteral("pane%1").arg(pane));
    ASSERT_NE(widget, nullptr);
    QTest::keyClick(widget, Qt::Key_Right);
    QTest::keyClick(widget, Qt::Key_Up);
    PtzRequests* requests = Session().PaneHost().Ptz(camera->m_nPage, camera->m_nSlot);
    ASSERT_NE(requests, nullptr);
    EXPECT_EQ(requests->TakeNext(), PtzRequests::Direction::Right);
    EXPECT_EQ(requests->TakeNext(), PtzRequests::Direction::Up);
    EXPECT_EQ(requests->TakeNext(), std::nullopt);
    camera->m_nStatus = kStatusReady;
    Session().Canvas().ReleasePane(*camera);
}

TEST_F(MainWindowTest, DeviceAudioAndTalkButtonsSwitchTheSelectedCamerasSound) {
    CCamera* camera = AddDevice("NBSOUND");
    CCamera* other = AddDevice("NBSOUND2");
    Shown();
    Select(camera);
    CCanvas& canvas = Session().Canvas();
    auto waitFor = [](const std::function<bool()>& done) { return QTest::qWaitFor(done, 10000); };
    Click(kBtnAudioOn);
    EXPECT_EQ(canvas.RoleCamera(CameraRole::Audio), camera);
    EXPECT_TRUE(camera->AudioRunning());  // waiting for its first frames
    EXPECT_FALSE(Window().Button(kBtnAudioOff)->isHidden());
    EXPECT_TRUE(Window().Button(kBtnAudioOn)->isHidden());
    Click(kBtnTalkOn);
    EXPECT_EQ(canvas.RoleCamera(CameraRole::Talk), camera);
    EXPECT_TRUE(camera->TalkRunning());
    EXPECT_FALSE(Window().Button(kBtnTalkOff)->isHidden());
    Click(kBtnTalkOff);
    EXPECT_EQ(canvas.RoleCamera(CameraRole::Talk), nullptr);
    EXPECT_FALSE(Window().Button(kBtnTalkOn)->isHidden());
    EXPECT_TRUE(waitFor([&] { return !camera->TalkRunning(); }));

    // Another pane selected: the stacks follow it, and its "on" moves audio over once the first
    // camera's stop is done.
    Select(other);
    EXPECT_FALSE(Window().Button(kBtnAudioOn)->isHidden());
    Click(kBtnAudioOn);
    EXPECT_TRUE(waitFor([&] { return canvas.RoleCamera(CameraRole::Audio) == other; }));
    EXPECT_FALSE(camera->AudioRunning());
    EXPECT_TRUE(other->AudioRunning());
    Click(kBtnAudioOff);
    EXPECT_EQ(canvas.RoleCamera(CameraRole::Audio), nullptr);
    EXPECT_TRUE(waitFor([&] { return !other->AudioRunning(); }));
    EXPECT_TRUE(notifier.Messages().empty());
    canvas.ReleasePane(*camera);
    canvas.ReleasePane(*other);
}

TEST_F(MainWindowTest, TheLayoutButtonOpensTheChooserAboveItself) {
    CNimbrelDlg& window = Shown();
    Click(kBtnLayout);
    QWidget* chooser = window.CanvasView()->findChild<QWidget*>(QStringLiteral("splitChooser"));
    ASSERT_TRUE(chooser);
    ASSERT_TRUE(chooser->isVisible());
    const QRect button(window.Button(kBtnLayout)->mapToGlobal(QPoint(0, 0)), QSize(50, 40));
    EXPECT_EQ(chooser->geometry().left(), button.left() + 50);
    EXPECT_EQ(chooser->geometry().bottom() + 1, button.top());
    // A press elsewhere in the window closes it.
    QTest::mousePress(window.Tree()->viewport(), Qt::LeftButton, {}, QPoint(20, 300));
    EXPECT_FALSE(chooser->isVisible());
}

TEST_F(MainWindowTest, MaximiseAndRestoreSwapTheirButtons) {
    CNimbrelDlg& window = Shown();
    window.move(40, 30);
    const QRect normal = window.geometry();
    Click(kBtnMaximise);
    EXPECT_TRUE(window.Maximised());
    // The screen's available area, not the whole screen: the desktop's panels stay visible (the
    // test's screen is smaller than the window's smallest size, which still holds).
    const QRect work = window.screen()->availableGeometry();
    const QRect filled(work.topLeft(), work.size().expandedTo(window.minimumSize()));
    EXPECT_EQ(window.geometry(), filled);
    // Hidden to the tray and back, it is still maximised.
    window.showMinimized();
    window.ShowFromTray();
    EXPECT_TRUE(window.Maximised());
    EXPECT_EQ(window.geometry(), filled);
    EXPECT_TRUE(window.Button(kBtnMaximise)->isHidden());
    EXPECT_FALSE(window.Button(kBtnRestore)->isHidden());
    // A double click on the background restores.
    QTest::mouseDClick(&window, Qt::LeftButton, {}, QPoint(600, 20));
    EXPECT_FALSE(window.Maximised());
    EXPECT_EQ(window.geometry(), normal);
    EXPECT_FALSE(window.Button(kBtnMaximise)->isHidden());
    EXPECT_TRUE(window.Button(kBtnRestore)->isHidden());
    QTest::mouseDClick(&window, Qt::LeftButton, {}, QPoint(600, 20));
    EXPECT_TRUE(window.Maximised());
    EXPECT_TRUE(window.Placement().maximised);
    // What is stored at exit is the restored rectangle.
    window.OnCancel();
    EXPECT_EQ(window.Placement().rect.left, normal.left());
    EXPECT_EQ(window.Placement().rect.right, normal.left() + normal.width());
}

TEST_F(MainWindowTest, TheStoredRectangleIsUsedOnlyWhenItFits) {
    const QRect work(0, 0, 1920, 1040);
    EXPECT_EQ(CNimbrelDlg::StartRect({false, {100, 60, 1100, 660}}, work),
              QRect(100, 60, 1000, 600));
    EXPECT_EQ(CNimbrelDlg::StartRect({false, {1000, 60, 2600, 900}}, work),
              QRect(58, 30, 1803, 980));
    EXPECT_EQ(CNimbrelDlg::StartRect({}, QRect(0, 0, 1555, 840)), QRect(50, 28, 1455, 783));
    // The work area's own offset is kept.
    EXPECT_EQ(CNimbrelDlg::StartRect({}, QRect(64, 0, 1280, 984)), QRect(114, 177, 1180, 629));
}

TEST_F(MainWindowTest, ClosingWithoutAskingEndsTheProgramAndKeepsTheRectangle) {
    record.ShowClose = 0;
    record.ToTray = 0;
    CNimbrelDlg& window = Shown(1200, 700);
    window.move(30, 40);
    const QRect where = window.geometry();
    QSignalSpy closed(&window, &CNimbrelDlg::Closed);
    window.close();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(window.isVisible());
    const WindowPlacement p = window.Placement();
    EXPECT_FALSE(p.maximised);
    EXPECT_EQ(p.rect.left, where.left());
    EXPECT_EQ(p.rect.top, where.top());
    EXPECT_EQ(p.rect.right - p.rect.left, 1200);
    EXPECT_EQ(p.rect.bottom - p.rect.top, 700);
}

TEST_F(MainWindowTest, ClosingToTheTrayWithoutATrayMinimises) {
    record.ShowClose = 0;
    record.ToTray = 1;
    CNimbrelDlg& window = Shown();
    QSignalSpy closed(&window, &CNimbrelDlg::Closed);
    Click(kBtnClose);
    EXPECT_EQ(closed.count(), 0);
    EXPECT_TRUE(window.isMinimized());
    window.ShowFromTray();
    EXPECT_FALSE(window.isMinimized());
}

TEST_F(MainWindowTest, PlayingWithEveryPaneTakenShowsANoticeAndStartsNothing) {
    CCamera* camera = AddDevice("NB1");
    Shown();
    std::array<PaneOwner, CCanvas::kPanes> others;
    for (PaneOwner& other : others) ASSERT_TRUE(Session().Canvas().AcquirePane(other));
    Window().PlayDevice(0);
    EXPECT_EQ(camera->m_nStatus, kStatusReady);
    EXPECT_EQ(camera->m_nPage, -1);
    ASSERT_EQ(notifier.Messages().size(), 1u);
    EXPECT_EQ(notifier.Messages()[0].text, CCamera::kNoFreePaneNotice);
    EXPECT_EQ(notifier.Messages()[0].caption, "");  // a notice, like the tree's offline hint
    for (PaneOwner& other : others) Session().Canvas().ReleasePane(other);
}

TEST_F(MainWindowTest, TheTreesPlaybackCommandOpensThePlaybackWindowOfThatDevice) {
    AddDevice("NB1");
    AddDevice("NB2");
    Shown();
    QString title, shownName;
    bool idle = false;
    QTimer::singleShot(0, [&] {
        auto* playback = qobject_cast<CPlayback*>(QApplication::activeModalWidget());
        if (!playback) {
            ADD_FAILURE() << "no playback window";
            if (QWidget* other = QApplication::activeModalWidget()) other->close();
            return;
        }
        title = playback->windowTitle();
        shownName = QString::fromStdString(playback->Flow().Sid());
        idle = playback->Canvas()->PlayState() == CPlaybkCanvas::kIdle;
        test::Shot(playback, "playback-window");
        QTest::keyClick(playback, Qt::Key_Escape);
    });
    Window().Playback(1);  // returns when the window closed
    EXPECT_EQ(title, QStringLiteral("Камера NB2"));
    EXPECT_EQ(shownName, QStringLiteral("NB2"));
    EXPECT_TRUE(idle);
}

TEST_F(MainWindowTest, TheTreeTellsWhichDeviceIsCurrent) {
    AddDevice("NB1");
    AddDevice("NB2");
    Shown();
    Window().CurrentDeviceChanged(1);
    EXPECT_EQ(g.m_CurDevice.load(), Session().List().At(1));
}

}  // namespace
}  // namespace nimbrel
