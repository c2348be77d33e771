// The whole desktop program in this process when the service refuses its session: signed in and
// playing, the account's password is changed from another client and the service forgets its
// sessions. The program's renewal is refused, the main window goes, the login window comes back
// with the service's word and the name filled in, nothing is asked of the service meanwhile, and
// signing in with the new password brings a new main window.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <chrono>
#include <filesystem>

#include "CtlRunner.h"
#include "ProgramScript.h"
#include "SimProcess.h"
#include "widgets/FlatButton.h"

namespace nimbrel {
namespace {

using Clock = std::chrono::steady_clock;

// Whether a request-log line is a request to the service (an operation or a picture).
bool AsksTheService(const Json::Value& line) {
    const std::string path = line["path"].asString();
    return path == "thumbnail" ||
           (path.size() > 3 && path.compare(path.size() - 3, 3, ".do") == 0);
}

bool Streams(const test::SimProcess& sim, const std::string& sid) {
    for (const Json::Value& line : sim.RequestLog())
        if (line["stream"].asString() == sid && line["event"].asString() == "streaming") return true;
    return false;
}

class SessionEndToEnd : public InProcessProgram {
  protected:
    SessionEndToEnd() : InProcessProgram("session-e2e") {}
};

TEST_F(SessionEndToEnd, ARefusedRenewalBringsTheLoginWindowBackAndTheProgramCarriesOn) {
    test::SimProcess sim("demo.json");
    NimbrelApp program(*qApp, OptionsFor(sim));

    Clock::time_point loginAgain;
    const auto mainWindowDone = [&] {
        return program.MainWindow() &&
               program.MainWindow()->StartupWorker().CurrentStage() == AllInit::Stage::Done;
    };
    std::deque<Script::Step> steps = {
        {"the login window", [&] { return program.Login() && program.Login()->isVisible(); },
         [&] {
             QTest::keyClicks(program.Login()->UserNameBox()->lineEdit(), "demo_user");
             QTest::keyClicks(program.Login()->PasswordBox(), "demo1234");
             program.Login()->LoginButton()->click();
         }},
        // The first device of the account is the hallway camera on the LAN.
        {"the device tree", mainWindowDone, [&] { program.MainWindow()->PlayDevice(0); }},
        {"the camera streaming", [&] { return Streams(sim, "NB0000000001"); },
         [&] {
             const test::CtlResult changed = test::RunCtl(
                 "--service " + sim.ServiceUrl() +
                 " --adapter lo --user demo_user --password demo1234 passwd --old demo1234"
                 " --new demo5678 --config-dir " +
                 (dir / "other").string());
             EXPECT_EQ(changed.exitCode, 0) << changed.out;
             EXPECT_TRUE(sim.Control("forget-sessions"));
         }},
        {"the login window again",
         [&] { return !program.MainWindow() && program.Login() && program.Login()->isVisible(); },
         [&] {
             loginAgain = Clock::now();
             LoginWindow* login = program.Login();
             EXPECT_EQ(login->UserNameBox()->currentText(), QStringLiteral("demo_user"));
             EXPECT_EQ(login->StatusLabel()->text(), QStringLiteral("Неверно введен пароль！"));
             EXPECT_TRUE(login->PasswordBox()->text().isEmpty());
         }},
        {"a while on the login window",
         [&] { return Clock::now() - loginAgain > std::chrono::seconds(4); },
         [&] {
             const std::vector<Json::Value> log = sim.RequestLog();
             std::size_t refused = log.size();
             for (std::size_t i = 0; i < log.size(); ++i)
                 if (log[i]["path"].asString() == "login.do" &&
                     log[i]["status"].asString() == "ERRORPSD")
                     refused = i;
             ASSERT_LT(refused, log.size());
             for (std::size_t i = refused + 1; i < log.size(); ++i)
                 EXPECT_FALSE(AsksTheService(log[i])) << log[i].toStyledString();
             QTest::keyClicks(program.Login()->PasswordBox(), "demo5678");
             program.Login()->LoginButton()->click();
         }},
        {"the main window again", mainWindowDone,
         [&] {
             EXPECT_EQ(global.m_LoggedIn.load(), 1);
             program.MainWindow()->OnCancel();
         }},
    };
    EXPECT_EQ(RunScripted(program, std::move(steps)), 0);
    // This program's sign-in, the other client's, the refused renewal, the new sign-in.
    const auto logins = sim.Requests("login.do");
    ASSERT_EQ(logins.size(), 4u);
    EXPECT_EQ(logins[2]["status"].asString(), "ERRORPSD");
    EXPECT_EQ(logins[3]["status"].asString(), "OK");
}

}  // namespace
}  // namespace nimbrel
