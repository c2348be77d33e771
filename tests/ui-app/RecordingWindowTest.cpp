// The main window's recording, snapshot, bit-rate and pan/tilt controls on a camera that plays
// from the simulator, as a user of the demo works them: the record button records the selected
// pane into a playable file, the snapshot button writes a BMP and says so, the bit-rate choice
// lowers the byte rate of the status line, and the pane's arrow and arrow keys turn the camera.
// A pane's context menu runs those commands on its own pane.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>

#include "AppFixture.h"
#include "ClientSession.h"
#include "Mp4Probe.h"
#include "SimProcess.h"
#include "app/CNimbrelDlg.h"
#include "app/ClientSession.h"
#include "app/MainControls.h"
#include "devices/DeviceListLoader.h"
#include "wall/ui/PaneWidget.h"
#include "wall/ui/PictureButton.h"
#include "widgets/BitmapButton.h"

namespace nimbrel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class RecordingWindow : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { sim_ = new test::SimProcess("recording.json"); }
    static void TearDownTestSuite() { delete sim_; }

    void SetUp() override {
        dir_ =
            fs::temp_directory_path() / ("nimbrel-recording-window-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        std::string why;
        ASSERT_TRUE(client_.SignIn(*sim_, "rec_user", "rec12345", &why)) << why;
        client_.app.VideoPath = (dir_ / "videos").string() + "/";
        client_.app.ImagePath = (dir_ / "images").string() + "/";
        client_.app.FileLength = 10;
        session_ = std::make_unique<ClientSession>(
            ClientSession::Parts{client_.g, client_.app, client_.notifier, lan_});
        ASSERT_TRUE(FetchDeviceList(session_->Service(), session_->List(), lan_));
        CNimbrelDlg::Options options;
        options.startAllInit = false;
        options.trayIcon = false;
        window_ = std::make_unique<CNimbrelDlg>(*session_, WindowPlacement{}, options);
        window_->resize(1500, 809);
        window_->show();
    }
    void TearDown() override {
        window_.reset();
        session_.reset();
        fs::remove_all(dir_);
    }

    // Runs the UI's events while waiting, as the program's loop would.
    static bool WaitUntil(const std::function<bool()>& done,
                          std::chrono::milliseconds limit = 20s) {
        return QTest::qWaitFor(done, static_cast<int>(limit.count()));
    }
    CCamera& Camera(const std::string& sid) {
        return *session_->Camera(session_->List().IndexOfSid(sid));
    }
    PaneWidget* Pane(const CCamera& camera) {
        const int pane = *session_->Canvas().PaneAt(camera.m_nPage, camera.m_nSlot);
        return window_->findChild<PaneWidget*>(QStringLiteral("pane%1").arg(pane));
    }
    void Click(int id) { QTest::mouseClick(window_->Button(id), Qt::LeftButton); }
    // Opens the context menu of `camera`'s pane and chooses the item `text`; `then` handles a
    // menu that the command opens. Returns the items that the menu offered.
    QStringList ChooseInPaneMenu(const CCamera& camera, const QString& text,
                                 std::function<void(QMenu*)> then = {}) {
        QStringList items;
        test::OnModal<QMenu>([&](QMenu* menu) {
            QAction* item = nullptr;
            for (QAction* action : menu->actions()) {
                if (action->isSeparator()) continue;
                items << action->text();
                if (action->text() == text) item = action;
            }
            if (then) test::OnModal<QMenu>(then);
            if (!item) {
                ADD_FAILURE() << "no item " << text.toStdString();
                menu->close();
                return;
            }
            menu->setActiveAction(item);
            QTest::keyClick(menu, Qt::Key_Return);
        });
        PaneWidget* pane = Pane(camera);
        const QPoint at = pane->rect().center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, pane->mapToGlobal(at));
        QApplication::sendEvent(pane, &event);
        return items;
    }
    bool Shown(int id) { return !window_->Button(id)->isHidden(); }
    std::vector<std::string> Commands(const std::string& cmd) const {
        std::vector<std::string> found;
        for (const Json::Value& line : sim_->RequestLog())
            if (line["message"]["cmd"].asString() == cmd)
                found.push_back(line["stream"].asString());
        return found;
    }

    static inline test::SimProcess* sim_ = nullptr;
    fs::path dir_;
    test::ClientSession client_;
    LanDiscovery lan_;
    std::unique_ptr<ClientSession> session_;
    std::unique_ptr<CNimbrelDlg> window_;
};

