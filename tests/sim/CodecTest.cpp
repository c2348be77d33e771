// The service side's text layers: the DES envelope, the key/value payload and the ordered
// JSON writer.
#include <gtest/gtest.h>

#include "DesEnvelope.h"
#include "HandWrap.h"
#include "OrderedJson.h"
#include "PayloadPairs.h"
#include "ServiceSigning.h"
#include "service/crypto/Des.h"
#include "service/crypto/Hex.h"

namespace nimbrel::sim::test {
namespace {

TEST(DesEnvelopeTest, ShortReplyLayoutAndPadding) {
    // An 8-byte body gets 8 spaces: 16 bytes, 4 + 32 characters.
    const std::string wrapped = DesEnvelope::WrapWithKey("12345678", "abcd", "0123");
    ASSERT_EQ(wrapped.size(), 4u + 32u);
    EXPECT_EQ(wrapped.substr(0, 4), "abcd");
    EXPECT_EQ(DesEcbDecrypt("0123abcd", *HexDecode(wrapped.substr(4))), "12345678        ");
    // A 9-byte body gets 7.
    EXPECT_EQ(DesEnvelope::WrapWithKey("123456789", "abcd", "0123").size(), 4u + 32u);
    // Random key characters come from the hex alphabet.
    const std::string random = DesEnvelope::WrapShort("{}", "0123");
    EXPECT_EQ(random.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_EQ(DesEnvelope::WrapLong("{}").size(), 8u + 16u);
}

TEST(DesEnvelopeTest, OpensWhatAnIndependentWrapProduces) {
    const auto shortForm = DesEnvelope::OpenShort(WrapData("uid:a&sid:b", "9f9f", "a1b2"), "a1b2");
    ASSERT_TRUE(shortForm) << shortForm.error();
    EXPECT_EQ(*shortForm, "uid:a&sid:b");
    const auto longForm = DesEnvelope::OpenLong(WrapData("client:pc", "00ff00ff"));
    ASSERT_TRUE(longForm) << longForm.error();
    EXPECT_EQ(*longForm, "client:pc");
    // A payload that is already whole blocks carries a whole block of spaces.
    EXPECT_EQ(*DesEnvelope::OpenLong(WrapData("abcdefgh", "00ff00ff")), "abcdefgh");
}

TEST(DesEnvelopeTest, RefusesBrokenCipherTexts) {
    const std::string good = WrapData("uid:a&sid:b", "9f9f", "a1b2");
    // Another shared key (not only in a parity bit: "a1b3" would be the same DES key).
    EXPECT_FALSE(DesEnvelope::OpenShort(good, "a1b4"));
    EXPECT_FALSE(DesEnvelope::OpenShort(good, ""));  // no handshake yet
    EXPECT_FALSE(DesEnvelope::OpenShort(good.substr(0, good.size() - 1), "a1b2"));
    EXPECT_FALSE(DesEnvelope::OpenShort("9f9f", "a1b2"));
    EXPECT_FALSE(DesEnvelope::OpenShort("9f", "a1b2"));
    EXPECT_FALSE(DesEnvelope::OpenLong(std::string(DesEnvelope::kMaxDataLength + 2, '0')));

    // Zero padding instead of spaces is refused.
    const std::string zeroPadded =
        "9f9f" + HexLower(DesEcbEncrypt("a1b29f9f", std::string("uid:a\0\0\0", 8)));
    EXPECT_FALSE(DesEnvelope::OpenShort(zeroPadded, "a1b2"));
    // No padding at all is refused.
    const std::string unpadded = "9f9f" + HexLower(DesEcbEncrypt("a1b29f9f", "uid:abcd"));
    EXPECT_FALSE(DesEnvelope::OpenShort(unpadded, "a1b2"));
}

TEST(PayloadPairsTest, KeepsOrderAndSplitsAtTheFirstColon) {
    const auto p = PayloadPairs::Parse("uid:demo&time:12:30&empty:&uid:again");
    ASSERT_TRUE(p.WellFormed());
    ASSERT_EQ(p.Pairs().size(), 4u);
    EXPECT_EQ(p.Pairs()[1].second, "12:30");
    EXPECT_EQ(p.Get("uid"), "demo");  // the first of repeated keys
    EXPECT_EQ(p.Find("empty"), std::optional<std::string>(""));
    EXPECT_FALSE(p.Find("missing"));
    EXPECT_TRUE(p.HasKeysInOrder({"uid", "time", "empty", "uid"}));
    EXPECT_FALSE(p.HasKeysInOrder({"uid", "time", "empty"}));
    EXPECT_EQ(p.ToJson().Dump(),
              R"([["uid","demo"],["time","12:30"],["empty",""],["uid","again"]])");

    EXPECT_FALSE(PayloadPairs::Parse("uid:a&broken").WellFormed());
    EXPECT_FALSE(PayloadPairs::Parse("uid:a&").WellFormed());
    EXPECT_TRUE(PayloadPairs::Parse("").Empty());
}

TEST(OrderedJsonTest, KeepsMemberOrderAndEscapes) {
    OrderedJson o = OrderedJson::Object();
    o.Set("status", "OK").Set("b", 2).Set("a", OrderedJson::Array().Add(OrderedJson::Bool(true)));
    EXPECT_EQ(o.Dump(), R"({"status":"OK","b":2,"a":[true]})");
    EXPECT_EQ(OrderedJson::String("q\"\\\n\x01").Dump(), R"("q\"\\\n\u0001")");
    EXPECT_EQ(OrderedJson::String("Гараж").Dump(), "\"Гараж\"");
    // Bytes that are not UTF-8 still give valid JSON.
    EXPECT_EQ(OrderedJson::String("a\xff\xd0").Dump(), R"("a\u00ff\u00d0")");
    EXPECT_EQ(OrderedJson::String("\xed\xa0\x80").Dump(), R"("\u00ed\u00a0\u0080")");
}

TEST(ServiceSigningTest, PercentDecodingIsStrict) {
    std::string out;
    EXPECT_TRUE(DecodeAllPercent("%48%69", out));
    EXPECT_EQ(out, "Hi");
    EXPECT_TRUE(DecodeAllPercent("%D0%9C", out));
    EXPECT_EQ(out, "М");
    EXPECT_FALSE(DecodeAllPercent("Hi", out));
    EXPECT_FALSE(DecodeAllPercent("%4", out));
    EXPECT_FALSE(DecodeAllPercent("%4a", out));  // lower-case digits are not the form
    EXPECT_TRUE(DecodeAllPercent("", out));
    EXPECT_EQ(SignHex("pc2.0"), TestSign("pc2.0"));
}

}  // namespace
}  // namespace nimbrel::sim::test
