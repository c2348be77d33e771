// The account operations on the service side, driven through the request path with
// hand-sealed requests: login, password recovery and change, sharing, alarm, version check
// and feedback, and the state they keep for the run.
#include <gtest/gtest.h>

#include "AccountBook.h"
#include "AlarmOperations.h"
#include "LoginOperation.h"
#include "PasswordOperations.h"
#include "RouterFixture.h"
#include "Scenario.h"
#include "SharingOperations.h"
#include "VersionOperations.h"
#include "service/crypto/Digest.h"

namespace nimbrel::sim::test {
namespace {

constexpr const char* kScenario = R"({
  "service": {"version": {"newest": "2.3", "resourceUrl": "http://127.0.0.1/setup", "updateStatus": 1}},
  "accounts": [
    {"name": "alice", "id": "9001", "password": "alice123", "nickName": "Алиса",
     "questions": [{"question": 3, "answer": "Мария"}, {"question": 12, "answer": "0101"}]},
    {"name": "bob", "password": "bob12345", "tokenExpired": true, "token": "fixedtoken"},
    {"name": "carol", "password": "carol123"},
    {"name": "dave", "password": "dave1234"}
  ],
  "devices": [
    {"sid": "CAM1", "owner": "alice", "sharedWith": ["bob"], "maxUsers": 3},
    {"sid": "CAM2", "owner": "alice", "reach": "offline", "listAdminLast": true,
     "sharedWith": ["carol"]},
    {"sid": "CAM3", "owner": "carol"}
  ]})";

const std::string kMac = "00-1a-2b-3c-4d-5e";

class AccountOperationsTest : public RouterFixture {
  protected:
    void SetUp() override {
        RouterFixture::SetUp();
        auto scenario = ParseScenario(kScenario);
        ASSERT_TRUE(scenario) << scenario.error();
        book_ = std::make_unique<AccountBook>(*scenario);
        NamedServers servers{11, 12, 21, 22, 31, 32};
        login_ = std::make_unique<LoginOperation>(*book_, servers);
        passwords_ = std::make_unique<PasswordOperations>(*book_);
        sharing_ = std::make_unique<SharingOperations>(*book_);
        alarms_ = std::make_unique<AlarmOperations>(*book_);
        versions_ = std::make_unique<VersionOperations>(*book_, scenario->service.version);
        login_->Register(*router_);
        passwords_->Register(*router_);
        sharing_->Register(*router_);
        alarms_->Register(*router_);
        versions_->Register(*router_);
        Handshake(client_);
    }

    std::string KeyPart() const {
        return "&exp:" + client_.pair.ExponentHex() + "&mod:" + client_.pair.ModulusHex();
    }
    // Sends a sealed request; its reply JSON (a null value when the request was refused).
    Json::Value Send(const std::string& path, const std::string& payload) {
        const auto answer = SendSealed(client_, path, payload);
        if (answer.status != 200) return Json::Value();
        return ReplyJson(answer.body, kKeyValue).value_or(Json::Value());
    }
    std::string Status(const std::string& path, const std::string& payload) {
        return Send(path, payload)["status"].asString();
    }
    std::string LoginPayload(const std::string& uid, const std::string& password,
                             int isNew = 1) const {
        return "uid:" + uid + "&psd:" + Md5Hex(password) + KeyPart() +
               "&isnew:" + std::to_string(isNew) + "&mac:" + kMac;
    }
    // Logs in and returns the token (empty on failure).
    std::string LoginToken(const std::string& uid, const std::string& password) {
        const Json::Value reply = Send("login.do", LoginPayload(uid, password));
        const auto inner = OpenSealedBody(reply, client_.pair);
        return inner ? (*inner)["userBean"]["token"].asString() : "";
    }
    std::string RecoveryToken(const std::string& uid) const {
        return TestSign(uid + kMac + client_.tm);
    }

