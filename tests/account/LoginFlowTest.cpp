// The login flow against canned service replies on loopback: opening with remembered accounts,
// every reply status to its message, what a successful login stores, the two save failures,
// cancelling, and replies that do not fit.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

#include "AccountTestSupport.h"
#include "LocalHttpServer.h"
#include "RecordingNotifier.h"
#include "platform/FixedText.h"
#include "platform/RequestWorker.h"
#include "service/AccountFile.h"
#include "service/LoginFlow.h"
#include "service/PasswordMix.h"
#include "service/crypto/Digest.h"

namespace nimbrel {
namespace {

using namespace std::chrono_literals;
using test::HttpReply;
using test::LocalHttpServer;

constexpr auto kWait = 60s;
const AccountFileDefaults kDefaults{"/v/VideoFile/", "/p/ImageFile/"};

Json::Value LoginBody(const std::string& relayIp = "127.0.0.5") {
    Json::Value body(Json::objectValue);
    Json::Value& server = body["serverBean"];
    server["defTranIP"] = relayIp;
    server["defTranPortTcp"] = "7001";
    server["defTranPortUdp"] = "7002";
    server["firstDetectionIP"] = "127.0.0.6";
    server["firstDetectionPortTcp"] = "7101";
    server["firstDetectionPortUdp"] = "7102";
    server["secondDetectionIP"] = "127.0.0.7";
    server["secondDetectionPortTcp"] = "7201";
    server["secondDetectionPortUdp"] = "x";  // atoi of a non-number
    body["userBean"]["token"] = "tok-123";
    return body;
}

class LoginFlowTest : public ::testing::Test {
  protected:
    LoginFlowTest() { test::KeySettingsLocally(g, 1); }

    std::unique_ptr<LoginFlow> MakeFlow(int port, long totalTimeoutMs = 20000) {
        g.m_Port = static_cast<uint16_t>(port);
        LoginFlow::Options options;
        options.defaults = kDefaults;
        options.http.connectTimeoutMs = 15000;
        options.http.totalTimeoutMs = totalTimeoutMs;
        auto flow =
            std::make_unique<LoginFlow>(g, app, AccountFolder(dir.Path()), notifier, options);
        flow->SetFinishedHandler([this](const LoginResult& r) {
            std::lock_guard guard(lock);
            finished.push_back(r);
        });
        return flow;
    }

    // Types a name and password and logs in against a server that answers `body`.
    LoginResult LoginAgainst(const std::string& body, const std::string& name = "alice",
                             const std::string& password = "secret1") {
        LocalHttpServer server(HttpReply(body));
        auto flow = MakeFlow(server.Port());
        flow->EditUserName(name);
        flow->EditPassword(password);
        const LoginCheck check = flow->Login();
        EXPECT_TRUE(check.started);
        EXPECT_TRUE(flow->WaitFinished(kWait));
        lastFields = flow->Fields();
        lastStatus = flow->StatusText();
        return flow->LastResult().value_or(LoginResult{});
    }

    void WriteAccount(const std::string& name, const std::string& password, const char* autoLogin) {
        const auto path = dir / (name + "_config.xml");
        ASSERT_TRUE(AccountFile::SaveAccountId(path, name, kDefaults));
        ASSERT_TRUE(
            AccountFile::SavePassword(path, password.empty() ? "0" : *PasswordMix(password)));
        AccountFile file;
        ASSERT_TRUE(file.Load(path));
        if (autoLogin)
            file.SetSetting("AutoLogin", autoLogin);
        else
            file.Document().Root().Child("config1").Child("AutoLogin").SetText("");
        ASSERT_TRUE(file.Save());
    }

