// security.do on the service side: the reply a correct handshake gets, and the refusals.
#include <gtest/gtest.h>

#include "RouterFixture.h"
#include "service/crypto/Aes128.h"
#include "text/Base64.h"

namespace nimbrel::sim::test {
namespace {

using HandshakeTest = RouterFixture;

TEST_F(HandshakeTest, OkReplyCarriesKeyValueAndServiceKeySealedForTheClient) {
    const HandClient client = HandClient::Make();
    const auto answer = router_->Handle("/velkor/security.do", client.HandshakeData());
    ASSERT_EQ(answer.status, 200);

    // The whole body is in the 8-character form: 8 key characters, then lower-case hex.
    const auto plain = OpenReply(answer.body);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->size() % 8, 0u);
    EXPECT_EQ(plain->back(), ' ');
    EXPECT_EQ(plain->rfind("{\"status\":\"OK\",\"sk\":", 0), 0u) << *plain;

    const auto reply = ReplyJson(answer.body);
    ASSERT_TRUE(reply);
    std::string aesKey;
    const auto inner = OpenSealedBody(*reply, client.pair, &aesKey);
    ASSERT_TRUE(inner);
    ASSERT_EQ(aesKey.size(), 16u);
    for (char c : aesKey) EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c))) << aesKey;

    const Json::Value& bean = (*inner)["serverBean"];
    EXPECT_EQ(bean["keyValue"].asString(), kKeyValue);
    // pubKey opens with the same AES key and gives the service's "EXP:MOD".
    const auto pubKey = Aes128EcbDecrypt(aesKey, *Base64Decode(bean["pubKey"].asString()));
    ASSERT_TRUE(pubKey);
    EXPECT_EQ(*pubKey, keys_->Pair()->ExponentHex() + ":" + keys_->Pair()->ModulusHex());
    EXPECT_EQ(pubKey->substr(0, 7), "010001:");

    const Json::Value line = LastLogLine();
    EXPECT_EQ(line["path"].asString(), "security.do");
    EXPECT_EQ(line["wrap"].asString(), "handshake");
    EXPECT_EQ(line["status"].asString(), "OK");
    ASSERT_EQ(line["payload"].size(), 6u);
    EXPECT_EQ(line["payload"][0][0].asString(), "cl");
    EXPECT_EQ(line["payload"][4][1].asString(), client.tm);
}

TEST_F(HandshakeTest, EveryRunUsesOneKeyValueAndKeyForAllClients) {
    const HandClient a = HandClient::Make();
    HandClient b = HandClient::Make();
    b.tm = "1700000999";
    const auto innerA = OpenSealedBody(Handshake(a), a.pair);
    const auto innerB = OpenSealedBody(Handshake(b), b.pair);
    ASSERT_TRUE(innerA && innerB);
    EXPECT_EQ((*innerA)["serverBean"]["keyValue"], (*innerB)["serverBean"]["keyValue"]);
    // Each reply is sealed for its own client only.
    EXPECT_FALSE(OpenSealedBody(Handshake(a), b.pair));
}

TEST_F(HandshakeTest, WrongTokenIsAnsweredErrorWithoutSealedBody) {
    const HandClient client = HandClient::Make();
    const auto answer =
        router_->Handle("/velkor/security.do", client.HandshakeData(std::string(40, 'a')));
    ASSERT_EQ(answer.status, 200);
    const auto reply = ReplyJson(answer.body);
    ASSERT_TRUE(reply);
    EXPECT_EQ((*reply)["status"].asString(), "ERROR");
    EXPECT_FALSE(reply->isMember("sk"));
    EXPECT_EQ(LastLogLine()["status"].asString(), "ERROR");
}

TEST_F(HandshakeTest, TokenMustSignTheVersionsInTheirOrder) {
    // A token over cl+cv+pv+tm (another order) is not accepted.
    const HandClient client = HandClient::Make();
    const std::string misordered = TestSign(client.cl + client.cv + client.pv + client.tm);
    const auto reply =
        ReplyJson(router_->Handle("/velkor/security.do", client.HandshakeData(misordered)).body);
    ASSERT_TRUE(reply);
    EXPECT_EQ((*reply)["status"].asString(), "ERROR");
}

TEST_F(HandshakeTest, UpdateDemandIsAnsweredUnsealed) {
    Rebuild("UPATE");
    const auto reply = Handshake(HandClient::Make());
    EXPECT_EQ(reply["status"].asString(), "UPATE");
    EXPECT_FALSE(reply.isMember("biz"));
}

TEST_F(HandshakeTest, PublicKeyUnderAnotherClientIdIsRefused) {
    // pk sealed under the key of client id "pcvelkor2.02.0" but the request says cv 2.1.
    HandClient client = HandClient::Make();
    std::string data = client.HandshakeData();
    client.cv = "2.1";
    const auto plain = OpenReply(data);  // the request is the same DES form as a reply
    ASSERT_TRUE(plain);
    std::string text = *plain;
    while (!text.empty() && text.back() == ' ') text.pop_back();
    const std::size_t cvAt = text.find("cv:2.0");
    text.replace(cvAt, 6, "cv:2.1");
    const std::size_t tokenAt = text.find("&token:");
    text = text.substr(0, tokenAt) + "&token:" + TestSign("2.1" + client.tm + "2.0pc");

    const auto answer = router_->Handle("/velkor/security.do", WrapData(text, "01234567"));
    EXPECT_EQ(answer.status, 400);
    EXPECT_NE(LastLogLine()["error"].asString().find("pk"), std::string::npos);
}

TEST_F(HandshakeTest, MalformedRequestsGet400AndAnErrorLine) {
    const HandClient client = HandClient::Make();
    const std::string good = client.HandshakeData();
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"odd hex", good.substr(0, good.size() - 1)},
        {"partial block", good.substr(0, good.size() - 2)},
        {"non-hex", good.substr(0, 20) + "zz" + good.substr(22)},
        {"upper-case hex", good.substr(0, 8) + "ABCDEF0123456789"},
        {"key only", good.substr(0, 8)},
        {"short", "abc"},
        {"empty", ""},
        {"wrong key", "ffffffff" + good.substr(8)},
        {"keys out of order",
         WrapData("cv:2.0&cl:pc&pv:2.0&pk:AAAA&tm:1&token:" + TestSign("2.01"
                                                                       "2.0pc"),
                  "01234567")},
        {"bad base64 pk",
         WrapData("cl:pc&cv:2.0&pv:2.0&pk:!!!!&tm:1&token:" + TestSign("2.012.0pc"), "01234567")},
        {"piece without colon", WrapData("cl:pc&cv", "01234567")},
    };
    for (const auto& [name, data] : cases) {
        const auto answer = router_->Handle("/velkor/security.do", data);
        EXPECT_EQ(answer.status, 400) << name;
        const Json::Value line = LastLogLine();
        EXPECT_EQ(line["path"].asString(), "security.do") << name;
        EXPECT_FALSE(line["error"].asString().empty()) << name;
        EXPECT_FALSE(line.isMember("status")) << name;
    }
}

}  // namespace
}  // namespace nimbrel::sim::test
