#include "media/ParameterSets.h"

#include <gtest/gtest.h>

#include <string>

#include "text/Base64.h"

namespace nimbrel {
namespace {

std::string Nal(std::size_t size) {
    std::string nal(size, '\0');
    for (std::size_t i = 0; i < size; ++i) nal[i] = static_cast<char>(0x67 + i * 13);
    return nal;
}

TEST(ParameterSets, RecordHoldsStartCodeNalAndLength) {
    for (std::size_t size : {std::size_t{0}, std::size_t{9}, std::size_t{59}}) {
        const std::string nal = Nal(size);
        const auto record = ParameterSetRecord::FromBase64(Base64Encode(nal));
        ASSERT_TRUE(record) << size;
        const auto& b = record->bytes;
        EXPECT_EQ(b[0], 0);
        EXPECT_EQ(b[1], 0);
        EXPECT_EQ(b[2], 0);
        EXPECT_EQ(b[3], 1);
        EXPECT_EQ(std::string(b.begin() + 4, b.begin() + 4 + size), nal);
        // Unused room stays zero; the last byte is the NAL length.
        for (std::size_t i = 4 + size; i < 63; ++i) EXPECT_EQ(b[i], 0) << i;
        EXPECT_EQ(b[63], size);
        EXPECT_EQ(record->NalLength(), size);
        EXPECT_EQ(record->AnnexBLength(), size + 4);
        EXPECT_EQ(record->AnnexB(), b.data());
    }
}

TEST(ParameterSets, RefusesTooLongOrInvalidText) {
    EXPECT_FALSE(ParameterSetRecord::FromBase64(Base64Encode(Nal(60))));
    EXPECT_FALSE(ParameterSetRecord::FromBase64(Base64Encode(Nal(200))));
    EXPECT_FALSE(ParameterSetRecord::FromBase64("Z0IAHpWoFAFuQA="));   // length not 4k
    EXPECT_FALSE(ParameterSetRecord::FromBase64("Z0IAHpWo*AFuQA=="));  // not the alphabet
    EXPECT_FALSE(ParameterSetRecord::FromBase64("Z0IA HpWoFAFuQA="));
}

}  // namespace
}  // namespace nimbrel
