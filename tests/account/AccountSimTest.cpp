// The account flows against nimbrel-sim over loopback: the exact payloads the service receives
// (keys in order, values) and what each of its answers shows the user.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "SimAccount.h"
#include "devices/DeviceOperations.h"
#include "devices/DeviceRecord.h"
#include "platform/FixedText.h"
#include "service/AccountFile.h"
#include "service/LoginFlow.h"
#include "service/PasswordChangeFlow.h"
#include "service/PasswordMix.h"
#include "service/PasswordRecoveryFlow.h"
#include "service/ServiceCipher.h"
#include "service/SharingFlow.h"
#include "service/crypto/Digest.h"

namespace nimbrel {
namespace {

using namespace std::chrono_literals;
using test::Pairs;
constexpr auto kWait = 120s;

class AccountSim : public test::SimAccount {
  protected:
    std::unique_ptr<LoginFlow> MakeLogin() {
        LoginFlow::Options options;
        options.defaults = {"/v/VideoFile/", "/p/ImageFile/"};
        return std::make_unique<LoginFlow>(g, app, AccountFolder(dir / "config"), notifier,
                                           options);
    }
    // Types name and password and logs in; the flow's result.
    LoginResult Login(const std::string& name, const std::string& password, bool remember = false,
                      bool autoLogin = false) {
        auto flow = MakeLogin();
        flow->EditUserName(name);
        flow->EditPassword(password);
        flow->SetRememberPassword(remember);
        flow->SetAutoLogin(autoLogin);
        EXPECT_TRUE(flow->Login().started);
        EXPECT_TRUE(flow->WaitFinished(kWait));
        return flow->LastResult().value_or(LoginResult{});
    }
    std::string Mac() const { return std::string(GetText(g.m_Mac)); }
    std::string Exp() const { return std::string(GetText(g.m_RsaExp)); }
    std::string Mod() const { return std::string(GetText(g.m_RsaMod)); }
};

TEST_F(AccountSim, LoginSendsItsPayloadAndStoresTheServers) {
    StartSim();
    Connect();
    const auto result = Login("owner_one", "owner_pw1", true, false);
    ASSERT_EQ(result.outcome, LoginOutcome::LoggedIn) << result.message;
    EXPECT_EQ(Sent("login.do"), (Pairs{{"uid", "owner_one"},
                                       {"psd", Md5Hex("owner_pw1")},
                                       {"exp", Exp()},
                                       {"mod", Mod()},
                                       {"isnew", "1"},
                                       {"mac", Mac()}}));
    EXPECT_EQ(g.m_LoggedIn, 1);
    EXPECT_FALSE(GetText(g.m_Token).empty());
    const auto& info = sim->Info();
    EXPECT_EQ(GetText(g.m_FirstDetection.ip), info["detection"]["first"]["ip"].asString());
    EXPECT_EQ(g.m_FirstDetection.tcpPort, info["detection"]["first"]["tcpPort"].asInt());
    EXPECT_EQ(g.m_FirstDetection.udpPort, info["detection"]["first"]["udpPort"].asInt());
    EXPECT_EQ(g.m_SecondDetection.tcpPort, info["detection"]["second"]["tcpPort"].asInt());
    EXPECT_EQ(g.m_SecondDetection.udpPort, info["detection"]["second"]["udpPort"].asInt());
    EXPECT_EQ(GetText(g.m_DefTran.ip), info["relay"]["ip"].asString());
    EXPECT_EQ(g.m_DefTran.tcpPort, info["relay"]["tcpPort"].asInt());

    AccountFile file;
    ASSERT_TRUE(file.Load(dir / "config" / "owner_one_config.xml"));
    EXPECT_EQ(file.UserAttribute("ID"), "owner_one");
    EXPECT_EQ(file.UserAttribute("Password"), *PasswordMix("owner_pw1"));
    EXPECT_EQ(file.Setting("AutoLogin"), "0");
}

// The remembered password logs in with isnew 0 when the dialog opens; typing makes it 1.
TEST_F(AccountSim, AutomaticLoginSendsIsNewZero) {
    StartSim();
    Connect();
    ASSERT_EQ(Login("guest_one", "guest_pw1", false, true).outcome, LoginOutcome::LoggedIn);
    g.m_IsNew = 1;  // what the last dialog left; a new start begins untouched
    auto flow = MakeLogin();
    g.m_IsNew = 0;
    const auto opening = flow->Open();
    ASSERT_TRUE(opening.automatic);
    ASSERT_TRUE(opening.automatic->started);
    ASSERT_TRUE(flow->WaitFinished(kWait));
    EXPECT_EQ(flow->LastResult()->outcome, LoginOutcome::LoggedIn);
    ASSERT_EQ(Count("login.do"), 2u);
    EXPECT_EQ(Sent("login.do")[4], (std::pair<std::string, std::string>{"isnew", "0"}));
    EXPECT_EQ(Sent("login.do")[1].second, Md5Hex("guest_pw1"));

    flow->EditPassword("guest_pw1");
    ASSERT_TRUE(flow->Login().started);
    ASSERT_TRUE(flow->WaitFinished(kWait));
    EXPECT_EQ(Sent("login.do")[4].second, "1");
}

TEST_F(AccountSim, LoginAnswersAndTheirMessages) {
    StartSim();
    Connect();
    auto result = Login("owner_one", "not_the_pw");
    EXPECT_EQ(Answered("login.do"), "ERRORPSD");
    EXPECT_EQ(result.message, "Неверно введен пароль！");
    result = Login("nobody_here", "whatever1");
    EXPECT_EQ(Answered("login.do"), "NOUSR");
    EXPECT_EQ(result.message, "Имя пользователя не существует！");

    // An expired token refuses the remembered password (isnew 0) but takes a typed one.
    auto flow = MakeLogin();
    flow->EditUserName("expired.user@x");
    flow->EditPassword("expired_pw");
    g.m_IsNew = 0;
    ASSERT_TRUE(flow->Login().started);
    ASSERT_TRUE(flow->WaitFinished(kWait));
    EXPECT_EQ(Answered("login.do"), "DUE");
    EXPECT_EQ(flow->StatusText(),
              "Для обеспечения безопасности счета, пожалуйста, вновь ввести пароль！");
    EXPECT_EQ(flow->Fields().password, "");
    EXPECT_EQ(Login("expired.user@x", "expired_pw").outcome, LoginOutcome::LoggedIn);

    // A name the checks refuse never reaches the service.
    const std::size_t sent = Count("login.do");
    auto refused = MakeLogin();
    refused->EditUserName("ab-c");
    refused->EditPassword("abcdef");
    EXPECT_FALSE(refused->Login().started);
    EXPECT_EQ(Count("login.do"), sent);
}

// A FIFO where the account's file should be neither holds the login up nor stops it: it is set
// aside like a broken file and a new file is made.
TEST_F(AccountSim, FifoInPlaceOfTheAccountFileDoesNotHoldUpLogin) {
    StartSim();
    Connect();
    std::filesystem::create_directories(dir / "config");
    const auto fifo = dir / "config" / "owner_one_config.xml";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto flow = MakeLogin();
    flow->Open();
    flow->EditUserName("owner_one");
    flow->EditPassword("owner_pw1");
    ASSERT_TRUE(flow->Login().started);
    if (!flow->WaitFinished(30s)) {
        ADD_FAILURE() << "the login waits for a writer of " << fifo;
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);  // releases it
        if (fd >= 0) ::close(fd);
        ASSERT_TRUE(flow->WaitFinished(kWait));
    }
    ASSERT_TRUE(flow->LastResult());
    EXPECT_EQ(flow->LastResult()->outcome, LoginOutcome::LoggedIn) << flow->LastResult()->message;
    EXPECT_EQ(g.m_LoggedIn, 1);
    AccountFile file;
    ASSERT_TRUE(file.Load(fifo));
    EXPECT_EQ(file.UserAttribute("ID"), "owner_one");
}

TEST_F(AccountSim, UnknownLoginAnswerIsARefusal) {
    StartSim({{"login.do", "BUSY"}});
    Connect();
    const auto result = Login("owner_one", "owner_pw1");
    EXPECT_EQ(Answered("login.do"), "BUSY");
    EXPECT_EQ(result.outcome, LoginOutcome::Refused);
    EXPECT_EQ(result.message, "Авторизация не удалась, проверьте имя пользователя и пароль！");
    EXPECT_EQ(g.m_LoggedIn, 0);
}

TEST_F(AccountSim, RecoveryInThreeSteps) {
    StartSim();
    Connect();
    PasswordRecoveryFlow flow(g, notifier);
    const std::string tm(GetText(g.m_Timestamp));

    ASSERT_TRUE(flow.SubmitAccount("owner_one").started);
    ASSERT_TRUE(flow.WaitIdle(kWait));
    EXPECT_EQ(Sent("initPassword.do"), (Pairs{{"uid", "owner_one"},
                                              {"step", "1"},
                                              {"exp", Exp()},
                                              {"mod", Mod()},
                                              {"token", HmacSha1Hex(g, "owner_one" + Mac() + tm)},
                                              {"mac", Mac()}}));
    ASSERT_EQ(flow.Step(), RecoveryStep::Question);
    EXPECT_EQ(flow.AccountId(), "500001");
    EXPECT_EQ(flow.Questions(), (std::array<int, 2>{3, 12}));

    // A wrong answer to the first question, then the right one in Cyrillic.
    ASSERT_TRUE(flow.SubmitAnswer(0, "Ольга").started);
    ASSERT_TRUE(flow.WaitIdle(kWait));
    EXPECT_EQ(Answered("initPassword.do"), "ERRORANSWER");
    EXPECT_EQ(flow.LastResult()->message,
              "Указан неверный ответ на секретный вопрос. Пожалуйста, повторите попытку");
    ASSERT_TRUE(flow.SubmitAnswer(0, "Мария").started);
    ASSERT_TRUE(flow.WaitIdle(kWait));
    EXPECT_EQ(Sent("initPassword.do"), (Pairs{{"uid", "500001"},
                                              {"step", "2"},
                                              {"question", "3"},
                                              {"answer", "%D0%9C%D0%B0%D1%80%D0%B8%D1%8F"},
                                              {"exp", Exp()},
                                              {"mod", Mod()},
                                              {"token", HmacSha1Hex(g, "500001" + Mac() + tm)},
                                              {"mac", Mac()}}));
    ASSERT_EQ(flow.Step(), RecoveryStep::NewPassword);

    ASSERT_TRUE(flow.SubmitNewPassword("fresh_pw9", "fresh_pw9").started);
    ASSERT_TRUE(flow.WaitIdle(kWait));
    EXPECT_EQ(Sent("initPassword.do"), (Pairs{{"uid", "500001"},
                                              {"step", "3"},
                                              {"psd", Md5Hex("fresh_pw9")},
                                              {"token", HmacSha1Hex(g, "500001" + Mac() + tm)},
                                              {"mac", Mac()}}));
    EXPECT_TRUE(flow.LastResult()->ok);
    EXPECT_EQ(notifier.Messages().back().text,
              "Смена пароля прошла успешно. Пожалуйста, вернитесь в главное меню");

    EXPECT_EQ(Login("owner_one", "owner_pw1").outcome, LoginOutcome::WrongPassword);
    EXPECT_EQ(Login("owner_one", "fresh_pw9").outcome, LoginOutcome::LoggedIn);
}

TEST_F(AccountSim, RecoveryAnswersAndTheirMessages) {
    StartSim();
    Connect();
    {
        PasswordRecoveryFlow flow(g, notifier);
        ASSERT_TRUE(flow.SubmitAccount("nobody_here").started);
        ASSERT_TRUE(flow.WaitIdle(kWait));
        EXPECT_EQ(Answered("initPassword.do"), "NOUSER");
        EXPECT_EQ(flow.LastResult()->message, "Имя пользователя не существует");
    }
    {
        PasswordRecoveryFlow flow(g, notifier);
        ASSERT_TRUE(flow.SubmitAccount("no_questions").started);
        ASSERT_TRUE(flow.WaitIdle(kWait));
        EXPECT_EQ(Answered("initPassword.do"), "OK");
        EXPECT_EQ(flow.LastResult()->message.rfind(
                      "Вы не установили секретные вопросы, пожалуйста, обратитесь в службу "
                      "поддержки:\n",
                      0),
                  0u);
        EXPECT_EQ(flow.Step(), RecoveryStep::Account);
    }
    // Names with "@" or "." are not sent at all.
    const std::size_t sent = Count("initPassword.do");
    PasswordRecoveryFlow flow(g, notifier);
    EXPECT_FALSE(flow.SubmitAccount("expired.user@x").started);
    EXPECT_EQ(Count("initPassword.do"), sent);
}

TEST_F(AccountSim, RecoveryRefusedByTheService) {
    StartSim({{"initPassword.do", "NOUSER"}});
    Connect();
    PasswordRecoveryFlow flow(g, notifier);
    ASSERT_TRUE(flow.SubmitAccount("owner_one").started);
    ASSERT_TRUE(flow.WaitIdle(kWait));
    EXPECT_EQ(flow.LastResult()->message, "Имя пользователя не существует");
    EXPECT_EQ(notifier.Messages().back().caption, "подсказки");
}

TEST_F(AccountSim, PasswordChangeKeepsTheStoredFormInStep) {
    StartSim();
    Connect();
    ASSERT_EQ(Login("owner_one", "owner_pw1", true).outcome, LoginOutcome::LoggedIn);
    const std::string token(GetText(g.m_Token));
    PasswordChangeFlow flow(g, app, notifier);
    ASSERT_TRUE(flow.Apply("owner_pw1", "owner.pw@2", "owner.pw@2").started);
    ASSERT_TRUE(flow.WaitIdle(kWait));
    EXPECT_EQ(Sent("changePassword.do"), (Pairs{{"uid", "owner_one"},
                                                {"mac", Mac()},
                                                {"token", token},
                                                {"old", Md5Hex("owner_pw1")},
                                                {"psd", Md5Hex("owner.pw@2")}}));
    EXPECT_EQ(flow.LastResult()->message, "Пароль изменен успешно");
    EXPECT_EQ(GetText(app.m_StoredPassword), *PasswordMix("owner.pw@2"));
    EXPECT_EQ(GetText(g.m_PasswordMd5), Md5Hex("owner.pw@2"));
    AccountFile file;
    ASSERT_TRUE(file.Load(app.m_ConfigPath));
    EXPECT_EQ(file.UserAttribute("Password"), *PasswordMix("owner.pw@2"));
    EXPECT_EQ(Login("owner_one", "owner.pw@2").outcome, LoginOutcome::LoggedIn);
}

// Later requests of the same session that prove the password send the new one: a second change
// and a device delete.
TEST_F(AccountSim, AfterAChangeTheSessionUsesTheNewPassword) {
    StartSim();
    Connect();
    ASSERT_EQ(Login("owner_one", "owner_pw1").outcome, LoginOutcome::LoggedIn);
    PasswordChangeFlow flow(g, app, notifier);
    ASSERT_TRUE(flow.Apply("owner_pw1", "owner.pw@2", "owner.pw@2").started);
    ASSERT_TRUE(flow.WaitIdle(kWait));
    ASSERT_TRUE(flow.LastResult()->ok);

    ASSERT_TRUE(flow.Apply("owner.pw@2", "owner_pw3", "owner_pw3").started);
    ASSERT_TRUE(flow.WaitIdle(kWait));
    EXPECT_EQ(Sent("changePassword.do")[3],
              (std::pair<std::string, std::string>("old", Md5Hex("owner.pw@2"))));
    EXPECT_EQ(Answered("changePassword.do"), "OK");
    EXPECT_TRUE(flow.LastResult()->ok);

    DeviceRecord device;
    DeviceFields fields;
    fields.sid = "NBACCT000003";
    device.Assign(fields);
    const DeviceOpOutcome deleted = DeleteDevice({g, app, notifier}, device);
    EXPECT_TRUE(deleted.ok) << deleted.message;
    EXPECT_EQ(Sent("deleteDev.do").back(),
              (std::pair<std::string, std::string>("psd", Md5Hex("owner_pw3"))));
    EXPECT_EQ(Answered("deleteDev.do"), "OK");
}

TEST_F(AccountSim, PasswordChangeRefusedByTheService) {
    StartSim({{"changePassword.do", "ERROR"}});
    Connect();
    ASSERT_EQ(Login("owner_one", "owner_pw1").outcome, LoginOutcome::LoggedIn);
    PasswordChangeFlow flow(g, app, notifier);
    ASSERT_TRUE(flow.Apply("owner_pw1", "owner.pw@2", "owner.pw@2").started);
    ASSERT_TRUE(flow.WaitIdle(kWait));
    EXPECT_FALSE(flow.LastResult()->ok);
    EXPECT_EQ(flow.LastResult()->message,
              "Не удалось сменить пароль. Пожалуйста, попробуйте позже");
    EXPECT_EQ(GetText(app.m_StoredPassword), *PasswordMix("owner_pw1"));
}

class SharingSim : public AccountSim {
  protected:
    void SignIn() {
        StartSim(overrides);
        Connect();
        ASSERT_EQ(Login("owner_one", "owner_pw1").outcome, LoginOutcome::LoggedIn);
    }
    std::unique_ptr<SharingFlow> Open(const std::string& sid) {
        auto flow = std::make_unique<SharingFlow>(g, app, notifier, sid);
        flow->SetEventHandler([this](const SharingEvent& e) { events.push_back(e); });
        return flow;
    }
    std::vector<std::string> Uids(const SharingFlow& flow) const {
        std::vector<std::string> uids;
        for (const auto& u : flow.Users()) uids.push_back(u.uid + (u.admin ? "*" : ""));
        return uids;
    }
    std::string Token() const { return std::string(GetText(g.m_Token)); }
    std::map<std::string, std::string> overrides;
    std::vector<SharingEvent> events;
};

TEST_F(SharingSim, ListShowsTheAdministratorFirst) {
    SignIn();
    auto flow = Open("NBACCT000003");
    ASSERT_TRUE(flow->RequestList());
    ASSERT_TRUE(flow->WaitIdle(kWait));
    EXPECT_EQ(Sent("bindUserList.do"), (Pairs{{"uid", "owner_one"},
                                              {"sid", "NBACCT000003"},
                                              {"exp", Exp()},
                                              {"mod", Mod()},
                                              {"mac", Mac()},
                                              {"token", Token()}}));
    EXPECT_EQ(Uids(*flow), (std::vector<std::string>{"owner_one*", "guest_one", "guest_two"}));
    EXPECT_EQ(flow->Users()[1].nickName, "Гость");
}

TEST_F(SharingSim, AddAndRemoveAShare) {
    SignIn();
    auto flow = Open("NBACCT000001");
    ASSERT_TRUE(flow->Add("guest_two").started);
    ASSERT_TRUE(flow->WaitIdle(kWait));
    EXPECT_EQ(Sent("addUser.do"), (Pairs{{"uid", "owner_one"},
                                         {"sid", "NBACCT000001"},
                                         {"exp", Exp()},
                                         {"mod", Mod()},
                                         {"mac", Mac()},
                                         {"token", Token()},
                                         {"name", "guest_two"}}));
    // An accepted add refreshes the list.
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, SharingEvent::Kind::Added);
    EXPECT_EQ(events[1].kind, SharingEvent::Kind::ListLoaded);
    EXPECT_EQ(Uids(*flow), (std::vector<std::string>{"owner_one*", "guest_one", "guest_two"}));

