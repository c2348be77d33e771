// The main window's commands on the whole wall and what it tells of each stream, with cameras of
// the simulator: the health overlay (off at first, its values against the view's own counters,
// a stall, kept in the account file across a new sign-in, switched while the wall is laid out
// and paged), the pane's tooltip, the tree's play marks (which follow the cameras' own repaint
// requests), and play all / stop all from the title band's menu.
#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>

#include "AppFixture.h"
#include "ClientSession.h"
#include "SimProcess.h"
#include "app/CNimbrelDlg.h"
#include "app/ClientSession.h"
#include "app/MainControls.h"
#include "devices/DeviceListLoader.h"
#include "devices/ui/DeviceTreeWidget.h"
#include "service/AccountFile.h"
#include "wall/StoredLayout.h"
#include "wall/ui/CanvasWidget.h"
#include "wall/ui/PaneWidget.h"
#include "widgets/BitmapButton.h"

namespace nimbrel {
namespace {

using namespace std::chrono_literals;

class WallHealth : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { sim_ = new test::SimProcess("health.json"); }
    static void TearDownTestSuite() { delete sim_; }

    void SetUp() override {
        std::string why;
        ASSERT_TRUE(client_.SignIn(*sim_, "health_user", "health123", &why)) << why;
        Open();
    }
    void TearDown() override { Close(); }

    // The main window over a new session of the signed-in account, as after a sign-in.
    void Open() {
        session_ = std::make_unique<ClientSession>(
            ClientSession::Parts{client_.g, client_.app, client_.notifier, lan_});
        // A stalled view fails soon, and a failed one is not started again while a test looks.
        session_->Live().stallLimit = 6s;
        session_->Live().firstRetry = 10min;
        ASSERT_TRUE(FetchDeviceList(session_->Service(), session_->List(), lan_));
        CNimbrelDlg::Options options;
        options.startAllInit = false;
        options.trayIcon = false;
        window_ = std::make_unique<CNimbrelDlg>(*session_, WindowPlacement{}, options);
        window_->resize(1500, 809);
        window_->show();
    }
    void Close() {
        window_.reset();
        session_.reset();
    }

    // Runs the UI's events while waiting, as the program's loop would.
    static bool WaitUntil(const std::function<bool()>& done,
                          std::chrono::milliseconds limit = 20s) {
        return QTest::qWaitFor(done, static_cast<int>(limit.count()));
    }
    int Index(const std::string& sid) { return session_->List().IndexOfSid(sid); }
    CCamera& Camera(const std::string& sid) { return *session_->Camera(Index(sid)); }
    PaneWidget* Pane(const CCamera& camera) {
        const std::optional<int> pane = session_->Canvas().PaneAt(camera.m_nPage, camera.m_nSlot);
        return pane ? window_->CanvasView()->Pane(*pane) : nullptr;
    }
    std::optional<PaneHealth> Health(const CCamera& camera) {
        PaneWidget* pane = Pane(camera);
        return pane ? pane->Health() : std::nullopt;
    }
    bool Marked(const std::string& sid) { return window_->Tree()->PlayingMarked(Index(sid)); }
    // Opens the title band's menu and chooses `text`.
    void ChooseInTitleMenu(const QString& text) {
        bool found = false;
        test::OnModal<QMenu>([&](QMenu* menu) {
            for (QAction* action : menu->actions())
                if (action->text() == text) {
                    found = true;
                    menu->setActiveAction(action);
                }
            if (!found) menu->close();
            QTest::keyClick(menu, Qt::Key_Return);
        });
        QTest::mouseClick(window_->Button(kBtnMenu), Qt::LeftButton);
        EXPECT_TRUE(found) << text.toStdString();
    }
    // Opens the context menu of `camera`'s pane and chooses `text`; returns whether that item
    // was checked.
    bool ChooseInPaneMenu(const CCamera& camera, const QString& text) {
        bool checked = false, found = false;
        test::OnModal<QMenu>([&](QMenu* menu) {
            for (QAction* action : menu->actions())
                if (action->text() == text) {
                    found = true;
                    checked = action->isChecked();
                    menu->setActiveAction(action);
                }
            if (!found) menu->close();
            QTest::keyClick(menu, Qt::Key_Return);
        });
        PaneWidget* pane = Pane(camera);
        const QPoint at = pane->rect().center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, pane->mapToGlobal(at));
        QApplication::sendEvent(pane, &event);
        EXPECT_TRUE(found) << text.toStdString();
        return checked;
    }
    int NoFreePaneNotices() const {
        int n = 0;
        for (const auto& shown : client_.notifier.Messages())
            n += shown.text == CCamera::kNoFreePaneNotice;
        return n;
    }