    test::TempDir dir;
    GlobalSettings g;
    AppRecord app;
    test::RecordingNotifier notifier;
    std::mutex lock;
    std::vector<LoginResult> finished;
    LoginFields lastFields;
    std::string lastStatus;
};

TEST_F(LoginFlowTest, OpeningWithoutAccounts) {
    auto flow = MakeFlow(1);
    const auto opening = flow->Open();
    EXPECT_TRUE(opening.accounts.empty());
    EXPECT_EQ(opening.focus, LoginBox::UserName);
    EXPECT_FALSE(opening.automatic);
}

TEST_F(LoginFlowTest, OpeningAndChoosingRememberedAccounts) {
    WriteAccount("olduser", "", "0");
    WriteAccount("plain", "", nullptr);
    WriteAccount("newuser", "pass_word1", "0");
    const auto now = std::filesystem::file_time_type::clock::now();
    std::filesystem::last_write_time(dir / "olduser_config.xml", now - 3h);
    std::filesystem::last_write_time(dir / "plain_config.xml", now - 2h);
    std::filesystem::last_write_time(dir / "newuser_config.xml", now - 1h);

    auto flow = MakeFlow(1);
    g.m_IsNew = 1;
    const auto opening = flow->Open();
    EXPECT_EQ(opening.accounts, (std::vector<std::string>{"newuser", "plain", "olduser"}));
    EXPECT_FALSE(opening.automatic);
    EXPECT_EQ(opening.focus, LoginBox::None);
    auto fields = flow->Fields();
    EXPECT_EQ(fields.userName, "newuser");
    EXPECT_EQ(fields.password, "pass_word1");
    EXPECT_TRUE(fields.rememberPassword);
    EXPECT_FALSE(fields.autoLogin);

    // Password "0": empty box, remember cleared.
    flow->ChooseAccount("olduser");
    fields = flow->Fields();
    EXPECT_EQ(fields.userName, "olduser");
    EXPECT_EQ(fields.password, "");
    EXPECT_FALSE(fields.rememberPassword);
    EXPECT_FALSE(fields.autoLogin);
    // Choosing from the list ticks automatic login unless the file says "0".
    flow->ChooseAccount("plain");
    EXPECT_TRUE(flow->Fields().autoLogin);
    // A file that cannot be loaded changes nothing; clearing the selection clears the password.
    flow->ChooseAccount("ghost");
    EXPECT_EQ(flow->Fields().userName, "plain");
    flow->ChooseAccount("newuser");
    EXPECT_EQ(flow->Fields().password, "pass_word1");
    flow->ChooseAccount(std::nullopt);
    EXPECT_EQ(flow->Fields().password, "");
    EXPECT_EQ(g.m_IsNew, 1);  // choosing is not typing, and opening without auto-login keeps it
}

TEST_F(LoginFlowTest, OpeningAFileWithoutPasswordFocusesIt) {
    WriteAccount("nopass", "", "1");  // automatic login on, but nothing remembered
    LocalHttpServer server(HttpReply(test::WrappedReply(g, [] {
        Json::Value v;
        v["status"] = "NOUSR";
        return v;
    }())));
    auto flow = MakeFlow(server.Port());
    const auto opening = flow->Open();
    EXPECT_EQ(opening.focus, LoginBox::Password);
    // Automatic login ticks remember-password and runs the checks: the empty password stops it.
    ASSERT_TRUE(opening.automatic);
    EXPECT_FALSE(opening.automatic->started);
    EXPECT_EQ(opening.automatic->hint, "Введите пароль");
    EXPECT_EQ(g.m_IsNew, 0);
    EXPECT_TRUE(flow->Fields().rememberPassword);
}

TEST_F(LoginFlowTest, BrokenAccountFileOpensAsAbsent) {
    test::WriteFile(dir / "broken_config.xml", "<config><config1><User Password=\"abc");
    auto flow = MakeFlow(1);
    const auto opening = flow->Open();
    ASSERT_EQ(opening.accounts, std::vector<std::string>{"broken"});
    EXPECT_EQ(flow->Fields().password, "");
    EXPECT_FALSE(flow->Fields().rememberPassword);
    EXPECT_FALSE(opening.automatic);

    // A stored form too short to unmix counts as nothing remembered.
    test::WriteFile(dir / "broken_config.xml",
                    "<config><config1><AutoLogin>0</AutoLogin><User ID=\"broken\" "
                    "Password=\"abc\"/></config1></config>");
    auto again = MakeFlow(1);
    again->Open();
    EXPECT_FALSE(again->Fields().rememberPassword);
}

TEST_F(LoginFlowTest, EditingAndTicking) {
    auto flow = MakeFlow(1);
    g.m_IsNew = 0;
    flow->EditPassword("abcdef");
    EXPECT_EQ(g.m_IsNew, 1);
    flow->EditUserName("someone");
    EXPECT_EQ(flow->Fields().password, "");  // a new name empties the password
    flow->SetAutoLogin(true);
    EXPECT_TRUE(flow->Fields().rememberPassword);
    flow->SetAutoLogin(false);
    EXPECT_TRUE(flow->Fields().rememberPassword);

    // A refused field is cleared and its hint becomes the status text too.
    flow->EditUserName("ab-c");
    flow->EditPassword("abcdef");
    const auto check = flow->Login();
    EXPECT_FALSE(check.started);
    EXPECT_EQ(flow->Fields().userName, "");
    EXPECT_EQ(flow->StatusText(), "Имя может состоять из букв, цифр, длиной 4-64 символов");
    ASSERT_EQ(notifier.Messages().size(), 1u);
    EXPECT_EQ(notifier.Messages()[0].text, flow->StatusText());
    flow->EditPassword("abcdefg");
    EXPECT_EQ(flow->StatusText(), "");
}

TEST_F(LoginFlowTest, EveryStatusToItsMessage) {
    struct Case {
        const char* status;
        LoginOutcome outcome;
        const char* message;
        bool clearsPassword;
    } cases[] = {
        {"ERRORPSD", LoginOutcome::WrongPassword, "Неверно введен пароль！", true},
        {"errorpsd", LoginOutcome::WrongPassword, "Неверно введен пароль！", true},
        {"NOUSR", LoginOutcome::NoAccount, "Имя пользователя не существует！", false},
        {"DUE", LoginOutcome::TokenExpired,
         "Для обеспечения безопасности счета, пожалуйста, вновь ввести пароль！", true},
        {"NOUSER", LoginOutcome::Refused,
         "Авторизация не удалась, проверьте имя пользователя и пароль！", false},
        {"", LoginOutcome::Refused, "Авторизация не удалась, проверьте имя пользователя и пароль！",
         false},
    };
    for (const auto& c : cases) {
        Json::Value reply;
        reply["status"] = c.status;
        const LoginResult result = LoginAgainst(test::WrappedReply(g, reply));
        EXPECT_EQ(result.outcome, c.outcome) << c.status;
        EXPECT_EQ(result.message, c.message);
        EXPECT_EQ(lastStatus, c.message);
        EXPECT_EQ(lastFields.password.empty(), c.clearsPassword) << c.status;
        EXPECT_EQ(g.m_LoggedIn, 0);
        EXPECT_EQ(GetText(g.m_PasswordMd5), Md5Hex("secret1"));  // kept after a failure
        EXPECT_EQ(GetText(app.m_UserName), "");
    }
    // A status that is not a string, a body that is not JSON, and no server at all.
    Json::Value numeric;
    numeric["status"] = 1;
    EXPECT_EQ(LoginAgainst(test::WrappedReply(g, numeric)).outcome, LoginOutcome::Refused);
    for (const std::string& body :
         std::vector<std::string>{"<html>busy</html>", test::WrappedReply(g, Json::Value("x"))}) {
        const auto result = LoginAgainst(body);
        EXPECT_EQ(result.outcome, LoginOutcome::NetworkFailure);
        EXPECT_EQ(result.message, "Не удалось войти в систему, проверьте настройки сети！");
    }
    int closedPort;
    {
        LocalHttpServer gone("");
        closedPort = gone.Port();
    }
    auto flow = MakeFlow(closedPort);
    flow->EditUserName("alice");
    flow->EditPassword("secret1");
    ASSERT_TRUE(flow->Login().started);
    ASSERT_TRUE(flow->WaitFinished(kWait));
    EXPECT_EQ(flow->LastResult()->outcome, LoginOutcome::NetworkFailure);
    EXPECT_TRUE(notifier.Messages().empty());  // outcomes go to the status text, not to boxes
}

TEST_F(LoginFlowTest, SuccessStoresEverythingAndWritesTheFile) {
    std::vector<std::string> statuses;
    LocalHttpServer server(HttpReply(test::SealedReply(g, "ok", LoginBody())));
    auto flow = MakeFlow(server.Port());
    flow->SetStatusHandler([&](const std::string& s) {
        std::lock_guard guard(lock);
        statuses.push_back(s);
    });
    flow->EditUserName("alice");
    flow->EditPassword("secret1");
    flow->SetAutoLogin(true);
    flow->SetRememberPassword(false);  // automatic login ticks it again at the button
    ASSERT_TRUE(flow->Login().started);
    ASSERT_TRUE(flow->WaitFinished(kWait));

    const auto result = *flow->LastResult();
    EXPECT_EQ(result.outcome, LoginOutcome::LoggedIn);
    EXPECT_EQ(result.message, "");
    EXPECT_EQ(g.m_LoggedIn, 1);
    EXPECT_EQ(GetText(app.m_UserName), "alice");
    EXPECT_EQ(GetText(app.m_StoredPassword), *PasswordMix("secret1"));
    EXPECT_EQ(GetText(g.m_PasswordMd5), Md5Hex("secret1"));
    EXPECT_EQ(GetText(g.m_Token), "tok-123");
    EXPECT_EQ(GetText(g.m_DefTran.ip), "127.0.0.5");
    EXPECT_EQ(g.m_DefTran.tcpPort, 7001);
    EXPECT_EQ(g.m_DefTran.udpPort, 7002);
    EXPECT_EQ(GetText(g.m_FirstDetection.ip), "127.0.0.6");
    EXPECT_EQ(g.m_FirstDetection.tcpPort, 7101);
    EXPECT_EQ(g.m_FirstDetection.udpPort, 7102);
    EXPECT_EQ(g.m_SecondDetection.tcpPort, 7201);
    EXPECT_EQ(g.m_SecondDetection.udpPort, 0);
    EXPECT_EQ(app.m_ConfigPath, dir / "alice_config.xml");

    AccountFile file;
    ASSERT_TRUE(file.Load(app.m_ConfigPath));
    EXPECT_EQ(file.UserAttribute("ID"), "alice");
    EXPECT_EQ(file.UserAttribute("Password"), *PasswordMix("secret1"));
    EXPECT_EQ(file.Setting("AutoLogin"), "1");
    EXPECT_EQ(file.Setting("VideoPath"), "/v/VideoFile/");

    // The animation counted up from one dot, and finishing cleared the status text.
    std::lock_guard guard(lock);
    ASSERT_GE(statuses.size(), 2u);
    EXPECT_EQ(statuses.front(), "Вход.");
    for (std::size_t i = 0; i + 1 < statuses.size(); ++i)
        EXPECT_EQ(statuses[i], LoginFlow::ProgressText(static_cast<int>(i) + 1));
    EXPECT_EQ(statuses.back(), "");
}

TEST_F(LoginFlowTest, NotRememberedPasswordIsSavedAsZero) {
    const auto result = LoginAgainst(test::SealedReply(g, "OK", LoginBody()));
    EXPECT_EQ(result.outcome, LoginOutcome::LoggedIn);
    AccountFile file;
    ASSERT_TRUE(file.Load(dir / "alice_config.xml"));
    EXPECT_EQ(file.UserAttribute("Password"), "0");
    EXPECT_EQ(file.Setting("AutoLogin"), "0");
}

TEST_F(LoginFlowTest, RepliesThatDoNotFit) {
    // An OK whose sealed body cannot be opened: the name and stored form were already taken.
    Json::Value reply;
    reply["status"] = "OK";
    reply["sk"] = "AAAA";
    reply["biz"] = "not base64!";
    auto result = LoginAgainst(test::WrappedReply(g, reply));
    EXPECT_EQ(result.outcome, LoginOutcome::NetworkFailure);
    EXPECT_EQ(result.message, "Не удалось войти в систему, проверьте настройки сети！");
    EXPECT_EQ(GetText(app.m_UserName), "alice");
    EXPECT_EQ(g.m_LoggedIn, 0);

    // A relay address longer than its field, and a token longer than its field.
    result = LoginAgainst(test::SealedReply(g, "OK", LoginBody("127.000.000.001.5")));
    EXPECT_EQ(result.outcome, LoginOutcome::NetworkFailure);
    Json::Value body = LoginBody();
    body["userBean"]["token"] = std::string(260, 't');
    result = LoginAgainst(test::SealedReply(g, "OK", body));
    EXPECT_EQ(result.outcome, LoginOutcome::NetworkFailure);
    EXPECT_EQ(GetText(g.m_Token), "");
    EXPECT_FALSE(std::filesystem::exists(dir / "alice_config.xml"));
}

// An OK that names no token would sign every later request with nothing: refused like a token
// that does not fit, and nothing of it is kept.
TEST_F(LoginFlowTest, RepliesWithoutATokenAreRefused) {
    std::vector<Json::Value> bodies(5, LoginBody());
    bodies[0]["userBean"]["token"] = "";
    bodies[1]["userBean"].removeMember("token");
    bodies[2]["userBean"]["token"] = 12345;
    bodies[3]["userBean"] = Json::Value(Json::arrayValue);
    bodies[4]["serverBean"] = "flat";
    for (const Json::Value& body : bodies) {
        const auto result = LoginAgainst(test::SealedReply(g, "OK", body));
        EXPECT_EQ(result.outcome, LoginOutcome::NetworkFailure) << body.toStyledString();
        EXPECT_EQ(result.message, "Не удалось войти в систему, проверьте настройки сети！");
        EXPECT_EQ(g.m_LoggedIn, 0);
        EXPECT_EQ(GetText(g.m_Token), "");
        EXPECT_EQ(GetText(g.m_DefTran.ip), "");
        EXPECT_FALSE(std::filesystem::exists(dir / "alice_config.xml"));
    }
}

// Replies nested deeper than any reader should follow are refused, not followed until the
// stack gives out.
TEST_F(LoginFlowTest, ADeeplyNestedReplyIsRefused) {
    const std::string deep = R"({"status":"OK","x":)" + std::string(1500, '[');
    auto result = LoginAgainst(test::WrappedText(g, deep));
    EXPECT_EQ(result.outcome, LoginOutcome::NetworkFailure);
    // Inside the sealed body too.
    Json::Value inner = LoginBody();
    Json::Value* level = &inner["userBean"]["extra"];
    for (int i = 0; i < 200; ++i) level = &(*level)[0];
    *level = 1;
    result = LoginAgainst(test::SealedReply(g, "OK", inner));
    EXPECT_EQ(result.outcome, LoginOutcome::NetworkFailure);
    EXPECT_EQ(g.m_LoggedIn, 0);
}

TEST_F(LoginFlowTest, AccountFileThatCannotBeMade) {
    test::WriteFile(dir / "blocker", "");
    LocalHttpServer server(HttpReply(test::SealedReply(g, "OK", LoginBody())));
    g.m_Port = static_cast<uint16_t>(server.Port());
    LoginFlow::Options options;
    options.defaults = kDefaults;
    LoginFlow flow(g, app, AccountFolder(dir / "blocker" / "config"), notifier, options);
    flow.EditUserName("alice");
    flow.EditPassword("secret1");
    ASSERT_TRUE(flow.Login().started);
    ASSERT_TRUE(flow.WaitFinished(kWait));
    EXPECT_EQ(flow.LastResult()->outcome, LoginOutcome::AccountSaveFailed);
    EXPECT_EQ(flow.StatusText(), "Не удалось сохранить информацию, попробуйте еще раз！");
    EXPECT_EQ(g.m_LoggedIn, 0);
}

// The ID save succeeds but the password save cannot write: the file size limit is set to the
// size of the file as the ID save leaves it, and remembering the password makes it longer.
TEST_F(LoginFlowTest, LaterSaveFailureHasItsOwnMessage) {
    const auto path = dir / "alice_config.xml";
    ASSERT_TRUE(AccountFile::SaveAccountId(path, "alice", kDefaults));
    const auto size = std::filesystem::file_size(path);

    LocalHttpServer server(HttpReply(test::SealedReply(g, "OK", LoginBody())));
    auto flow = MakeFlow(server.Port());
    flow->EditUserName("alice");
    flow->EditPassword("secret1");
    flow->SetRememberPassword(true);

    struct sigaction ignore {
    }, old{};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(::sigaction(SIGXFSZ, &ignore, &old), 0);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit limit = saved;
    limit.rlim_cur = size;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    const bool started = flow->Login().started;
    const bool done = flow->WaitFinished(kWait);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::sigaction(SIGXFSZ, &old, nullptr);
    ASSERT_TRUE(started && done);

    EXPECT_EQ(flow->LastResult()->outcome, LoginOutcome::SaveFailed);
    EXPECT_EQ(flow->StatusText(), "Не удалось сохранить информацию, попробуйте еще раз");
    EXPECT_EQ(g.m_LoggedIn, 0);
    AccountFile file;
    ASSERT_TRUE(file.Load(path));
    EXPECT_EQ(file.UserAttribute("Password"), "0");  // the old file, intact
}

// Cancel finishes at once; the worker, still waiting for a reply that never comes, ends later
// and its result is dropped without touching the flow or the settings.
TEST_F(LoginFlowTest, CancelDropsTheWorkersResult) {
    std::vector<std::string> statuses;
    auto silent = std::make_unique<LocalHttpServer>("");
    auto flow = MakeFlow(silent->Port(), 3000);
    flow->SetStatusHandler([&](const std::string& s) {
        std::lock_guard guard(lock);
        statuses.push_back(s);
    });
    flow->EditUserName("alice");
    flow->EditPassword("secret1");
    ASSERT_TRUE(flow->Login().started);
    EXPECT_TRUE(flow->Running());
    flow->Cancel();
    EXPECT_FALSE(flow->Running());
    EXPECT_EQ(flow->LastResult()->outcome, LoginOutcome::Cancelled);
    EXPECT_EQ(flow->StatusText(), "");
    std::size_t seen;
    {
        std::lock_guard guard(lock);
        seen = statuses.size();
        ASSERT_EQ(finished.size(), 1u);
        EXPECT_EQ(statuses.back(), "");
    }

    // The abandoned worker ends (time-out) and reports nothing.
    ASSERT_TRUE(RequestWorker::WaitForAllThreads(kWait));
    {
        std::lock_guard guard(lock);
        EXPECT_EQ(finished.size(), 1u);
        EXPECT_EQ(statuses.size(), seen);
    }
    EXPECT_EQ(GetText(g.m_PasswordMd5), "");
    EXPECT_EQ(flow->StatusText(), "");

    // Nothing stayed locked: the next login runs to its own end.
    silent.reset();
    Json::Value reply;
    reply["status"] = "NOUSR";
    LocalHttpServer server(HttpReply(test::WrappedReply(g, reply)));
    g.m_Port = static_cast<uint16_t>(server.Port());
    flow->EditPassword("secret1");
    ASSERT_TRUE(flow->Login().started);
    ASSERT_TRUE(flow->WaitFinished(kWait));
    EXPECT_EQ(flow->LastResult()->outcome, LoginOutcome::NoAccount);
}

TEST_F(LoginFlowTest, DestroyingARunningFlowIsSafe) {
    LocalHttpServer silent("");
    {
        auto flow = MakeFlow(silent.Port(), 3000);
        flow->EditUserName("alice");
        flow->EditPassword("secret1");
        ASSERT_TRUE(flow->Login().started);
    }
    EXPECT_TRUE(RequestWorker::WaitForAllThreads(kWait));
    EXPECT_EQ(g.m_LoggedIn, 0);
    std::lock_guard guard(lock);
    EXPECT_TRUE(finished.empty());
}

}  // namespace
}  // namespace nimbrel
