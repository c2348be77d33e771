// The desktop notifications against a small notification service on the private session bus
// that dbus-run-session gives this test: nothing is sent while no service is there; what the
// service receives (application, icon, texts, the click action, hints); a click coming back as
// the camera's id; and the main window out of sight telling of a camera of the simulator that
// stopped sending, whose notification, clicked, brings the window up with its pane selected; the
// account's switch; the session's end.
#include <gtest/gtest.h>

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QSignalSpy>
#include <QTest>

#include "ClientSession.h"
#include "SimProcess.h"
#include "app/CNimbrelDlg.h"
#include "app/DesktopNotices.h"
#include "app/DesktopNotifications.h"
#include "devices/DeviceListLoader.h"

namespace nimbrel {
namespace {

using namespace std::chrono_literals;

// A notification service that records every Notify call and answers with a new number.
class FakeNotificationService : public QDBusVirtualObject {
  public:
    struct Received {
        QString app, icon, summary, body;
        QStringList actions;
        QVariantMap hints;
        uint id = 0;
    };

    FakeNotificationService()
        : bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                             QStringLiteral("fake-notifications"))) {}
    ~FakeNotificationService() override {
        bus_.unregisterService(QString::fromLatin1(DesktopNotifications::kService));
        bus_.unregisterObject(QString::fromLatin1(DesktopNotifications::kPath));
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-notifications"));
    }
    bool Register() {
        return bus_.isConnected() &&
               bus_.registerVirtualObject(QString::fromLatin1(DesktopNotifications::kPath),
                                          this) &&
               bus_.registerService(QString::fromLatin1(DesktopNotifications::kService));
    }
    // The user clicks notification `id`.
    void Click(uint id) {
        QDBusMessage signal = QDBusMessage::createSignal(
            QString::fromLatin1(DesktopNotifications::kPath),
            QString::fromLatin1(DesktopNotifications::kInterface), QStringLiteral("ActionInvoked"));
        signal << id << QStringLiteral("default");
        bus_.send(signal);
    }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.interface() != QLatin1String(DesktopNotifications::kInterface)) return false;
        if (message.member() == QLatin1String("Notify")) {
            const QList<QVariant> a = message.arguments();
            if (a.size() != 8) return false;
            Received r;
            r.app = a[0].toString();
            r.icon = a[2].toString();
            r.summary = a[3].toString();
            r.body = a[4].toString();
            r.actions = a[5].toStringList();
            r.hints = qdbus_cast<QVariantMap>(a[6]);
            r.id = ++lastId_;
            received.push_back(r);
            connection.send(message.createReply(QVariant::fromValue(r.id)));
            return true;
        }
        return false;
    }
    QString introspect(const QString&) const override { return {}; }

    std::vector<Received> received;

  private:
    QDBusConnection bus_;
    uint lastId_ = 0;
};

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 20s) {
    return QTest::qWaitFor(done, static_cast<int>(limit.count()));
}

TEST(DesktopNotifications, NothingWithoutAServiceThenWhatItReceivesAndItsClick) {
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected())
        << "run under dbus-run-session: no session bus";
    DesktopNotifications client;
    EXPECT_FALSE(client.Available());
    EXPECT_FALSE(client.Send("Nimbrel", {}, "Двор", "текст", "HL0000000001"));

    FakeNotificationService service;
    ASSERT_TRUE(service.Register());
    ASSERT_TRUE(WaitUntil([&] { return client.Available(); }));
    QSignalSpy delivered(&client, &DesktopNotifications::Delivered);
    QSignalSpy clicked(&client, &DesktopNotifications::Clicked);
    ASSERT_TRUE(client.Send("Farlo видео-клиент", "/usr/lib/nimbrel/res/nimbrel.png", "Двор",
                            "Камера не в сети больше минуты", "HL0000000001"));
    ASSERT_TRUE(WaitUntil([&] { return delivered.count() == 1; }));
    ASSERT_EQ(service.received.size(), 1u);
    const auto& r = service.received[0];
    EXPECT_EQ(r.app, QStringLiteral("Farlo видео-клиент"));
    EXPECT_EQ(r.icon, QStringLiteral("file:///usr/lib/nimbrel/res/nimbrel.png"));
    EXPECT_EQ(r.summary, QStringLiteral("Двор"));
    EXPECT_EQ(r.body, QStringLiteral("Камера не в сети больше минуты"));
    EXPECT_EQ(r.actions.value(0), QStringLiteral("default"));
    EXPECT_EQ(r.hints.value("desktop-entry").toString(), QStringLiteral("nimbrel"));

    // A click on another program's notification, or an action that is not the click, is not
    // this program's.
    service.Click(77);
    service.Click(r.id);
    ASSERT_TRUE(WaitUntil([&] { return clicked.count() == 1; }));
    EXPECT_EQ(clicked[0][0].toString(), QStringLiteral("HL0000000001"));
}