    HandClient client_ = HandClient::Make();
    std::unique_ptr<AccountBook> book_;
    std::unique_ptr<LoginOperation> login_;
    std::unique_ptr<PasswordOperations> passwords_;
    std::unique_ptr<SharingOperations> sharing_;
    std::unique_ptr<AlarmOperations> alarms_;
    std::unique_ptr<VersionOperations> versions_;
};

TEST_F(AccountOperationsTest, LoginReplyNamesTokenAndServersAsStrings) {
    const Json::Value reply = Send("login.do", LoginPayload("alice", "alice123"));
    ASSERT_EQ(reply["status"].asString(), "OK");
    const auto inner = OpenSealedBody(reply, client_.pair);
    ASSERT_TRUE(inner);
    EXPECT_EQ((*inner)["userBean"]["token"].asString().size(), 32u);
    const Json::Value& servers = (*inner)["serverBean"];
    EXPECT_EQ(servers["defTranIP"].asString(), "127.0.0.1");
    EXPECT_EQ(servers["defTranPortTcp"], Json::Value("11"));
    EXPECT_EQ(servers["defTranPortUdp"], Json::Value("12"));
    EXPECT_EQ(servers["firstDetectionIP"].asString(), "127.0.0.1");
    EXPECT_EQ(servers["firstDetectionPortTcp"], Json::Value("21"));
    EXPECT_EQ(servers["firstDetectionPortUdp"], Json::Value("22"));
    EXPECT_EQ(servers["secondDetectionIP"].asString(), "127.0.0.1");
    EXPECT_EQ(servers["secondDetectionPortTcp"], Json::Value("31"));
    EXPECT_EQ(servers["secondDetectionPortUdp"], Json::Value("32"));
}

TEST_F(AccountOperationsTest, LoginSealsForThePayloadKey) {
    // The payload's exp/mod wins over the key of the handshake.
    const HandClient other = HandClient::Make();
    const std::string payload = "uid:alice&psd:" + Md5Hex("alice123") +
                                "&exp:" + other.pair.ExponentHex() +
                                "&mod:" + other.pair.ModulusHex() + "&isnew:1&mac:" + kMac;
    const Json::Value reply = Send("login.do", payload);
    EXPECT_TRUE(OpenSealedBody(reply, other.pair));
    EXPECT_FALSE(OpenSealedBody(reply, client_.pair));
}

TEST_F(AccountOperationsTest, LoginRefusals) {
    EXPECT_EQ(Status("login.do", LoginPayload("nobody", "whatever1")), "NOUSR");
    EXPECT_EQ(Status("login.do", LoginPayload("alice", "wrong123")), "ERRORPSD");
    // An expired token refuses automatic logins until the password is typed again.
    EXPECT_EQ(Status("login.do", LoginPayload("bob", "bob12345", 0)), "DUE");
    EXPECT_EQ(Status("login.do", LoginPayload("bob", "wrong123", 1)), "ERRORPSD");
    EXPECT_EQ(LoginToken("bob", "bob12345"), "fixedtoken");
    EXPECT_EQ(Status("login.do", LoginPayload("bob", "bob12345", 0)), "OK");

    // The documented key order is required; other isnew values are malformed.
    const std::string reordered =
        "uid:alice&psd:" + Md5Hex("alice123") + "&mac:" + kMac + "&isnew:1" + KeyPart();
    EXPECT_EQ(SendSealed(client_, "login.do", reordered).status, 400);
    EXPECT_EQ(SendSealed(client_, "login.do", LoginPayload("alice", "alice123", 2)).status, 400);
}

