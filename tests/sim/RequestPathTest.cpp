// The service's request path for the kinds after the handshake: sealed, token-signed and
// handshake-style requests, the reply forms, the request log and the refusals.
#include <gtest/gtest.h>

#include "RouterFixture.h"

namespace nimbrel::sim::test {
namespace {

class RequestPathTest : public RouterFixture {
  protected:
    void SetUp() override {
        RouterFixture::SetUp();
        AddEchoRoutes();
    }
    void AddEchoRoutes() {
        // Answers with the payload's values sealed, so the test sees what was decoded.
        router_->Add("echo.do", WrapKind::Sealed, {},
                     [](const DecodedRequest& r) -> Result<ServiceReply> {
                         OrderedJson inner = OrderedJson::Object();
                         for (const auto& [k, v] : r.payload.Pairs()) inner.Set(k, v);
                         return Result<ServiceReply>::Ok(ServiceReply::Sealed("OK", inner, {}));
                     });
        router_->Add("plain.do", WrapKind::Sealed, {"uid", "sid"}, [](const DecodedRequest&) {
            return Result<ServiceReply>::Ok(ServiceReply::Status("NODEV"));
        });
        router_->Add("signed.do", WrapKind::TokenSigned, {}, [](const DecodedRequest&) {
            return Result<ServiceReply>::Ok(ServiceReply::Status("OK"));
        });
        router_->Add("style.do", WrapKind::HandshakeStyle, {}, [](const DecodedRequest&) {
            return Result<ServiceReply>::Ok(ServiceReply::Status("UPDATE"));
        });
    }
};

TEST_F(RequestPathTest, SealedRequestIsOpenedAndItsReplySealedForTheHandshakeKey) {
    const HandClient client = HandClient::Make();
    Handshake(client);
    const auto answer = SendSealed(client, "echo.do", "uid:demo&psd:x:y&empty:&mac:00-11");
    ASSERT_EQ(answer.status, 200) << answer.body;

    // Replies to sealed requests are in the keyValue form: 4 characters, then hex.
    const auto reply = ReplyJson(answer.body, kKeyValue);
    ASSERT_TRUE(reply);
    EXPECT_EQ((*reply)["status"].asString(), "OK");
    const auto inner = OpenSealedBody(*reply, client.pair);
    ASSERT_TRUE(inner);
    EXPECT_EQ((*inner)["uid"].asString(), "demo");
    EXPECT_EQ((*inner)["psd"].asString(), "x:y");  // split at the first colon only
    EXPECT_EQ((*inner)["empty"].asString(), "");

    const Json::Value line = LastLogLine();
    EXPECT_EQ(line["path"].asString(), "echo.do");
    EXPECT_EQ(line["wrap"].asString(), "sealed");
    ASSERT_EQ(line["payload"].size(), 4u);
    EXPECT_EQ(line["payload"][1][0].asString(), "psd");
    EXPECT_EQ(line["payload"][3][1].asString(), "00-11");
    EXPECT_EQ(line["envelope"][5][0].asString(), "tm");
    EXPECT_EQ(line["envelope"][5][1].asString(), client.tm);
}

TEST_F(RequestPathTest, SealedRepliesFindEachClientByItsHandshakeTime) {
    HandClient first = HandClient::Make();
    HandClient second = HandClient::Make();
    first.tm = "1700000001";
    second.tm = "1700000002";
    Handshake(first);
    Handshake(second);
    // The first client's request is sealed for the first client although the second one
    // shook hands last.
    const auto reply = ReplyJson(SendSealed(first, "echo.do", "a:1").body, kKeyValue);
    ASSERT_TRUE(reply);
    EXPECT_TRUE(OpenSealedBody(*reply, first.pair));
    EXPECT_FALSE(OpenSealedBody(*reply, second.pair));

    // An unknown time falls back to the latest handshake.
    HandClient stranger = first;
    stranger.tm = "1600000000";
    const auto fallback = ReplyJson(SendSealed(stranger, "echo.do", "a:1").body, kKeyValue);
    ASSERT_TRUE(fallback);
    EXPECT_TRUE(OpenSealedBody(*fallback, second.pair));
}

TEST_F(RequestPathTest, SealedBodyWithoutAnyHandshakeIsAnError) {
    const HandClient client = HandClient::Make();
    const auto reply = ReplyJson(SendSealed(client, "echo.do", "a:1").body, kKeyValue);
    ASSERT_TRUE(reply);
    EXPECT_EQ((*reply)["status"].asString(), "ERROR");
}

TEST_F(RequestPathTest, ExpectedKeysAreCheckedInOrder) {
    const HandClient client = HandClient::Make();
    Handshake(client);
    EXPECT_EQ(SendSealed(client, "plain.do", "uid:a&sid:b").status, 200);
    EXPECT_EQ(LastLogLine()["status"].asString(), "NODEV");
    EXPECT_EQ(SendSealed(client, "plain.do", "sid:b&uid:a").status, 400);
    EXPECT_NE(LastLogLine()["error"].asString().find("expected uid,sid"), std::string::npos);
    EXPECT_EQ(LastLogLine()["payload"][0][0].asString(), "sid");  // logged as it came
    EXPECT_EQ(SendSealed(client, "plain.do", "uid:a").status, 400);
}

TEST_F(RequestPathTest, TokenSignedAndHandshakeStyleUseTheirOwnKeyForms) {
    const auto signedAnswer =
        router_->Handle("/velkor/signed.do", WrapData("uid:demo&token:t", "c0de", kKeyValue));
    ASSERT_EQ(signedAnswer.status, 200);
    EXPECT_EQ((*ReplyJson(signedAnswer.body, kKeyValue))["status"].asString(), "OK");
    EXPECT_EQ(LastLogLine()["wrap"].asString(), "token-signed");
    EXPECT_FALSE(LastLogLine().isMember("envelope"));

    const auto styleAnswer =
        router_->Handle("/velkor/style.do", WrapData("client:pc&version:2.0", "76543210"));
    ASSERT_EQ(styleAnswer.status, 200);
    EXPECT_EQ((*ReplyJson(styleAnswer.body))["status"].asString(), "UPDATE");
    EXPECT_EQ(LastLogLine()["wrap"].asString(), "handshake-style");

    // The 8-character form is refused where the keyValue form is expected, and back.
    EXPECT_EQ(router_->Handle("/velkor/signed.do", WrapData("uid:demo", "76543210")).status, 400);
    EXPECT_EQ(router_->Handle("/velkor/style.do", WrapData("uid:demo", "c0de", kKeyValue)).status,
              400);
}

TEST_F(RequestPathTest, UnknownPathsAre404AndLogged) {
    EXPECT_EQ(router_->Handle("/velkor/nothing.do", std::string("abcd")).status, 404);
    EXPECT_EQ(LastLogLine()["path"].asString(), "nothing.do");
    EXPECT_EQ(router_->Handle("/other/security.do", std::string("abcd")).status, 404);
    EXPECT_EQ(router_->Handle("/", std::nullopt).status, 404);
}

TEST_F(RequestPathTest, BrokenSealedLayersAre400) {
    const HandClient client = HandClient::Make();
    Handshake(client);
    const std::string goodBiz = "biz:AAAAAAAAAAAAAAAAAAAAAA==";
    const std::vector<std::pair<std::string, std::string>> envelopes = {
        {"missing tm", "biz:QQ==&cl:pc&cv:2.0&pv:2.0&sk:QQ=="},
        {"reordered", "cl:pc&biz:QQ==&cv:2.0&pv:2.0&sk:QQ==&tm:1"},
        {"sk not base64", "biz:QQ==&cl:pc&cv:2.0&pv:2.0&sk:***&tm:1"},
        {"sk not for the service key",
         "biz:QQ==&cl:pc&cv:2.0&pv:2.0&sk:" + std::string(170, 'A') + "==&tm:1"},
    };
    for (const auto& [name, text] : envelopes) {
        const auto answer = router_->Handle("/velkor/echo.do", WrapData(text, "1234", kKeyValue));
        EXPECT_EQ(answer.status, 400) << name;
        EXPECT_FALSE(LastLogLine()["error"].asString().empty()) << name;
    }
    EXPECT_EQ(router_->Handle("/velkor/echo.do", std::nullopt).status, 400);
}

TEST_F(RequestPathTest, ForcedStatusReplacesTheOperation) {
    Rebuild("OK", {{"echo.do", "BUSY"}});
    AddEchoRoutes();
    const HandClient client = HandClient::Make();
    Handshake(client);
    const auto reply = ReplyJson(SendSealed(client, "echo.do", "a:1").body, kKeyValue);
    ASSERT_TRUE(reply);
    EXPECT_EQ((*reply)["status"].asString(), "BUSY");
    EXPECT_FALSE(reply->isMember("sk"));
    EXPECT_EQ(LastLogLine()["status"].asString(), "BUSY");
}

}  // namespace
}  // namespace nimbrel::sim::test