TEST_F(RecordingWindow, TheToolbarAndThePaneWorkTheCameraThatPlays) {
    CCamera& camera = Camera("RC0000000002");
    camera.CameraStart();
    ASSERT_TRUE(WaitUntil([&] { return camera.m_nStatus == kStatusPlaying; }));
    PaneWidget* pane = Pane(camera);
    ASSERT_NE(pane, nullptr);
    QTest::mouseClick(pane, Qt::LeftButton, {}, pane->rect().center());
    ASSERT_EQ(session_->Canvas().SelectedCamera(), &camera);

    // Recording: the buttons swap and the pane's file fills until it is switched off.
    Click(kBtnRecordOn);
    EXPECT_TRUE(Shown(kBtnRecordOff));
    ASSERT_TRUE(WaitUntil([&] { return camera.Recorder().FramesOffered() >= 25; }));
    Click(kBtnRecordOff);
    EXPECT_TRUE(Shown(kBtnRecordOn));
    ASSERT_TRUE(WaitUntil([&] { return !camera.Recorder().FileOpen(); }));
    const auto files = camera.Recorder().Files();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].path.parent_path().parent_path(), dir_ / "videos" / "rec_user");
    EXPECT_EQ(test::ProbeMp4(files[0].path).frames, static_cast<long>(files[0].frames));

    // Snapshot: a BMP in the day folder, then the message.
    Click(kBtnSnapshot);
    ASSERT_TRUE(WaitUntil([&] { return camera.Snapshots().Taken() == 1; }));
    EXPECT_EQ(fs::file_size(camera.Snapshots().LastFile()), 320u * 180u * 3u + 54u);
    ASSERT_TRUE(WaitUntil([&] { return !client_.notifier.Messages().empty(); }));
    EXPECT_EQ(client_.notifier.Messages().back().text,
              "Скриншот сохранен в файл\n" + camera.Snapshots().LastFile().string());
    EXPECT_EQ(client_.notifier.Messages().back().caption, "подсказки");

    // Bit rate: the low choice shows its button and the status line's rate falls.
    ASSERT_TRUE(WaitUntil([&] { return camera.m_fBytesLastSecond > 0; }));
    const float before = camera.m_fBytesLastSecond;
    window_->RunCommand(kCmdBitRateLow);
    EXPECT_TRUE(Shown(kBtnBitRateLow));
    EXPECT_EQ(camera.m_nBitRate, 88000);
    EXPECT_TRUE(WaitUntil([&] { return camera.m_fBytesLastSecond < before / 2; }))
        << before << " -> " << camera.m_fBytesLastSecond;
    EXPECT_EQ(Commands("resetBitRate"), std::vector<std::string>{"RC0000000002"});

    // Pan and tilt: an arrow key, and the arrow that shows under the cursor.
    QTest::keyClick(pane, Qt::Key_Up);
    QTest::mouseMove(pane, pane->rect().center());
    PictureButton* left = pane->Arrow(PtzRequests::Direction::Left);
    ASSERT_TRUE(WaitUntil([&] { return left->isVisible(); }));
    QTest::mouseClick(left, Qt::LeftButton);
    EXPECT_TRUE(
        WaitUntil([&] { return !Commands("turnLeft").empty() && !Commands("turnUp").empty(); }));
}