TEST_F(AccountOperationsTest, RecoveryStepsFindQuestionsCheckTheAnswerAndSetThePassword) {
    const std::string step1 =
        "uid:alice&step:1" + KeyPart() + "&token:" + RecoveryToken("alice") + "&mac:" + kMac;
    const Json::Value reply1 = Send("initPassword.do", step1);
    ASSERT_EQ(reply1["status"].asString(), "OK");
    const auto inner1 = OpenSealedBody(reply1, client_.pair);
    ASSERT_TRUE(inner1);
    EXPECT_EQ((*inner1)["userBean"]["uid"].asString(), "9001");
    const Json::Value& questions = (*inner1)["userBean"]["question"];
    ASSERT_EQ(questions.size(), 2u);
    EXPECT_EQ(questions[0]["question"], Json::Value("3"));  // numbers as text
    EXPECT_EQ(questions[1]["question"], Json::Value("12"));

    // Step 3 before a correct answer is refused.
    const std::string step3 = "uid:9001&step:3&psd:" + Md5Hex("newpass1") +
                              "&token:" + RecoveryToken("9001") + "&mac:" + kMac;
    EXPECT_EQ(Status("initPassword.do", step3), "ERROR");

    auto step2 = [&](const std::string& question, const std::string& answer) {
        return "uid:9001&step:2&question:" + question + "&answer:" + answer + KeyPart() +
               "&token:" + RecoveryToken("9001") + "&mac:" + kMac;
    };
    EXPECT_EQ(Status("initPassword.do", step2("3", "%D0%9C")), "ERRORANSWER");
    EXPECT_EQ(Status("initPassword.do", step2("12", "0101")), "ERROR");  // not encoded
    EXPECT_EQ(Status("initPassword.do", step2("4", "%30%31%30%31")), "ERRORANSWER");
    // "Мария" as UTF-8 bytes, each written %XX.
    const Json::Value reply2 =
        Send("initPassword.do", step2("3", "%D0%9C%D0%B0%D1%80%D0%B8%D1%8F"));
    ASSERT_EQ(reply2["status"].asString(), "OK");
    EXPECT_EQ((*OpenSealedBody(reply2, client_.pair))["userBean"]["uid"].asString(), "9001");
    EXPECT_EQ(LastLogLine()["decoded"]["answer"].asString(), "Мария");

    EXPECT_EQ(Status("initPassword.do", step3), "OK");
    EXPECT_EQ(Status("login.do", LoginPayload("alice", "alice123")), "ERRORPSD");
    EXPECT_EQ(Status("login.do", LoginPayload("alice", "newpass1")), "OK");
}

TEST_F(AccountOperationsTest, RecoveryRefusals) {
    const std::string unknown =
        "uid:zed_user&step:1" + KeyPart() + "&token:" + RecoveryToken("zed_user") + "&mac:" + kMac;
    EXPECT_EQ(Status("initPassword.do", unknown), "NOUSER");
    // The token signs the handshake time; another time does not do.
    const std::string badToken = "uid:alice&step:1" + KeyPart() +
                                 "&token:" + TestSign("alice" + kMac + "1") + "&mac:" + kMac;
    EXPECT_EQ(Status("initPassword.do", badToken), "ERROR");
    EXPECT_EQ(SendSealed(client_, "initPassword.do", "uid:alice&step:4&mac:x").status, 400);
    EXPECT_EQ(SendSealed(client_, "initPassword.do", "uid:alice&step:1&mac:x").status, 400);
    const std::string step3Unknown =
        "uid:7777&step:3&psd:" + Md5Hex("x") + "&token:" + RecoveryToken("7777") + "&mac:" + kMac;
    EXPECT_EQ(Status("initPassword.do", step3Unknown), "NOUSER");
}

TEST_F(AccountOperationsTest, ChangePasswordNeedsTheSessionAndTheOldPassword) {
    const std::string token = LoginToken("alice", "alice123");
    ASSERT_FALSE(token.empty());
    auto change = [&](const std::string& tok, const std::string& oldPassword) {
        return "uid:alice&mac:" + kMac + "&token:" + tok + "&old:" + Md5Hex(oldPassword) +
               "&psd:" + Md5Hex("changed1");
    };
    EXPECT_EQ(Status("changePassword.do", change("forged", "alice123")), "ERROR");
    EXPECT_EQ(Status("changePassword.do", change(token, "wrong123")), "ERRORPSD");
    EXPECT_EQ(Status("changePassword.do", change(token, "alice123")), "OK");
    EXPECT_EQ(Status("login.do", LoginPayload("alice", "changed1")), "OK");
}

