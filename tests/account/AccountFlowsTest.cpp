// Password recovery, password change and sharing against canned service replies on loopback:
// the replies the simulator does not give (broken bodies, odd question lists, fields of the
// wrong type) and the step-by-step states of each flow.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "AccountTestSupport.h"
#include "LocalHttpServer.h"
#include "RecordingNotifier.h"
#include "platform/FixedText.h"
#include "service/AccountFile.h"
#include "service/PasswordChangeFlow.h"
#include "service/PasswordMix.h"
#include "service/PasswordRecoveryFlow.h"
#include "service/SharingFlow.h"
#include "service/SupportContact.h"

namespace nimbrel {
namespace {

using namespace std::chrono_literals;
using test::HttpReply;
using test::LocalHttpServer;

constexpr auto kWait = 60s;

Json::Value Status(const char* word) {
    Json::Value v;
    v["status"] = word;
    return v;
}

Json::Value Questions(std::vector<Json::Value> items, const char* uid = "100001") {
    Json::Value body;
    body["userBean"]["uid"] = uid;
    body["userBean"]["question"] = Json::Value(Json::arrayValue);
    for (auto& item : items) {
        Json::Value q;
        q["question"] = item;
        body["userBean"]["question"].append(q);
    }
    return body;
}

class CannedFlows : public ::testing::Test {
  protected:
    CannedFlows() { test::KeySettingsLocally(g, 1); }

    // A server answering `body`, with the settings pointed at it.
    std::unique_ptr<LocalHttpServer> Serve(const std::string& body) {
        auto server = std::make_unique<LocalHttpServer>(HttpReply(body));
        g.m_Port = static_cast<uint16_t>(server->Port());
        return server;
    }

