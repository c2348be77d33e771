// The login window over the login flow: its opening with and without remembered accounts, the
// checks' hints, the running state with the "Вход…" progress and cancel, and the outcomes of a
// real login against the simulated service.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "AppFixture.h"
#include "LocalHttpServer.h"
#include "SimProcess.h"
#include "platform/RequestWorker.h"
#include "service/PasswordMix.h"
#include "service/ReadLocalAdapter.h"
#include "service/SecurityHandshake.h"
#include "service/ServiceAddress.h"
#include "service/ui/LoginWindow.h"

namespace nimbrel {
namespace {

namespace fs = std::filesystem;

class LoginWindowTest : public ::testing::Test {
  protected:
    static void TearDownTestSuite() { sim.reset(); }
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("nimbrel-login-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        InitGlobalSettings(g);
        InitAppRecord(record);
        ASSERT_EQ(ReadLocalAdapter(g, "lo"), 1);
    }
    void TearDown() override {
        window.reset();
        flow.reset();
        // An abandoned login's thread still reads the settings: closing the silent service's
        // connections ends its transfer, and it is waited for before the settings go.
        silent.reset();
        RequestWorker::WaitForAllThreads(std::chrono::seconds(30));
        fs::remove_all(dir);
    }

    // Keyed by the simulated service, then pointed at one that answers nothing: a login runs
    // until it is cancelled (or its transfer times out).
    void UseSilentService() {
        UseSimulator();
        silent = std::make_unique<test::LocalHttpServer>("");
        ASSERT_TRUE(ApplyServiceUrl(g, "http://127.0.0.1:" + std::to_string(silent->Port())));
    }
    // The simulated service, keyed by the handshake as at start-up.
    void UseSimulator() {
        if (!sim) sim = std::make_unique<test::SimProcess>("demo.json");
        ASSERT_TRUE(ApplyServiceUrl(g, sim->ServiceUrl()));
        ASSERT_EQ(SecurityHandshake(g, record, notifier), HandshakeResult::Ok);
    }
    // An account used before, whose file remembers the password (and perhaps logs in alone).
    void Remember(const std::string& name, const std::string& password, bool autoLogin) {
        const fs::path path = dir / (name + "_config.xml");
        ASSERT_TRUE(AccountFile::SaveAccountId(path, name, {}));
        ASSERT_TRUE(AccountFile::SavePassword(path, *PasswordMix(password)));
        ASSERT_TRUE(AccountFile::SaveAutoLogin(path, autoLogin));
    }
    LoginWindow& Open() {
        LoginFlow::Options options;
        options.http.totalTimeoutMs = 20000;
        flow = std::make_unique<LoginFlow>(g, record, AccountFolder(dir), notifier, options);
        window = std::make_unique<LoginWindow>(*flow);
        window->Open();
        window->show();
        return *window;
    }
    void Type(QWidget* box, const QString& text) { QTest::keyClicks(box, text); }
    bool WaitIdle() {
        return QTest::qWaitFor([this] { return !window->Running(); }, 30000);
    }