class NoticesWindow : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { sim_ = new test::SimProcess("health.json"); }
    static void TearDownTestSuite() { delete sim_; }

    static test::SimProcess* sim_;
    test::ClientSession client_;
    LanDiscovery lan_;
};
test::SimProcess* NoticesWindow::sim_ = nullptr;

TEST_F(NoticesWindow, ACameraThatStoppedWhileTheWindowWasHiddenIsToldAndItsClickShowsIt) {
    FakeNotificationService service;
    ASSERT_TRUE(service.Register());
    std::string why;
    ASSERT_TRUE(client_.SignIn(*sim_, "health_user", "health123", &why)) << why;
    ClientSession session(ClientSession::Parts{client_.g, client_.app, client_.notifier, lan_});
    // The stalled camera fails soon and is not started again while the test looks.
    session.Live().stallLimit = 2s;
    session.Live().firstRetry = 10min;
    ASSERT_TRUE(FetchDeviceList(session.Service(), session.List(), lan_));
    DesktopNotifications notifications;
    CNimbrelDlg::Options options;
    options.startAllInit = false;
    options.trayIcon = false;
    options.notifications = &notifications;
    options.noticeLimits = {500ms, 5min};
    auto window = std::make_unique<CNimbrelDlg>(session, WindowPlacement{}, options);
    QObject::connect(&notifications, &DesktopNotifications::Clicked, window.get(),
                     [&](const QString& sid) { window->ShowCamera(sid.toStdString()); });
    window->resize(1500, 809);
    window->show();

    CCamera& stalled = *session.Camera(session.List().IndexOfSid("HL0000000003"));
    CCamera& playing = *session.Camera(session.List().IndexOfSid("HL0000000001"));
    ASSERT_TRUE(playing.CameraStart());
    ASSERT_TRUE(stalled.CameraStart());
    ASSERT_TRUE(WaitUntil([&] { return stalled.m_nStatus == kStatusPlaying; }));
    window->hide();  // into the tray
    ASSERT_TRUE(WaitUntil([&] { return stalled.m_nStatus == kStatusFailed; }));
    ASSERT_TRUE(WaitUntil([&] { return service.received.size() == 1; }));
    const auto& r = service.received[0];
    EXPECT_EQ(r.summary, QStringLiteral("Зависание"));
    EXPECT_EQ(r.body, QStringLiteral("Видео прервалось и не вернулось за минуту"));
    QTest::qWait(1500);
    EXPECT_EQ(service.received.size(), 1u) << "told once; the playing camera not at all";

    service.Click(r.id);
    ASSERT_TRUE(WaitUntil([&] { return window->isVisible(); }));
    EXPECT_EQ(session.Canvas().SelectedCamera(), &stalled);

    // Switched off in the account's settings: nothing more goes out.
    session.App().DesktopNotices = 0;
    window->hide();
    playing.m_nStatus = kStatusFailed;  // as a failure would leave it
    QTest::qWait(2500);
    EXPECT_EQ(service.received.size(), 1u);

    // Switched on again, the service ends the session while the window is hidden: told once,
    // naming no camera (a click brings the login window up).
    session.App().DesktopNotices = 1;
    window->EndForSignIn();
    ASSERT_TRUE(WaitUntil([&] { return service.received.size() == 2; }));
    EXPECT_EQ(service.received[1].summary, QStringLiteral("Сеанс завершён"));
    window.reset();
}

}  // namespace
}  // namespace nimbrel