    GlobalSettings g;
    AppRecord app;
    test::RecordingNotifier notifier;
};

TEST_F(CannedFlows, RecoveryWalksThroughItsSteps) {
    PasswordRecoveryFlow flow(g, notifier);
    auto server = Serve(test::SealedReply(g, "OK", Questions({"3", "12"})));
    ASSERT_TRUE(flow.SubmitAccount("alice").started);
    ASSERT_TRUE(flow.WaitIdle(kWait));
    EXPECT_EQ(flow.Step(), RecoveryStep::Question);
    EXPECT_EQ(flow.AccountId(), "100001");
    EXPECT_EQ(flow.Questions(), (std::array<int, 2>{3, 12}));
    EXPECT_TRUE(notifier.Messages().empty());  // moving on shows nothing

    // Step 2 refused, then accepted with a new account id.
    server = Serve(test::WrappedReply(g, Status("ERRORANSWER")));
    EXPECT_EQ(flow.SubmitAnswer(1, "").message, "Укажите ответ на секретный вопрос");
    EXPECT_EQ(flow.SubmitAnswer(1, "").caption, "подсказки\u00A0");
    ASSERT_TRUE(flow.SubmitAnswer(1, "0101").started);
    ASSERT_TRUE(flow.WaitIdle(kWait));
    EXPECT_EQ(flow.Step(), RecoveryStep::Question);
    EXPECT_EQ(flow.LastResult()->message,
              "Указан неверный ответ на секретный вопрос. Пожалуйста, повторите попытку");
    server = Serve(test::SealedReply(g, "OK", Questions({}, "200002")));
    ASSERT_TRUE(flow.SubmitAnswer(0, "Мария").started);
    ASSERT_TRUE(flow.WaitIdle(kWait));
    EXPECT_EQ(flow.Step(), RecoveryStep::NewPassword);
    EXPECT_EQ(flow.AccountId(), "200002");

    // Step 3: the checks, then every outcome; the dialog stays on step 3.
    const struct {
        const char* pw;
        const char* repeat;
        const char* message;
        const char* caption;
    } refusals[] = {
        {"", "", "Введите новый пароль", "\u00A0подсказки\u00A0"},
        {"abc@def", "abc@def", " Пароль может состоять из букв, цифр, длиной 6-64 символов",
         "\u00A0подсказки"},
        {"abc_def", "", "Введите пароль еще раз", "\u00A0подсказки"},
        {"abc_def", "abc_deg", " Указанные пароли не совпадают. Введите еще раз",
         "подсказки\u00A0"},
    };
    for (const auto& r : refusals) {
        const auto check = flow.SubmitNewPassword(r.pw, r.repeat);
        EXPECT_FALSE(check.started);
        EXPECT_EQ(check.message, r.message);
        EXPECT_EQ(check.caption, r.caption);
    }
    const struct {
        const char* status;
        bool ok;
        const char* message;
    } outcomes[] = {
        {"NOUSER", false, "Такой пользователь не зарегистрирован"},
        {"ERROR", false, "Не удалось сменить пароль. Повторите попытку позже"},
        {"ok", true, "Смена пароля прошла успешно. Пожалуйста, вернитесь в главное меню"},
    };
    for (const auto& o : outcomes) {
        server = Serve(test::WrappedReply(g, Status(o.status)));
        ASSERT_TRUE(flow.SubmitNewPassword("abc_def", "abc_def").started);
        ASSERT_TRUE(flow.WaitIdle(kWait));
        EXPECT_EQ(flow.LastResult()->ok, o.ok);
        EXPECT_EQ(flow.LastResult()->message, o.message);
        EXPECT_EQ(notifier.Messages().back().text, o.message);
        EXPECT_EQ(notifier.Messages().back().caption, "подсказки");
        EXPECT_EQ(flow.Step(), RecoveryStep::NewPassword);
    }
}

TEST_F(CannedFlows, RecoveryStepOneReplies) {
    const std::string authFailed = "Авторизация пользователя не удалась, повторите попытку позже";
    // The request to contact support, then the support mail and telephone on lines of their own.
    const std::string noQuestions =
        "Вы не установили секретные вопросы, пожалуйста, обратитесь в "
        "службу поддержки:\nПочта: " +
        std::string(support::kMail) + "\nТелефон: " + support::kPhone;
    const std::string loadFailed = "Не удалось загрузить секретные вопросы";
    Json::Value notArray = Questions({});
    notArray["userBean"]["question"] = "3,12";
    Json::Value longId = Questions({"1", "2"}, "");
    longId["userBean"]["uid"] = std::string(260, '7');
    const std::vector<std::pair<std::string, std::string>> cases = {
        {test::WrappedReply(g, Status("NOUSER")), "Имя пользователя не существует"},
        {test::WrappedReply(g, Status("ERROR")), authFailed},
        {test::WrappedReply(g, Status("OK")), authFailed},  // no sealed body
        {"garbage", authFailed},
        {test::SealedReply(g, "OK", Questions({})), noQuestions},
        {test::SealedReply(g, "OK", Questions({"5"})), loadFailed},
        {test::SealedReply(g, "OK", Questions({"5", "13"})), loadFailed},
        {test::SealedReply(g, "OK", Questions({"5", "-1"})), loadFailed},
        {test::SealedReply(g, "OK", Questions({5, 6})), loadFailed},  // numbers must be texts
        {test::SealedReply(g, "OK", notArray), authFailed},
        {test::SealedReply(g, "OK", longId), authFailed},
    };
    for (const auto& [body, message] : cases) {
        PasswordRecoveryFlow flow(g, notifier);
        auto server = Serve(body);
        ASSERT_TRUE(flow.SubmitAccount("alice").started);
        ASSERT_TRUE(flow.WaitIdle(kWait));
        EXPECT_EQ(flow.Step(), RecoveryStep::Account) << message;
        EXPECT_FALSE(flow.LastResult()->ok);
        EXPECT_EQ(flow.LastResult()->message.substr(0, message.size()), message);
        EXPECT_EQ(notifier.Messages().back().caption, "подсказки");
    }
}

TEST_F(CannedFlows, LeavingRecoveryDropsRunningSteps) {
    LocalHttpServer silent("");
    g.m_Port = static_cast<uint16_t>(silent.Port());
    PasswordRecoveryFlow::Options options;
    options.http.totalTimeoutMs = 2000;
    auto flow = std::make_unique<PasswordRecoveryFlow>(g, notifier, options);
    int reported = 0;
    flow->SetResultHandler([&](const RecoveryResult&) { ++reported; });
    ASSERT_TRUE(flow->SubmitAccount("alice").started);
    EXPECT_FALSE(flow->SubmitAccount("alice").started);  // one worker per step
    flow->Back();
    EXPECT_FALSE(flow->Running());
    ASSERT_TRUE(RequestWorker::WaitForAllThreads(kWait));
    EXPECT_EQ(reported, 0);
    EXPECT_TRUE(notifier.Messages().empty());
}

class PasswordChange : public CannedFlows {
  protected:
    void SetUp() override {
        SetText(app.m_UserName, "alice");
        SetText(app.m_StoredPassword, *PasswordMix("old_pw1"));
        app.m_ConfigPath = dir / "alice_config.xml";
        ASSERT_TRUE(AccountFile::SaveAccountId(app.m_ConfigPath, "alice", {}));
    }
    PasswordChangeResult Change(const std::string& body) {
        PasswordChangeFlow flow(g, app, notifier);
        auto server = Serve(body);
        EXPECT_TRUE(flow.Apply("old_pw1", "new.pw@2", "new.pw@2").started);
        EXPECT_TRUE(flow.WaitIdle(kWait));
        return flow.LastResult().value_or(PasswordChangeResult{});
    }
    test::TempDir dir;
};

TEST_F(PasswordChange, RememberedPasswordFollowsTheChange) {
    ASSERT_TRUE(AccountFile::SavePassword(app.m_ConfigPath, *PasswordMix("old_pw1")));
    const auto result = Change(test::WrappedReply(g, Status("OK")));
    EXPECT_TRUE(result.ok);
    EXPECT_TRUE(result.clearBoxes);
    EXPECT_EQ(result.message, "Пароль изменен успешно");
    EXPECT_EQ(notifier.Messages().back().caption, "подсказки");
    EXPECT_EQ(GetText(app.m_StoredPassword), *PasswordMix("new.pw@2"));
    AccountFile file;
    ASSERT_TRUE(file.Load(app.m_ConfigPath));
    EXPECT_EQ(file.UserAttribute("Password"), *PasswordMix("new.pw@2"));
}

TEST_F(PasswordChange, UnrememberedPasswordStaysZero) {
    const auto result = Change(test::WrappedReply(g, Status("OK")));
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(GetText(app.m_StoredPassword), *PasswordMix("new.pw@2"));
    AccountFile file;
    ASSERT_TRUE(file.Load(app.m_ConfigPath));
    EXPECT_EQ(file.UserAttribute("Password"), "0");
}

TEST_F(PasswordChange, UnloadableFileKeepsTheOldStoredForm) {
    test::WriteFile(app.m_ConfigPath, "not xml");
    const auto result = Change(test::WrappedReply(g, Status("OK")));
    EXPECT_TRUE(result.ok);
    EXPECT_FALSE(result.clearBoxes);
    EXPECT_EQ(result.message, "Пароль изменен успешно");
    EXPECT_EQ(GetText(app.m_StoredPassword), *PasswordMix("old_pw1"));
}

TEST_F(PasswordChange, FailuresChangeNothing) {
    for (const std::string& body :
         std::vector<std::string>{test::WrappedReply(g, Status("ERRORPSD")), "junk"}) {
        const auto result = Change(body);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.message, "Не удалось сменить пароль. Пожалуйста, попробуйте позже");
        EXPECT_EQ(GetText(app.m_StoredPassword), *PasswordMix("old_pw1"));
    }
}

class Sharing : public CannedFlows {
  protected:
    std::vector<SharingEvent> Settle(SharingFlow& flow) {
        EXPECT_TRUE(flow.WaitIdle(kWait));
        return events;
    }
    std::unique_ptr<SharingFlow> Make() {
        auto flow = std::make_unique<SharingFlow>(g, app, notifier, "NB01");
        flow->SetEventHandler([this](const SharingEvent& e) { events.push_back(e); });
        return flow;
    }
    std::vector<SharingEvent> events;
};

Json::Value User(const char* uid, const char* nick, Json::Value admin) {
    Json::Value u;
    u["uid"] = uid;
    u["nickName"] = nick;
    u["isAdmin"] = admin;
    return u;
}

TEST_F(Sharing, AdministratorGoesFirstAndOddRowsAreSkipped) {
    Json::Value body;
    Json::Value& list = body["userList"];
    list.append(User("guest1", "Гость", 0));
    list.append(User("guest2", "", "1"));  // "1" as text is not the administrator mark
    Json::Value noUid = User("x", "y", 0);
    noUid.removeMember("uid");
    list.append(noUid);
    list.append("not an object");
    list.append(User("owner", "Хозяин", 1));
    auto server = Serve(test::SealedReply(g, "OK", body));
    auto flow = Make();
    ASSERT_TRUE(flow->RequestList());
    Settle(*flow);
    const auto users = flow->Users();
    ASSERT_EQ(users.size(), 3u);
    EXPECT_EQ(users[0].uid, "owner");
    EXPECT_STREQ(users[0].AdminText(), "Yes");
    EXPECT_EQ(users[1].uid, "guest1");
    EXPECT_EQ(users[1].nickName, "Гость");
    EXPECT_STREQ(users[1].AdminText(), "-");
    EXPECT_EQ(users[2].uid, "guest2");
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, SharingEvent::Kind::ListLoaded);