    static inline test::SimProcess* sim_ = nullptr;
    test::ClientSession client_;
    LanDiscovery lan_;
    std::unique_ptr<ClientSession> session_;
    std::unique_ptr<CNimbrelDlg> window_;
};

TEST_F(WallHealth, TheOverlayShowsEachCamerasRouteAndRatesAndIsKeptForTheAccount) {
    CCamera& lan = Camera("HL0000000001");
    CCamera& mapped = Camera("HL0000000002");
    lan.CameraStart();
    mapped.CameraStart();
    ASSERT_TRUE(WaitUntil(
        [&] { return lan.m_nStatus == kStatusPlaying && mapped.m_nStatus == kStatusPlaying; }));
    // The account file the sign-in made has no switch: off.
    EXPECT_FALSE(window_->HealthOverlay());
    EXPECT_FALSE(Health(lan));
    EXPECT_TRUE(Pane(lan)->HealthText().isEmpty());

    ChooseInTitleMenu(QStringLiteral("Показатели потоков"));
    ASSERT_TRUE(window_->HealthOverlay());
    // A rate needs two looks, a second apart, with pictures between them.
    for (CCamera* camera : {&lan, &mapped})
        ASSERT_TRUE(WaitUntil([&] {
            const auto h = Health(*camera);
            return h && h->framesPerSecond && *h->framesPerSecond > 0 && h->delayMs &&
                   h->kbitPerSecond > 0;
        })) << camera->Sid();

    test::Shot(window_.get(), "main-window-health-overlay");

    // Against the view's own counters, read around the overlay's values.
    const uint64_t shownBefore = lan.counters.framesShown;
    const PaneHealth h = *Health(lan);
    const QStringList text = Pane(lan)->HealthText();
    EXPECT_EQ(h.reach, lan.m_DeviceNATType.load());
    EXPECT_EQ(h.reach, kDeviceLan);
    EXPECT_LE(h.framesDropped, lan.counters.framesDropped.load());
    EXPECT_FALSE(h.stalled);
    // The camera sends 25 pictures a second: a window of about a second cannot have shown more
    // than that and a few late ones.
    EXPECT_LE(*h.framesPerSecond, 1000.0 / lan.m_nTimeGap + 10);
    // 300 kbit/s of video and the packets' headers.
    EXPECT_GT(h.kbitPerSecond, 30);
    EXPECT_LT(h.kbitPerSecond, 3000);
    EXPECT_GT(*h.delayMs, 0);
    EXPECT_LT(*h.delayMs, 5000);
    QStringList expected;
    for (const std::string& line : HealthLines(h)) expected << QString::fromStdString(line);
    EXPECT_EQ(text, expected);
    EXPECT_EQ(text.front(), QStringLiteral("Маршрут: Локальная сеть"));
    EXPECT_EQ(Pane(mapped)->HealthText().front(), QStringLiteral("Маршрут: Проброс порта"));
    // The frame counts go on rising under the overlay.
    EXPECT_TRUE(WaitUntil([&] { return lan.counters.framesShown > shownBefore + 25; }));

    // The pane's tooltip names the camera and its route.
    EXPECT_EQ(Pane(mapped)->ToolTipText(), QStringLiteral("Гараж\nМаршрут: Проброс порта"));
    PaneWidget* pane = Pane(lan);
    const QPoint at = pane->rect().center();
    QHelpEvent help(QEvent::ToolTip, at, pane->mapToGlobal(at));
    QApplication::sendEvent(pane, &help);
    EXPECT_TRUE(WaitUntil([] { return QToolTip::isVisible(); }));
    EXPECT_EQ(QToolTip::text(), QStringLiteral("Двор\nМаршрут: Локальная сеть"));
    QToolTip::hideText();

    // Kept in the account file: a new sign-in of the account opens the wall with it on.
    Close();
    std::string why;
    ASSERT_TRUE(client_.SignIn(*sim_, "health_user", "health123", &why)) << why;
    Open();
    EXPECT_TRUE(window_->HealthOverlay());
    // Switched off again, and kept so.
    window_->RunCommand(kCmdHealthOverlay);
    EXPECT_FALSE(window_->HealthOverlay());
    AccountFile file;
    ASSERT_TRUE(file.Load(client_.app.m_ConfigPath));
    EXPECT_FALSE(ReadStoredHealthOverlay(file));
}