    const auto prompt = flow->PrepareDelete(2, DeleteSource::Button);
    ASSERT_EQ(prompt.action, DeletePrompt::Action::Confirm);
    EXPECT_EQ(prompt.text, "Подтвердить подключение пользователю guest_two？");
    ASSERT_TRUE(flow->Delete(prompt.name));
    ASSERT_TRUE(flow->WaitIdle(kWait));
    EXPECT_EQ(Sent("deleteBindUser.do"), (Pairs{{"uid", "owner_one"},
                                                {"sid", "NBACCT000001"},
                                                {"mac", Mac()},
                                                {"token", Token()},
                                                {"name", "guest_two"}}));
    EXPECT_EQ(Uids(*flow), (std::vector<std::string>{"owner_one*", "guest_one"}));
    EXPECT_EQ(flow->PrepareDelete(0, DeleteSource::Menu).action, DeletePrompt::Action::Ignore);
}

TEST_F(SharingSim, AddAnswersAndTheirMessages) {
    SignIn();
    const struct {
        const char* sid;
        const char* name;
        const char* status;
        const char* message;
    } cases[] = {
        {"NBACCT000001", "guest_one", "REPEAT", "Пользователь добавлен"},
        {"NBACCT000001", "nobody_here", "NOUSER",
         "Имя пользователя не зарегистрировано. Пожалуйста, зарегистрируйте его"},
        {"NBACCT000002", "guest_two", "OUTMAX",
         "К данному устройству добавлено максимальное количество пользователей"},
        {"NBACCT999999", "guest_two", "NODEV",
         "Не удалось добавить пользователя. Попробуйте еще раз"},
    };
    for (const auto& c : cases) {
        events.clear();
        auto flow = Open(c.sid);
        ASSERT_TRUE(flow->Add(c.name).started);
        ASSERT_TRUE(flow->WaitIdle(kWait));
        EXPECT_EQ(Answered("addUser.do"), c.status);
        ASSERT_EQ(events.size(), 1u) << c.status;
        EXPECT_EQ(events[0].message, c.message);
        EXPECT_EQ(notifier.Messages().back().text, c.message);
    }
    // Withdrawing a share that does not exist.
    events.clear();
    auto flow = Open("NBACCT000001");
    ASSERT_TRUE(flow->Delete("guest_two"));
    ASSERT_TRUE(flow->WaitIdle(kWait));
    EXPECT_NE(Answered("deleteBindUser.do"), "OK");
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].message, "Не удалось удалить пользователя. Попробуйте еще раз");
}

TEST_F(SharingSim, ListOfAnUnknownDevice) {
    SignIn();
    auto flow = Open("NBACCT999999");
    ASSERT_TRUE(flow->RequestList());
    ASSERT_TRUE(flow->WaitIdle(kWait));
    EXPECT_EQ(Answered("bindUserList.do"), "NODEV");
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].message, "устройствоне существует. Попробуйте еще раз");
}

TEST_F(SharingSim, ListRefusedForTheAccount) {
    overrides = {{"bindUserList.do", "NOUSR"}};
    SignIn();
    auto flow = Open("NBACCT000001");
    ASSERT_TRUE(flow->RequestList());
    ASSERT_TRUE(flow->WaitIdle(kWait));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].message, "Имя пользователя не существует. Попробуйте еще раз");
    EXPECT_TRUE(flow->Users().empty());
}

}  // namespace
}  // namespace nimbrel