    // Delete prompts: the administrator is ignored, the others are confirmed by name.
    EXPECT_EQ(flow->PrepareDelete(0, DeleteSource::Button).action, DeletePrompt::Action::Ignore);
    auto prompt = flow->PrepareDelete(1, DeleteSource::Button);
    EXPECT_EQ(prompt.action, DeletePrompt::Action::Confirm);
    EXPECT_EQ(prompt.text, "Подтвердить подключение пользователю guest1？");
    EXPECT_EQ(prompt.caption, "Подтвердить");
    EXPECT_EQ(prompt.name, "guest1");
    prompt = flow->PrepareDelete(2, DeleteSource::Menu);
    EXPECT_EQ(prompt.text, "Подтвердить подключение пользователюguest2？");
    EXPECT_EQ(prompt.caption, "подсказки");
    EXPECT_EQ(flow->PrepareDelete(3, DeleteSource::Button).action, DeletePrompt::Action::Hint);

    auto menu = flow->Menu(0);
    ASSERT_EQ(menu.size(), 1u);
    EXPECT_STREQ(menu[0].text, " Обновить список пользователей");
    menu = flow->Menu(1);
    ASSERT_EQ(menu.size(), 2u);
    EXPECT_EQ(menu[0].command, 3101);
    EXPECT_STREQ(menu[0].text, " Пользователь удален");
    EXPECT_EQ(menu[1].command, 3102);
}