TEST_F(AccountOperationsTest, SharingListAddAndDeletePersist) {
    const std::string token = LoginToken("alice", "alice123");
    auto list = [&](const std::string& sid) {
        const Json::Value reply = Send("bindUserList.do", "uid:alice&sid:" + sid + KeyPart() +
                                                              "&mac:" + kMac + "&token:" + token);
        EXPECT_EQ(reply["status"].asString(), "OK");
        const auto inner = OpenSealedBody(reply, client_.pair);
        return inner ? (*inner)["userList"] : Json::Value();
    };
    Json::Value users = list("CAM1");
    ASSERT_EQ(users.size(), 2u);
    EXPECT_EQ(users[0]["uid"].asString(), "alice");
    EXPECT_EQ(users[0]["nickName"].asString(), "Алиса");
    EXPECT_EQ(users[0]["isAdmin"], Json::Value(1));  // an integer, not text
    EXPECT_EQ(users[1]["uid"].asString(), "bob");
    EXPECT_EQ(users[1]["isAdmin"], Json::Value(0));
    // A device may name its administrator last.
    EXPECT_EQ(list("CAM2")[1]["uid"].asString(), "alice");

    auto add = [&](const std::string& name) {
        return Status("addUser.do", "uid:alice&sid:CAM1" + KeyPart() + "&mac:" + kMac +
                                        "&token:" + token + "&name:" + name);
    };
    EXPECT_EQ(add("nobody"), "NOUSER");
    EXPECT_EQ(add("bob"), "REPEAT");
    EXPECT_EQ(add("alice"), "REPEAT");
    EXPECT_EQ(add("carol"), "OK");
    EXPECT_EQ(add("dave"), "OUTMAX");  // three bound accounts is the device's limit
    EXPECT_EQ(list("CAM1").size(), 3u);

    auto remove = [&](const std::string& sid, const std::string& name) {
        return Status("deleteBindUser.do", "uid:alice&sid:" + sid + "&mac:" + kMac +
                                               "&token:" + token + "&name:" + name);
    };
    EXPECT_EQ(remove("CAM1", "bob"), "OK");
    EXPECT_EQ(remove("CAM1", "bob"), "NOUSER");
    EXPECT_EQ(remove("CAM1", "alice"), "ERROR");
    EXPECT_EQ(remove("CAM3", "carol"), "NODEV");
    users = list("CAM1");
    ASSERT_EQ(users.size(), 2u);
    EXPECT_EQ(users[1]["uid"].asString(), "carol");
}

TEST_F(AccountOperationsTest, SharingRefusals) {
    const std::string aliceToken = LoginToken("alice", "alice123");
    const std::string bobToken = LoginToken("bob", "bob12345");
    EXPECT_EQ(Status("bindUserList.do",
                     "uid:alice&sid:NOPE" + KeyPart() + "&mac:" + kMac + "&token:" + aliceToken),
              "NODEV");
    EXPECT_EQ(Status("bindUserList.do",
                     "uid:ghost&sid:CAM1" + KeyPart() + "&mac:" + kMac + "&token:" + aliceToken),
              "NOUSR");
    // A token belongs to the account that logged in.
    EXPECT_EQ(Status("bindUserList.do",
                     "uid:alice&sid:CAM1" + KeyPart() + "&mac:" + kMac + "&token:" + bobToken),
              "ERROR");
    // Only the owner shares.
    EXPECT_EQ(Status("addUser.do", "uid:bob&sid:CAM1" + KeyPart() + "&mac:" + kMac +
                                       "&token:" + bobToken + "&name:dave"),
              "ERROR");
}