    fs::path dir;
    GlobalSettings g;
    AppRecord record;
    test::RecordingNotifier notifier;
    std::unique_ptr<test::LocalHttpServer> silent;
    static std::unique_ptr<test::SimProcess> sim;
    std::unique_ptr<LoginFlow> flow;
    std::unique_ptr<LoginWindow> window;
};

std::unique_ptr<test::SimProcess> LoginWindowTest::sim;

TEST_F(LoginWindowTest, AFirstStartOffersAnEmptyForm) {
    LoginWindow& w = Open();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("имя пользователя Farlo"));
    EXPECT_EQ(w.UserNameBox()->count(), 0);
    EXPECT_TRUE(w.PasswordBox()->text().isEmpty());
    EXPECT_EQ(w.PasswordBox()->echoMode(), QLineEdit::Password);
    EXPECT_FALSE(w.LoginButton()->isHidden());
    EXPECT_TRUE(w.CancelButton()->isHidden());
    // Nothing to recover with: the button is off.
    EXPECT_FALSE(w.ForgotButton()->isEnabled());
    test::Shot(&w, "login-empty");
}

TEST_F(LoginWindowTest, ForgotPasswordHidesTheWindowWhileRecoveryRuns) {
    LoginWindow& w = Open();
    QString offered;
    bool hiddenMeanwhile = false;
    w.SetForgotPassword([&](const QString& typedName) {
        offered = typedName;
        hiddenMeanwhile = !w.isVisible();
    });
    ASSERT_TRUE(w.ForgotButton()->isEnabled());
    ASSERT_EQ(w.ForgotButton()->text(), QStringLiteral("Забыли пароль?"));
    Type(w.UserNameBox()->lineEdit(), "anna_k");
    // The login window runs modally, as at start-up: recovery must not end that run, and the
    // window is back when it is over.
    bool shownAgain = false, runOutlivedRecovery = false;
    QTimer::singleShot(0, &w, [&] {
        w.ForgotButton()->click();
        shownAgain = w.isVisible();
        QTimer::singleShot(0, &w, [&] {
            runOutlivedRecovery = true;
            w.reject();
        });
    });
    w.exec();
    EXPECT_EQ(offered, QStringLiteral("anna_k"));
    EXPECT_TRUE(hiddenMeanwhile);
    EXPECT_TRUE(shownAgain);
    EXPECT_TRUE(runOutlivedRecovery);
}

TEST_F(LoginWindowTest, RecentAccountsComeNewestFirstWithTheRememberedPassword) {
    Remember("olduser", "password1", false);
    fs::last_write_time(dir / "olduser_config.xml",
                        fs::file_time_type::clock::now() - std::chrono::hours(1));
    Remember("newuser", "secret99", false);
    LoginWindow& w = Open();
    ASSERT_EQ(w.UserNameBox()->count(), 2);
    EXPECT_EQ(w.UserNameBox()->itemText(0), QStringLiteral("newuser"));
    EXPECT_EQ(w.UserNameBox()->currentText(), QStringLiteral("newuser"));
    EXPECT_EQ(w.PasswordBox()->text(), QStringLiteral("secret99"));
    EXPECT_TRUE(w.RememberCheck()->isChecked());
    EXPECT_FALSE(w.AutoLoginCheck()->isChecked());
    // Choosing the other account loads its choices.
    w.UserNameBox()->setCurrentIndex(1);
    emit w.UserNameBox()->activated(1);
    EXPECT_EQ(w.PasswordBox()->text(), QStringLiteral("password1"));
    // Editing the name forgets the password.
    Type(w.UserNameBox()->lineEdit(), QStringLiteral("x"));
    EXPECT_TRUE(w.PasswordBox()->text().isEmpty());
}

TEST_F(LoginWindowTest, TickingAutomaticLoginAlsoRemembersThePassword) {
    LoginWindow& w = Open();
    QTest::mouseClick(w.AutoLoginCheck(), Qt::LeftButton, {}, QPoint(8, 12));
    EXPECT_TRUE(w.AutoLoginCheck()->isChecked());
    EXPECT_TRUE(w.RememberCheck()->isChecked());
}

TEST_F(LoginWindowTest, ABadNameIsRefusedBeforeAnyRequest) {
    UseSilentService();
    LoginWindow& w = Open();
    Type(w.UserNameBox()->lineEdit(), QStringLiteral("abc"));
    Type(w.PasswordBox(), QStringLiteral("secret99"));
    QTest::mouseClick(w.LoginButton(), Qt::LeftButton);
    EXPECT_FALSE(w.Running());
    const QString text = QStringLiteral("Имя может состоять из букв, цифр, длиной 4-64 символов");
    EXPECT_EQ(w.StatusLabel()->text(), text);
    EXPECT_TRUE(w.UserNameBox()->currentText().isEmpty());
    ASSERT_FALSE(notifier.Messages().empty());
    EXPECT_EQ(notifier.Messages().back().text, text.toStdString());
    EXPECT_TRUE(silent->LastRequest().empty());
}

TEST_F(LoginWindowTest, AnEmptyPasswordAsksForOne) {
    UseSilentService();
    LoginWindow& w = Open();
    Type(w.UserNameBox()->lineEdit(), QStringLiteral("demo_user"));
    QTest::keyClick(w.PasswordBox(), Qt::Key_Return);
    EXPECT_FALSE(w.Running());
    ASSERT_FALSE(notifier.Messages().empty());
    EXPECT_EQ(notifier.Messages().back().text, "Введите пароль");
}

TEST_F(LoginWindowTest, ARunningLoginShowsItsProgressAndCancelStopsIt) {
    UseSilentService();
    LoginWindow& w = Open();
    Type(w.UserNameBox()->lineEdit(), QStringLiteral("demo_user"));
    Type(w.PasswordBox(), QStringLiteral("demo1234"));
    QTest::keyClick(w.PasswordBox(), Qt::Key_Return);
    ASSERT_TRUE(w.Running());
    EXPECT_TRUE(w.LoginButton()->isHidden());
    EXPECT_FALSE(w.CancelButton()->isHidden());
    EXPECT_FALSE(w.UserNameBox()->isEnabled());
    EXPECT_FALSE(w.PasswordBox()->isEnabled());
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return w.StatusLabel()->text().startsWith(QStringLiteral("Вход.")); }, 10000));
    test::Shot(&w, "login-running");

    QTest::mouseClick(w.CancelButton(), Qt::LeftButton);
    ASSERT_TRUE(WaitIdle());
    EXPECT_FALSE(w.LoginButton()->isHidden());
    EXPECT_TRUE(w.CancelButton()->isHidden());
    EXPECT_TRUE(w.UserNameBox()->isEnabled());
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.StatusLabel()->text().isEmpty(); }, 5000))
        << w.StatusLabel()->text().toStdString();
    EXPECT_FALSE(w.LoggedIn());
    EXPECT_EQ(g.m_LoggedIn, 0);
}