TEST_F(Sharing, ListFailures) {
    Json::Value notArray;
    notArray["userList"] = Json::Value(Json::objectValue);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {test::WrappedReply(g, Status("NODEV")), "устройствоне существует. Попробуйте еще раз"},
        {test::WrappedReply(g, Status("NOUSR")),
         "Имя пользователя не существует. Попробуйте еще раз"},
        {test::WrappedReply(g, Status("BUSY")),
         "Не удалось открыть список пользователей. Попробуйте еще раз"},
        {test::WrappedReply(g, Status("OK")),
         "Не удалось открыть список пользователей. Попробуйте еще раз"},
        {test::SealedReply(g, "OK", notArray),
         "Не удалось открыть список пользователей. Попробуйте еще раз"},
        {"<html/>", "Не удалось открыть список пользователей. Попробуйте еще раз"},
    };
    for (const auto& [body, message] : cases) {
        events.clear();
        auto server = Serve(body);
        auto flow = Make();
        ASSERT_TRUE(flow->RequestList());
        Settle(*flow);
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].kind, SharingEvent::Kind::ListFailed);
        EXPECT_EQ(events[0].message, message);
        EXPECT_EQ(notifier.Messages().back().text, message);
        EXPECT_EQ(notifier.Messages().back().caption, "подсказки");
        EXPECT_TRUE(flow->Users().empty());
    }
}

TEST_F(Sharing, AddAndDeleteOutcomes) {
    const struct {
        const char* status;
        const char* message;
    } adds[] = {
        {"OUTMAX", "К данному устройству добавлено максимальное количество пользователей"},
        {"NOUSER", "Имя пользователя не зарегистрировано. Пожалуйста, зарегистрируйте его"},
        {"REPEAT", "Пользователь добавлен"},
        {"NODEV", "Не удалось добавить пользователя. Попробуйте еще раз"},
    };
    for (const auto& a : adds) {
        events.clear();
        auto server = Serve(test::WrappedReply(g, Status(a.status)));
        auto flow = Make();
        const auto check = flow->Add("guest_1");
        EXPECT_TRUE(check.started);
        EXPECT_TRUE(check.clearBox);
        Settle(*flow);
        ASSERT_EQ(events.size(), 1u) << a.status;
        EXPECT_EQ(events[0].kind, SharingEvent::Kind::AddFailed);
        EXPECT_EQ(events[0].message, a.message);
    }
    events.clear();
    auto server = Serve(test::WrappedReply(g, Status("ERROR")));
    auto flow = Make();
    ASSERT_TRUE(flow->Delete("guest_1"));
    Settle(*flow);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, SharingEvent::Kind::DeleteFailed);
    EXPECT_EQ(events[0].message, "Не удалось удалить пользователя. Попробуйте еще раз");
    EXPECT_FALSE(flow->Delete(""));

    // An accepted add refreshes the list (here the same canned "OK": a list without a body).
    events.clear();
    server = Serve(test::WrappedReply(g, Status("OK")));
    ASSERT_TRUE(flow->Add("guest_2").started);
    Settle(*flow);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, SharingEvent::Kind::Added);
    EXPECT_EQ(events[1].kind, SharingEvent::Kind::ListFailed);
}

TEST_F(Sharing, ClosingDropsAListStillArriving) {
    LocalHttpServer silent("");
    g.m_Port = static_cast<uint16_t>(silent.Port());
    SharingFlow::Options options;
    options.http.totalTimeoutMs = 2000;
    SharingFlow flow(g, app, notifier, "NB01", options);
    flow.SetEventHandler([this](const SharingEvent& e) { events.push_back(e); });
    ASSERT_TRUE(flow.RequestList());
    EXPECT_FALSE(flow.RequestList());  // one list request at a time
    flow.Close();
    EXPECT_FALSE(flow.RequestList());
    ASSERT_TRUE(RequestWorker::WaitForAllThreads(kWait));
    EXPECT_TRUE(events.empty());
    EXPECT_TRUE(notifier.Messages().empty());
}

}  // namespace
}  // namespace nimbrel
