// The rename dialog's length rule and the encoding of names for the service.
#include <gtest/gtest.h>

#include "devices/DeviceOperations.h"

namespace nimbrel {
namespace {

TEST(DeviceName, ThirtyUnitsAcceptedThirtyOneRefused) {
    EXPECT_FALSE(CheckDeviceName(std::string(30, 'a')));
    EXPECT_EQ(CheckDeviceName(std::string(31, 'a')), kRenameTooLongMessage);
    std::string cyrillic;
    for (int i = 0; i < 30; ++i) cyrillic += "ж";  // 60 bytes, 30 units
    EXPECT_FALSE(CheckDeviceName(cyrillic));
    EXPECT_TRUE(CheckDeviceName(cyrillic + "ж"));
    // A character past U+FFFF takes two units.
    EXPECT_TRUE(CheckDeviceName(std::string(29, 'a') + "\xF0\x9F\x93\xB7"));
    EXPECT_FALSE(CheckDeviceName(std::string(28, 'a') + "\xF0\x9F\x93\xB7"));
}

TEST(DeviceName, EveryUtf8ByteIsPercentEncoded) {
    EXPECT_EQ(PercentEncodeName("Ab"), "%41%62");
    EXPECT_EQ(PercentEncodeName("Ж"), "%D0%96");  // a two-byte letter gives six characters
    EXPECT_EQ(PercentEncodeName(""), "");
}

}  // namespace
}  // namespace nimbrel
