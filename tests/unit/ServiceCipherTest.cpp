// The outer request cipher, sealing and the URL table: the wire facts peers rely on.
#include <gtest/gtest.h>

#include "platform/FixedText.h"
#include "service/ClientKeyPair.h"
#include "service/GlobalSettings.h"
#include "service/Sealing.h"
#include "service/ServiceAddress.h"
#include "service/ServiceCipher.h"
#include "service/ServiceOperation.h"
#include "service/StatusWord.h"
#include "service/crypto/Aes128.h"
#include "service/crypto/Des.h"
#include "service/crypto/Hex.h"
#include "text/Base64.h"

namespace nimbrel {
namespace {

class ServiceCipher : public ::testing::Test {
protected:
    void SetUp() override {
        InitGlobalSettings(g);
        SetText(g.m_KeyValue, "a1b2");
    }
    GlobalSettings g;
};

TEST_F(ServiceCipher, WrapPadsToWholeBlocksWithAtLeastOneSpace) {
    std::string eight = "uid:abcd";
    const std::string wrapped = DesWrap(g, eight);
    EXPECT_EQ(eight, "uid:abcd        ");  // padded in place with 8 spaces
    EXPECT_EQ(wrapped.size(), 4u + 32u);
    std::string sixty(60, 'p');
    EXPECT_EQ(DesWrap(g, sixty).size(), 4u + 2u * 64u);
    std::string seven = "1234567";
    EXPECT_EQ(DesWrap8(seven).size(), 8u + 16u);
}

TEST_F(ServiceCipher, WrapUsesKeyPrefixAndDrawnCharacters) {
    std::string payload = "cl:pc&cv:2.0";
    const std::string wrapped = DesWrap(g, payload);
    const std::string drawn = wrapped.substr(0, 4);
    EXPECT_EQ(drawn.find_first_not_of("0123456789abcdef"), std::string::npos);
    // An independent opening with the documented key: m_KeyValue + the 4 drawn characters.
    EXPECT_EQ(DesEcbDecrypt("a1b2" + drawn, *HexDecode(wrapped.substr(4))), payload);
    EXPECT_EQ(wrapped.substr(4).find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_EQ(DesUnwrap(g, wrapped), payload);

    std::string p8 = "tm:1700000000";
    const std::string w8 = DesWrap8(p8);
    EXPECT_EQ(DesEcbDecrypt(w8.substr(0, 8), *HexDecode(w8.substr(8))), p8);
    EXPECT_EQ(DesUnwrap8(w8), p8);
}

TEST_F(ServiceCipher, UnwrapOfBadRepliesFailsCleanly) {
    EXPECT_FALSE(DesUnwrap(g, ""));
    EXPECT_FALSE(DesUnwrap(g, "abcd"));       // fewer than 5 characters
    EXPECT_FALSE(DesUnwrap8("abcdefgh"));     // fewer than 9
    EXPECT_FALSE(DesUnwrap(g, "abcd0x11"));   // not hex
    EXPECT_FALSE(DesUnwrap(g, "<html>404</html>"));
    // Odd hex: the last digit is decoded alone, and the partial block is zero-filled.
    const auto odd = DesUnwrap(g, "abcd123");
    ASSERT_TRUE(odd);
    EXPECT_EQ(*odd, DesEcbDecrypt("a1b2abcd", std::string("\x12\x03", 2)));
    // A line feed after the body does not spoil it.
    std::string p = "status";
    EXPECT_EQ(DesUnwrap(g, DesWrap(g, p) + "\r\n"), p);
}

TEST_F(ServiceCipher, SealedPayloadOpensWithTheServerKey) {
    // Use the client's own pair as the "server" key, so the sealed key can be opened here.
    const RsaKeyPair* pair = ClientKeyPair();
    ASSERT_TRUE(pair);
    SetText(g.m_ServerExp, pair->ExponentHex());
    SetText(g.m_ServerMod, pair->ModulusHex());
    SetText(g.m_Timestamp, "1700000000");
    const std::string payload = "uid:demo&psd:x&mac:00-11-22-33-44-55";
    const auto url = SealPayload(g, payload, "http://h/velkor/login.do?data=");
    ASSERT_TRUE(url);
    ASSERT_EQ(url->rfind("http://h/velkor/login.do?data=", 0), 0u);
    const auto text = DesUnwrap(g, url->substr(std::string("http://h/velkor/login.do?data=").size()));
    ASSERT_TRUE(text);
    // biz:..&cl:pc&cv:2.0&pv:2.0&sk:..&tm:1700000000 followed by padding spaces
    const std::string t = text->substr(0, text->find(' '));
    const auto cl = t.find("&cl:pc&cv:2.0&pv:2.0&sk:");
    const auto tm = t.find("&tm:1700000000");
    ASSERT_NE(cl, std::string::npos);
    ASSERT_NE(tm, std::string::npos);
    ASSERT_EQ(t.rfind("biz:", 0), 0u);
    const std::string biz = t.substr(4, cl - 4);
    const std::string sk = t.substr(cl + 24, tm - cl - 24);
    EXPECT_EQ(sk.size(), 172u);
    const auto opened = OpenSealed(sk, biz, 1023);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->text, payload);
    EXPECT_EQ(opened->aesKey.find_first_not_of(
                  "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
              std::string::npos);
}

TEST_F(ServiceCipher, OversizeOrUnkeyedSealIsRefused) {
    const RsaKeyPair* pair = ClientKeyPair();
    SetText(g.m_ServerExp, pair->ExponentHex());
    SetText(g.m_ServerMod, pair->ModulusHex());
    EXPECT_TRUE(SealPayload(g, std::string(751, 'x'), "p"));
    EXPECT_FALSE(SealPayload(g, std::string(752, 'x'), "p"));
    SetText(g.m_ServerMod, "");
    EXPECT_FALSE(SealPayload(g, "uid:x", "p"));
}

TEST_F(ServiceCipher, OpenSealedRefusesBrokenBodies) {
    const RsaKeyPair* pair = ClientKeyPair();
    const std::string key = "ABCDEFGHIJKLMNOP";
    const std::string sk = Base64Encode(*pair->PublicEncrypt(key));
    const std::string biz = Base64Encode(*Aes128EcbEncrypt(key, "{\"a\":1}"));
    ASSERT_TRUE(OpenSealed(sk, biz, 1023));
    EXPECT_FALSE(OpenSealed(sk, biz, 6));            // larger than the capacity
    EXPECT_FALSE(OpenSealed("!!", biz, 1023));       // malformed base64
    EXPECT_FALSE(OpenSealed(Base64Encode(std::string(128, 'x')), biz, 1023));  // RSA fails
    EXPECT_FALSE(OpenSealed(sk, "Zm9v", 1023));      // not whole AES blocks
    const std::string wrongKey = Base64Encode(*pair->PublicEncrypt("short"));
    EXPECT_FALSE(OpenSealed(wrongKey, biz, 1023));   // an AES key that cannot be set
}

TEST(ServiceTable, UrlTemplatesWithAndWithoutPort) {
    GlobalSettings g;
    SetText(g.m_Host, "127.0.0.1");
    g.m_Port = 8123;
    EXPECT_EQ(OperationUrlPrefix(g, ServiceOp::Security), "http://127.0.0.1/velkor/security.do?data=");
    EXPECT_EQ(OperationUrlPrefix(g, ServiceOp::Login), "http://127.0.0.1/velkor/login.do?data=");
    EXPECT_EQ(OperationUrlPrefix(g, ServiceOp::CheckVersion),
              "http://127.0.0.1:8123/velkor/checkVersion.do?data=");
    EXPECT_EQ(OperationUrlPrefix(g, ServiceOp::SaveAdvise),
              "http://127.0.0.1:8123/velkor/saveAdvise.do?data=");
    EXPECT_EQ(Operation(ServiceOp::CheckVersion).replyVariant, 1);
    EXPECT_EQ(Operation(ServiceOp::SaveAdvise).kind, WrapKind::TokenSigned);
    EXPECT_EQ(std::string(Operation(ServiceOp::PlayBack).name), "playBack.do");
}

TEST(ServiceTable, StatusWordsIgnoreCase) {
    EXPECT_TRUE(StatusIs("ok", kStatusOk));
    EXPECT_TRUE(StatusIs("NoUsr", kStatusNoAccount));
    EXPECT_FALSE(StatusIs("OK ", kStatusOk));
    EXPECT_FALSE(StatusIs("UPDATE", kStatusMustUpdate));
    EXPECT_FALSE(StatusIs("", kStatusOk));
}

TEST(ServiceTable, ServiceUrlParsing) {
    GlobalSettings g;
    ASSERT_TRUE(ApplyServiceUrl(g, "http://127.0.0.1:41234"));
    EXPECT_EQ(GetText(g.m_Scheme), "http");
    EXPECT_EQ(GetText(g.m_Host), "127.0.0.1");
    EXPECT_EQ(g.m_Port, 41234);
    ASSERT_TRUE(ApplyServiceUrl(g, "http://localhost/"));
    EXPECT_EQ(g.m_Port, 80);
    for (const char* bad : {"127.0.0.1:80", "http://", "http://h:0", "http://h:70000", "http://h:8x",
                            "http://a-very-long-host-name.example:80", "http://h/path"})
        EXPECT_FALSE(ApplyServiceUrl(g, bad)) << bad;
    EXPECT_EQ(GetText(g.m_Host), "localhost");  // unchanged by the refusals
}

}  // namespace
}  // namespace nimbrel
