// nimbrelctl's account commands as a script runs them against nimbrel-sim: JSON output, the
// messages of the windows, exit codes, and the account file they leave.
#include "CtlRunner.h"
#include "SimAccount.h"
#include "service/AccountFile.h"
#include "service/PasswordMix.h"
#include "text/JsonText.h"

namespace nimbrel {
namespace {

using test::CtlResult;

class AccountCli : public test::SimAccount {
  protected:
    void SetUp() override { StartSim(); }
    // Runs a command with the service, adapter, account folder and --json.
    CtlResult Run(const std::string& command, const std::string& args) {
        return test::RunCtl(command + " --service " + sim->ServiceUrl() + " --adapter lo --json " +
                            args);
    }
    std::string Config() const { return " --config-dir " + (dir / "config").string(); }
    Json::Value Parsed(const CtlResult& r) {
        auto json = ParseJsonObject(r.out);
        EXPECT_TRUE(json) << r.out;
        return json.value_or(Json::Value());
    }
};

TEST_F(AccountCli, LoginPrintsTheServersAndWritesTheFile) {
    const auto run = Run("login", "--user owner_one --password owner_pw1 --remember 1" + Config());
    ASSERT_EQ(run.exitCode, 0) << run.out;
    const auto out = Parsed(run);
    EXPECT_EQ(out["status"].asString(), "OK");
    EXPECT_TRUE(out["token"].asBool());
    EXPECT_EQ(out["firstDetection"], sim->Info()["detection"]["first"]);
    EXPECT_EQ(out["secondDetection"], sim->Info()["detection"]["second"]);
    EXPECT_EQ(out["relay"]["tcpPort"], sim->Info()["relay"]["tcpPort"]);
    EXPECT_EQ(out["configPath"].asString(), (dir / "config" / "owner_one_config.xml").string());
    AccountFile file;
    ASSERT_TRUE(file.Load(dir / "config" / "owner_one_config.xml"));
    EXPECT_EQ(file.UserAttribute("Password"), *PasswordMix("owner_pw1"));

    // Without --password the remembered one logs in, as an automatic login does.
    const auto again = Run("login", "--user owner_one" + Config());
    EXPECT_EQ(again.exitCode, 0) << again.out;
    EXPECT_EQ(Sent("login.do")[4].second, "0");
}

TEST_F(AccountCli, LoginFailuresCarryTheDialogsMessages) {
    auto run = Run("login", "--user owner_one --password wrong_pw1" + Config());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(Parsed(run)["status"].asString(), "ERRORPSD");
    EXPECT_EQ(Parsed(run)["message"].asString(), "Неверно введен пароль！");
    run = Run("login", "--user abc --password owner_pw1" + Config());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(Parsed(run)["status"].asString(), "INVALID");
    EXPECT_EQ(Parsed(run)["message"].asString(),
              "Имя может состоять из букв, цифр, длиной 4-64 символов");
    run = Run("login", "--user owner_one" + Config());  // nothing remembered
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(Parsed(run)["message"].asString(), "Введите пароль");
    EXPECT_EQ(Count("login.do"), 1u);
}

TEST_F(AccountCli, RecoverShowsTheQuestionsThenResets) {
    auto run = Run("recover", "--account owner_one");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    auto out = Parsed(run);
    EXPECT_EQ(out["status"].asString(), "QUESTIONS");
    ASSERT_EQ(out["questions"].size(), 2u);
    EXPECT_EQ(out["questions"][0]["text"].asString(), "Как зовут Вашего мужа/жену？");
    EXPECT_EQ(out["questions"][1]["text"].asString(),
              "Когда день рождения у Вашего супруга/супруги？");

    run = Run("recover", "--account owner_one --answers nope,nope");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(Parsed(run)["status"].asString(), "ERRORANSWER");

    // The first answer is wrong, the second question's answer is right.
    run = Run("recover", "--account owner_one --answers nope,0101 --new-password reset_pw1");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    out = Parsed(run);
    EXPECT_EQ(out["message"].asString(),
              "Смена пароля прошла успешно. Пожалуйста, вернитесь в главное меню");
    EXPECT_EQ(out["question"].asInt(), 12);
    EXPECT_EQ(Run("login", "--user owner_one --password reset_pw1" + Config()).exitCode, 0);

    run = Run("recover", "--account owner_one --answers Мария --new-password bad@pw1");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(Parsed(run)["message"].asString(),
              " Пароль может состоять из букв, цифр, длиной 6-64 символов");
}

TEST_F(AccountCli, PasswdChangesAndChecks) {
    auto run = Run("passwd",
                   "--user owner_one --password owner_pw1 --remember 1 --old owner_pw2 "
                   "--new owner.pw3 --confirm owner.pw3" +
                       Config());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(Parsed(run)["message"].asString(), "Старый пароль введен неверно");
    EXPECT_EQ(Parsed(run)["box"].asString(), "old");
    EXPECT_EQ(Count("changePassword.do"), 0u);

    run = Run("passwd",
              "--user owner_one --password owner_pw1 --remember 1 --old owner_pw1 "
              "--new owner.pw3" +
                  Config());
    ASSERT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(Parsed(run)["message"].asString(), "Пароль изменен успешно");
    AccountFile file;
    ASSERT_TRUE(file.Load(dir / "config" / "owner_one_config.xml"));
    EXPECT_EQ(file.UserAttribute("Password"), *PasswordMix("owner.pw3"));
}

TEST_F(AccountCli, ShareListAddRemove) {
    const std::string who = "--user owner_one --password owner_pw1" + Config();
    auto run = Run("share list", "--sid NBACCT000003 " + who);
    ASSERT_EQ(run.exitCode, 0) << run.out;
    auto users = Parsed(run)["users"];
    ASSERT_EQ(users.size(), 3u);
    EXPECT_EQ(users[0]["uid"].asString(), "owner_one");
    EXPECT_TRUE(users[0]["admin"].asBool());

    run = Run("share add", "--sid NBACCT000002 --name guest_two " + who);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(Parsed(run)["status"].asString(), "OUTMAX");
    run = Run("share add", "--sid NBACCT000001 --name guest.two " + who);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(Parsed(run)["status"].asString(), "INVALID");
    run = Run("share add", "--sid NBACCT000001 --name guest_two " + who);
    ASSERT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(Parsed(run)["users"].size(), 3u);

    // Removing asks first; without --yes and without a terminal it is refused.
    run = Run("share remove", "--sid NBACCT000001 --name guest_two " + who + " </dev/null");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(Parsed(run)["message"].asString(),
              "Подтвердить подключение пользователю guest_two？");
    run = Run("share remove", "--menu --sid NBACCT000001 --name guest_two " + who + " </dev/null");
    EXPECT_EQ(Parsed(run)["message"].asString(), "Подтвердить подключение пользователюguest_two？");
    EXPECT_EQ(Parsed(run)["caption"].asString(), "подсказки");
    EXPECT_EQ(Count("deleteBindUser.do"), 0u);
    run = Run("share remove", "--yes --sid NBACCT000001 --name guest_two " + who);
    ASSERT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(Parsed(run)["users"].size(), 2u);
    run = Run("share remove", "--yes --sid NBACCT000001 --name owner_one " + who);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(Parsed(run)["status"].asString(), "ADMIN");
    run = Run("share remove", "--yes --sid NBACCT000001 --name stranger " + who);
    EXPECT_EQ(Parsed(run)["message"].asString(), "Выберите пользователя для удаления");
    EXPECT_EQ(Count("deleteBindUser.do"), 1u);
}

}  // namespace
}  // namespace nimbrel