TEST_F(LoginWindowTest, AnAutomaticAccountLogsInAsTheWindowOpens) {
    UseSilentService();
    Remember("demo_user", "demo1234", true);
    LoginWindow& w = Open();
    EXPECT_TRUE(w.Running());
    EXPECT_TRUE(w.AutoLoginCheck()->isChecked());
    EXPECT_EQ(g.m_IsNew, 0);
    w.reject();  // closing abandons it
    ASSERT_TRUE(WaitIdle());
    EXPECT_FALSE(w.LoggedIn());
}

TEST_F(LoginWindowTest, AWrongPasswordIsToldAndCleared) {
    UseSimulator();
    LoginWindow& w = Open();
    Type(w.UserNameBox()->lineEdit(), QStringLiteral("demo_user"));
    Type(w.PasswordBox(), QStringLiteral("wrong1234"));
    QTest::mouseClick(w.LoginButton(), Qt::LeftButton);
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return w.StatusLabel()->text() == QStringLiteral("Неверно введен пароль！"); },
        5000));
    EXPECT_TRUE(w.PasswordBox()->text().isEmpty());
    EXPECT_FALSE(w.LoggedIn());
    test::Shot(&w, "login-wrong-password");
}

TEST_F(LoginWindowTest, TheRightPasswordSignsInAndWritesTheAccountFile) {
    UseSimulator();
    LoginWindow& w = Open();
    QSignalSpy finished(&w, &LoginWindow::Finished);
    Type(w.UserNameBox()->lineEdit(), QStringLiteral("demo_user"));
    Type(w.PasswordBox(), QStringLiteral("demo1234"));
    QTest::mouseClick(w.RememberCheck(), Qt::LeftButton, {}, QPoint(8, 12));
    QTest::mouseClick(w.LoginButton(), Qt::LeftButton);
    ASSERT_TRUE(finished.wait(30000));
    EXPECT_TRUE(w.LoggedIn());
    EXPECT_EQ(w.result(), QDialog::Accepted);
    EXPECT_EQ(g.m_LoggedIn, 1);
    AccountFile file;
    ASSERT_TRUE(file.Load(dir / "demo_user_config.xml"));
    EXPECT_EQ(file.UserAttribute("ID"), "demo_user");
    EXPECT_EQ(file.UserAttribute("Password"), PasswordMix("demo1234"));
}

}  // namespace
}  // namespace nimbrel