// Arrow keys on a selected pane, pressed one after the other as a user does, each reach the
// camera that turns and stay with its pane; a fixed camera gets no turn at all.
TEST_F(RecordingWindow, EveryArrowKeyTurnsATurningCameraAndNoneAFixedOne) {
    CCamera& fixed = Camera("RC0000000001");
    CCamera& turning = Camera("RC0000000002");
    fixed.CameraStart();
    turning.CameraStart();
    ASSERT_TRUE(WaitUntil(
        [&] { return fixed.m_nStatus == kStatusPlaying && turning.m_nStatus == kStatusPlaying; }));
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    const auto turns = [&](const std::string& sid) {
        std::size_t n = 0;
        for (const char* cmd : {"turnLeft", "turnRight", "turnUp", "turnDown"})
            for (const std::string& stream : Commands(cmd)) n += stream == sid;
        return n;
    };
    const std::vector<Qt::Key> keys = {Qt::Key_Left, Qt::Key_Left, Qt::Key_Right, Qt::Key_Up,
                                       Qt::Key_Down};
    // The keys go wherever the keyboard focus is, as the user's keyboard sends them.
    const auto press = [&](Qt::Key key) {
        QWidget* focused = QApplication::focusWidget();
        QTest::keyClick(focused ? focused : window_.get(), key);
    };

    QTest::mouseClick(Pane(fixed), Qt::LeftButton, {}, Pane(fixed)->rect().center());
    for (const Qt::Key key : keys) {
        press(key);
        EXPECT_EQ(QApplication::focusWidget(), Pane(fixed));
    }
    const PtzRequests& fixedRequests = Pane(fixed)->Ptz();
    EXPECT_EQ(fixedRequests.left + fixedRequests.right + fixedRequests.up + fixedRequests.down, 0);

    QTest::mouseClick(Pane(turning), Qt::LeftButton, {}, Pane(turning)->rect().center());
    std::size_t sent = turns("RC0000000002");
    for (const Qt::Key key : keys) {
        press(key);
        EXPECT_EQ(QApplication::focusWidget(), Pane(turning));
        ASSERT_TRUE(WaitUntil([&] { return turns("RC0000000002") == sent + 1; })) << key;
        ++sent;
    }
    // The turning camera's five commands went out after the fixed camera's keys.
    EXPECT_EQ(turns("RC0000000001"), 0u);
}