TEST_F(WallHealth, AStalledStreamShowsOnItsPaneBeforeAndAfterTheViewFails) {
    window_->SetHealthOverlay(true);
    CCamera& frozen = Camera("HL0000000003");
    frozen.CameraStart();
    ASSERT_TRUE(WaitUntil([&] { return frozen.m_nStatus == kStatusPlaying; }));
    EXPECT_TRUE(Marked("HL0000000003"));

    // The camera stops sending 2 s into the stream; the view fails 6 s after its last byte.
    // Meanwhile it still plays, and its pane already says that the stream stopped.
    ASSERT_TRUE(WaitUntil([&] {
        const auto h = Health(frozen);
        return h && h->stalled && frozen.m_nStatus == kStatusPlaying;
    }));
    EXPECT_EQ(Pane(frozen)->HealthText().back(), QStringLiteral("Поток остановился"));

    ASSERT_TRUE(WaitUntil([&] { return frozen.m_nStatus == kStatusFailed; }));
    EXPECT_EQ(frozen.Failure(), CameraFailure::Stalled);
    // The failed camera keeps its pane and has it repainted: the wall window hears of it.
    const int pane = *session_->Canvas().PaneAt(frozen.m_nPage, frozen.m_nSlot);
    QSignalSpy repaints(window_->CanvasView(), &CanvasWidget::PaneStateChanged);
    EXPECT_TRUE(WaitUntil([&] {
        for (const QList<QVariant>& args : repaints)
            if (args.at(0).toInt() == pane) return true;
        return false;
    }));
    ASSERT_TRUE(WaitUntil([&] {
        const auto h = Health(frozen);
        return h && h->stalled && frozen.m_nStatus == kStatusFailed;
    })) << "status "
        << frozen.m_nStatus << ", health " << Health(frozen).has_value() << ", shown "
        << Pane(frozen)->isVisible() << ", overlay " << window_->HealthOverlay();
    EXPECT_EQ(Pane(frozen)->HealthText().back(), QStringLiteral("Поток остановился"));
    // It keeps saying so: the keep-alive sent every 5 s now fails on the stream that was shut
    // down, which does not change why the view failed.
    const auto watchedUntil = std::chrono::steady_clock::now() + 7s;
    while (std::chrono::steady_clock::now() < watchedUntil) {
        ASSERT_EQ(frozen.Failure(), CameraFailure::Stalled);
        ASSERT_TRUE(Health(frozen) && Health(frozen)->stalled);
        QTest::qWait(100);
    }
    // A failed view is no longer marked as playing in the tree.
    EXPECT_TRUE(WaitUntil([&] { return !Marked("HL0000000003"); }));
}

