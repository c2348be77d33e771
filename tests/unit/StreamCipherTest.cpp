// Sealed control messages of the stream: layout, padding, member order and refusals.
#include <gtest/gtest.h>

#include "live/StreamCipher.h"
#include "service/crypto/Des.h"
#include "service/crypto/Hex.h"
#include "text/JsonText.h"

namespace nimbrel {
namespace {

int HexLength(const std::string& packet) {
    return static_cast<uint8_t>(packet[1]) | static_cast<uint8_t>(packet[2]) << 8;
}

TEST(StreamCipher, CompactWriterOrdersMembersByName) {
    Json::Value m;
    m["video-playback"] = "0";
    m["type"] = "connect";
    m["umac"] = "demo,00-00-00-00-00-00";
    m["link-type"] = "2";
    m["identity"] = "client";
    m["netType"] = "4";
    m["protocol"] = "v2.0";
    m["sid"] = "S1";
    EXPECT_EQ(CompactJson(m),
              "{\"identity\":\"client\",\"link-type\":\"2\",\"netType\":\"4\",\"protocol\":\"v2.0\","
              "\"sid\":\"S1\",\"type\":\"connect\",\"umac\":\"demo,00-00-00-00-00-00\","
              "\"video-playback\":\"0\"}\n");
}

TEST(StreamCipher, PacketLayoutAndIndependentOpening) {
    Json::Value m;
    m["type"] = "startup";
    std::string packet;
    ASSERT_TRUE(StreamWrap("k9k9", m, packet));
    const std::string text = "{\"type\":\"startup\"}\n";  // 19 bytes, padded to 24
    ASSERT_EQ(HexLength(packet), 48);
    ASSERT_EQ(packet.size(), 8u + 48u);
    EXPECT_EQ(static_cast<uint8_t>(packet[0]), 0x32);
    EXPECT_EQ(packet[7], '\0');
    const std::string salt = packet.substr(3, 4);
    EXPECT_EQ(salt.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_EQ(DesEcbDecrypt("k9k9" + salt, *HexDecode(packet.substr(8))), text + "     ");
    EXPECT_EQ(StreamUnwrap("k9k9", packet), text + "     ");
}

TEST(StreamCipher, WholeBlockTextGetsEightSpaces) {
    Json::Value m;
    m["a"] = "123456789012345";  // {"a":"123456789012345"}\n is 24 bytes
    std::string packet;
    ASSERT_TRUE(StreamWrap("k9k9", m, packet));
    EXPECT_EQ(HexLength(packet), 64);
}

TEST(StreamCipher, DatagramLayout) {
    Json::Value m;
    m["type"] = "punch";
    std::string d;
    ASSERT_TRUE(StreamWrap16("abcd", m, d, 0x07));
    EXPECT_EQ(static_cast<uint8_t>(d[0]), 0x07);
    EXPECT_EQ(d.substr(3, 9), std::string(9, '\0'));
    EXPECT_EQ(d.size(), 16u + HexLength(d));
    const auto plain = StreamUnwrap16("abcd", d);
    ASSERT_TRUE(plain);
    EXPECT_EQ((*ParseJsonObject(*plain))["type"].asString(), "punch");
}

TEST(StreamCipher, OversizeMessagesAreNotWritten) {
    Json::Value m;
    m["x"] = std::string(1000, 'y');  // about 1,010 bytes: fits 2,040 hex characters
    std::string packet;
    EXPECT_TRUE(StreamWrap("k9k9", m, packet));
    m["x"] = std::string(1020, 'y');
    EXPECT_FALSE(StreamWrap("k9k9", m, packet));
}

TEST(StreamCipher, BrokenPacketsAreRefused) {
    Json::Value m;
    m["cmd"] = "close";
    std::string packet;
    ASSERT_TRUE(StreamWrap("k9k9", m, packet));
    EXPECT_FALSE(StreamUnwrap("k9k9", packet.substr(0, 7)));             // short header
    EXPECT_FALSE(StreamUnwrap("k9k9", packet.substr(0, packet.size() - 1)));  // short body
    std::string negative = packet;
    negative[2] = '\x80';  // signed length below zero
    EXPECT_FALSE(StreamUnwrap("k9k9", negative));
    std::string huge = packet;
    huge[1] = '\xfa';
    huge[2] = '\x07';  // 2042 characters announced
    huge.resize(8 + 2042, '0');
    EXPECT_FALSE(StreamUnwrap("k9k9", huge));
    std::string notHex = packet;
    notHex[9] = 'z';
    EXPECT_FALSE(StreamUnwrap("k9k9", notHex));
}

}  // namespace
}  // namespace nimbrel
