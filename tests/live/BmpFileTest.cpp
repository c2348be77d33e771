// Snapshot bitmaps: header fields and bottom-up, 4-byte-aligned rows.
#include <gtest/gtest.h>

#include "media/BmpFile.h"

namespace nimbrel {
namespace {

uint32_t U32(const std::string& b, std::size_t at) {
    return static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8 |
           static_cast<uint8_t>(b[at + 2]) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
}

TEST(BmpFile, HeaderAndRowOrder) {
    // 3 × 2 picture: top row red, bottom row blue (BGR order).
    const uint8_t pixels[] = {0, 0, 255, 0, 0, 255, 0, 0, 255,  //
                              255, 0, 0, 255, 0, 0, 255, 0, 0};
    const std::string bmp = EncodeBmp24(3, 2, pixels, 9);
    ASSERT_EQ(bmp.substr(0, 2), "BM");
    const std::size_t row = 12;  // 9 bytes padded to 12
    EXPECT_EQ(bmp.size(), 54 + 2 * row);
    EXPECT_EQ(U32(bmp, 2), bmp.size());
    EXPECT_EQ(U32(bmp, 10), 54u);
    EXPECT_EQ(U32(bmp, 18), 3u);
    EXPECT_EQ(U32(bmp, 22), 2u);
    EXPECT_EQ(static_cast<uint8_t>(bmp[28]), 24);
    // The first stored row is the picture's bottom row.
    EXPECT_EQ(static_cast<uint8_t>(bmp[54]), 255);       // blue
    EXPECT_EQ(static_cast<uint8_t>(bmp[54 + row + 2]), 255);  // red
    EXPECT_TRUE(EncodeBmp24(0, 2, pixels, 9).empty());
}

TEST(BmpFile, FourBytePixelsLoseTheirFourthByte) {
    const uint8_t pixels[] = {1, 2, 3, 255, 4, 5, 6, 255};  // one row of two pixels
    const std::string bmp = EncodeBmp24(2, 1, pixels, 8, 4);
    ASSERT_EQ(bmp.size(), 54u + 8);
    EXPECT_EQ(bmp.substr(54, 6), std::string("\x01\x02\x03\x04\x05\x06"));
    EXPECT_TRUE(EncodeBmp24(2, 1, pixels, 8, 2).empty());
}

}  // namespace
}  // namespace nimbrel