TEST_F(RecordingWindow, ThePaneMenuRunsTheToolbarsCommandsOnItsOwnPane) {
    CCamera& first = Camera("RC0000000001");
    CCamera& second = Camera("RC0000000002");
    first.CameraStart();
    second.CameraStart();
    ASSERT_TRUE(WaitUntil(
        [&] { return first.m_nStatus == kStatusPlaying && second.m_nStatus == kStatusPlaying; }));
    CCanvas& canvas = session_->Canvas();
    // Before each command the first pane is selected: the menu's own pane takes it over.
    const auto selectFirst = [&] {
        QTest::mouseClick(Pane(first), Qt::LeftButton, {}, Pane(first)->rect().center());
        ASSERT_EQ(canvas.SelectedCamera(), &first);
    };

    // An empty pane offers no menu.
    const int emptyPane = *canvas.PaneAt(second.m_nPage, second.m_nSlot) + 1;
    auto* empty = window_->findChild<PaneWidget*>(QStringLiteral("pane%1").arg(emptyPane));
    ASSERT_NE(empty, nullptr);
    ASSERT_EQ(canvas.Pane(emptyPane)->owner, nullptr);
    QSignalSpy noMenu(empty, &PaneWidget::MenuRequested);
    QContextMenuEvent onEmpty(QContextMenuEvent::Mouse, QPoint(5, 5),
                              empty->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(empty, &onEmpty);
    EXPECT_EQ(noMenu.count(), 0);

    selectFirst();
    const QStringList items = ChooseInPaneMenu(second, QStringLiteral("Поворот экрана"));
    EXPECT_EQ(items, QStringList({"Отключить камеру", "Развернуть", "Поворот экрана",
                                  "Скриншот видео", "Воспроизвести видео", "Включить микрофон",
                                  "Включить динамик", "Разрешение видео", "Копировать имя камеры",
                                  "Копировать ID камеры", "Показатели потоков"}));
    EXPECT_EQ(canvas.SelectedCamera(), &second);
    EXPECT_EQ(second.m_nRotation, 1);
    EXPECT_EQ(first.m_nRotation, 0);

    selectFirst();
    ChooseInPaneMenu(second, QStringLiteral("Скриншот видео"));
    ASSERT_TRUE(WaitUntil([&] { return second.Snapshots().Taken() == 1; }));
    EXPECT_EQ(first.Snapshots().Taken(), 0);

    // Recording: the item follows the pane's state, as the toolbar's stack does.
    selectFirst();
    ChooseInPaneMenu(second, QStringLiteral("Воспроизвести видео"));
    EXPECT_EQ(second.m_bRecord, 1);
    EXPECT_EQ(first.m_bRecord, 0);
    ASSERT_TRUE(WaitUntil([&] { return second.Recorder().FileOpen(); }));
    selectFirst();
    EXPECT_TRUE(ChooseInPaneMenu(second, QStringLiteral("Видео открыто"))
                    .contains(QStringLiteral("Видео открыто")));
    EXPECT_EQ(second.m_bRecord, 0);
    ASSERT_TRUE(WaitUntil([&] { return !second.Recorder().FileOpen(); }));

    // Device audio and talk switch on and off for the menu's pane.
    selectFirst();
    ChooseInPaneMenu(second, QStringLiteral("Включить микрофон"));
    EXPECT_EQ(canvas.RoleCamera(CameraRole::Audio), &second);
    EXPECT_TRUE(second.AudioRunning());
    selectFirst();
    ChooseInPaneMenu(second, QStringLiteral("Выключить микрофон"));
    EXPECT_EQ(canvas.RoleCamera(CameraRole::Audio), nullptr);
    EXPECT_TRUE(WaitUntil([&] { return !second.AudioRunning(); }));
    selectFirst();
    ChooseInPaneMenu(second, QStringLiteral("Включить динамик"));
    EXPECT_EQ(canvas.RoleCamera(CameraRole::Talk), &second);
    selectFirst();
    ChooseInPaneMenu(second, QStringLiteral("Выключить динамик"));
    EXPECT_EQ(canvas.RoleCamera(CameraRole::Talk), nullptr);
    EXPECT_TRUE(WaitUntil([&] { return !second.TalkRunning(); }));

    // The bit rate opens the toolbar's bit-rate menu; its choice reaches the menu's camera.
    const int firstRate = first.m_nBitRate;
    const std::size_t resetsBefore = Commands("resetBitRate").size();  // the suite shares the log
    selectFirst();
    // The bit-rate menu opens at the pane, with the rate the camera announced ticked before any
    // choice (the first camera announces the simulator's 1 000 000 bits a second: nearest to
    // the high rate).
    QStringList ticked;
    QPoint menuAt;
    ChooseInPaneMenu(first, QStringLiteral("Разрешение видео"), [&](QMenu* rates) {
        menuAt = rates->geometry().topLeft();
        for (QAction* action : rates->actions())
            if (action->isChecked()) ticked << action->text();
        rates->close();
    });
    EXPECT_EQ(first.m_nBitRate, 1000000);
    EXPECT_EQ(ticked, QStringList{QStringLiteral("Высокое")});
    const QRect firstArea(Pane(first)->mapToGlobal(QPoint(0, 0)), Pane(first)->size());
    EXPECT_TRUE(firstArea.contains(menuAt)) << menuAt.x() << "," << menuAt.y();

    selectFirst();
    ChooseInPaneMenu(second, QStringLiteral("Разрешение видео"), [](QMenu* rates) {
        for (QAction* action : rates->actions())
            if (action->text() == QStringLiteral("Низкое")) rates->setActiveAction(action);
        QTest::keyClick(rates, Qt::Key_Return);
    });
    EXPECT_EQ(second.m_nBitRate, 88000);
    EXPECT_EQ(first.m_nBitRate, firstRate);
    ASSERT_TRUE(WaitUntil([&] { return Commands("resetBitRate").size() == resetsBefore + 1; }));
    EXPECT_EQ(Commands("resetBitRate").back(), "RC0000000002");

    // Maximise, then restore from the maximised pane's own menu.
    const int secondPane = *canvas.PaneAt(second.m_nPage, second.m_nSlot);
    selectFirst();
    ChooseInPaneMenu(second, QStringLiteral("Развернуть"));
    EXPECT_TRUE(canvas.Pane(secondPane)->maximised);
    EXPECT_FALSE(canvas.IsShown(first));
    EXPECT_TRUE(ChooseInPaneMenu(second, QStringLiteral("Восстановить"))
                    .contains(QStringLiteral("Восстановить")));
    EXPECT_FALSE(canvas.Pane(secondPane)->maximised);
    EXPECT_TRUE(canvas.IsShown(first));

    selectFirst();
    ChooseInPaneMenu(second, QStringLiteral("Копировать имя камеры"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("Поворот"));
    ChooseInPaneMenu(second, QStringLiteral("Копировать ID камеры"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("RC0000000002"));

    // Stop: the menu's camera gives its pane back, the other plays on.
    selectFirst();
    ChooseInPaneMenu(second, QStringLiteral("Отключить камеру"));
    EXPECT_TRUE(WaitUntil([&] { return second.m_nPage == -1; }));
    EXPECT_EQ(first.m_nStatus, kStatusPlaying);
}

}  // namespace
}  // namespace nimbrel