TEST_F(WallHealth, PlayAllAndStopAllFromTheTitleMenuAndTheTreeMarksFollow) {
    const std::vector<std::string> opening{"HL0000000001", "HL0000000002", "HL0000000003"};
    const std::vector<std::string> notOpening{"HL0000000004", "HL0000000005"};  // locked, offline
    for (const auto& sid : opening) EXPECT_FALSE(Marked(sid));
    const int noticesBefore = NoFreePaneNotices();

    ChooseInTitleMenu(QStringLiteral("Воспроизвести все"));
    for (const auto& sid : opening) EXPECT_GE(Camera(sid).m_nPage, 0) << sid;
    for (const auto& sid : notOpening) EXPECT_EQ(Camera(sid).m_nPage, -1) << sid;
    for (const auto& sid : {"HL0000000001", "HL0000000002"}) {
        EXPECT_TRUE(WaitUntil([&] { return Camera(sid).m_nStatus == kStatusPlaying; })) << sid;
        EXPECT_TRUE(Marked(sid)) << sid;
    }
    for (const auto& sid : notOpening) EXPECT_FALSE(Marked(sid)) << sid;

    // Again: the cameras that play keep their panes, and nobody is told of a lack of panes.
    std::vector<std::pair<int, int>> panes;
    for (const auto& sid : opening) panes.emplace_back(Camera(sid).m_nPage, Camera(sid).m_nSlot);
    window_->RunCommand(kCmdPlayAll);
    for (std::size_t i = 0; i < 2; ++i) {
        const CCamera& camera = Camera(opening[i]);
        EXPECT_EQ(std::pair(camera.m_nPage.load(), camera.m_nSlot.load()), panes[i]);
    }
    EXPECT_EQ(NoFreePaneNotices(), noticesBefore);

    ChooseInTitleMenu(QStringLiteral("Остановить все"));
    for (const auto& sid : opening) {
        EXPECT_TRUE(WaitUntil([&] { return Camera(sid).m_nPage == -1; })) << sid;
        EXPECT_TRUE(WaitUntil([&] { return !Marked(sid); })) << sid;
    }
}

TEST_F(WallHealth, SwitchingTheOverlayWhileTheWallIsLaidOutAndPagedKeepsItsOwnCameras) {
    CCamera& lan = Camera("HL0000000001");
    CCamera& mapped = Camera("HL0000000002");
    window_->RunCommand(kCmdPlayAll);
    ASSERT_TRUE(WaitUntil(
        [&] { return lan.m_nStatus == kStatusPlaying && mapped.m_nStatus == kStatusPlaying; }));
    CCanvas& canvas = session_->Canvas();
    const int layouts[] = {1001, 1002, 1021, 1018, 1001, 1022};
    for (int round = 0; round < 24; ++round) {
        window_->SetHealthOverlay(round % 3 != 2);
        canvas.ChooseLayout(layouts[round % 6]);
        canvas.NextPage();
        QTest::qWait(round % 4 == 0 ? 300 : 30);
    }
    window_->SetHealthOverlay(true);
    ASSERT_TRUE(canvas.Relayout(SplitLayout::kGrid, 2, 2));
    // Each pane shows the numbers of the camera it holds now.
    for (CCamera* camera : {&lan, &mapped}) {
        ASSERT_TRUE(WaitUntil([&] {
            const auto h = Health(*camera);
            return h && h->reach == camera->m_DeviceNATType && h->framesPerSecond;
        })) << camera->Sid();
    }
    EXPECT_EQ(Pane(mapped)->HealthText().front(), QStringLiteral("Маршрут: Проброс порта"));

    // The pane's menu switches the whole wall's overlay, as the title band's does.
    EXPECT_TRUE(ChooseInPaneMenu(lan, QStringLiteral("Показатели потоков")));
    EXPECT_FALSE(window_->HealthOverlay());
    EXPECT_TRUE(Pane(mapped)->HealthText().isEmpty());
    EXPECT_FALSE(ChooseInPaneMenu(mapped, QStringLiteral("Показатели потоков")));
    EXPECT_TRUE(window_->HealthOverlay());
    window_->RunCommand(kCmdStopAll);
}

}  // namespace
}  // namespace nimbrel