TEST_F(AccountOperationsTest, AlarmSwitchAndHours) {
    const std::string token = LoginToken("alice", "alice123");
    auto alarm = [&](const std::string& sid, const std::string& value, const std::string& umac) {
        return Status("setAlarm.do", "uid:alice&sid:" + sid + "&mac:" + kMac + "&token:" + token +
                                         "&status:" + value + "&umac:" + umac);
    };
    EXPECT_EQ(alarm("CAM1", "on", kMac), "OK");
    EXPECT_EQ(book_->Device("CAM1")->alarmStatus, 1);
    EXPECT_EQ(alarm("CAM1", "off", kMac), "OK");
    EXPECT_EQ(book_->Device("CAM1")->alarmStatus, 0);
    EXPECT_EQ(alarm("CAM1", "on", "alice," + kMac), "ERROR");  // this operation sends the bare MAC
    EXPECT_EQ(alarm("CAM1", "maybe", kMac), "ERROR");

    auto hours = [&](const std::string& sid, const std::string& start, const std::string& end) {
        return Status("setAlarmTime.do", "uid:alice&sid:" + sid + "&mac:" + kMac +
                                             "&token:" + token + "&umac:alice," + kMac +
                                             "&start:" + start + "&end:" + end);
    };
    EXPECT_EQ(hours("CAM1", "7", "7"), "OK");
    EXPECT_EQ(book_->Device("CAM1")->alarmStartTime, 7);
    EXPECT_EQ(book_->Device("CAM1")->alarmEndTime, 7);
    EXPECT_EQ(hours("CAM1", "0", "23"), "OK");
    EXPECT_EQ(hours("CAM2", "1", "2"), "OFFLINE");
    EXPECT_EQ(hours("CAM1", "24", "2"), "ERROR");
    EXPECT_EQ(hours("CAM1", "-1", "2"), "ERROR");
    EXPECT_EQ(hours("CAM3", "1", "2"), "NODEV");
}

TEST_F(AccountOperationsTest, VersionCheckIsHandshakeStyle) {
    auto check = [&](const std::string& version, const std::string& token) {
        const auto answer = router_->Handle(
            "/velkor/checkVersion.do",
            WrapData("client:pc&version:" + version + "&token:" + token, "1a2b3c4d"));
        EXPECT_EQ(answer.status, 200);
        const auto plain = OpenReply(answer.body);
        return plain.value_or("");
    };
    const std::string older = check("2.0", TestSign("pc2.0"));
    EXPECT_EQ(
        older.rfind(
            R"({"status":"UPDATE","version":{"resourceUrl":"http://127.0.0.1/setup","updateStatus":1}})",
            0),
        0u)
        << older;
    EXPECT_EQ(check("2.3", TestSign("pc2.3")).rfind(R"({"status":"OK"})", 0), 0u);
    EXPECT_EQ(check("10.0", TestSign("pc10.0")).rfind(R"({"status":"OK"})", 0), 0u);
    EXPECT_EQ(check("2.0", TestSign("2.0")).rfind(R"({"status":"ERROR"})", 0), 0u);
}

TEST_F(AccountOperationsTest, FeedbackIsTokenSignedAndPercentEncoded) {
    auto advise = [&](const std::string& uid, const std::string& text, const std::string& token) {
        const auto answer = router_->Handle(
            "/velkor/saveAdvise.do",
            WrapData("uid:" + uid + "&appAdvise:" + text + "&token:" + token, "beef", kKeyValue));
        return ReplyJson(answer.body, kKeyValue).value_or(Json::Value())["status"].asString();
    };
    EXPECT_EQ(advise("alice", "%48%69%0D%0A", TestSign("alice")), "OK");
    EXPECT_EQ(LastLogLine()["decoded"]["appAdvise"].asString(), "Hi\r\n");
    ASSERT_EQ(book_->Advices().size(), 1u);
    EXPECT_EQ(advise("alice", "Hi", TestSign("alice")), "ERROR");
    EXPECT_EQ(advise("alice", "%48", TestSign("bob")), "ERROR");
    EXPECT_EQ(advise("ghost", "%48", TestSign("ghost")), "NOUSR");
}

}  // namespace
}  // namespace nimbrel::sim::test
