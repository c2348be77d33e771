// Text from outside as it is read and shown: JSON nested deeper than the reader follows is
// refused rather than followed until the stack gives out, and shown text is cut to a bounded
// length without splitting a character.
#include <gtest/gtest.h>

#include <string>

#include "text/JsonText.h"
#include "text/ShownText.h"

namespace nimbrel {
namespace {

std::string Nested(std::size_t depth, const std::string& open, const std::string& close) {
    std::string text = R"({"status":"OK","x":)";
    for (std::size_t i = 0; i < depth; ++i) text += open;
    text += "1";
    for (std::size_t i = 0; i < depth; ++i) text += close;
    return text + "}";
}

TEST(JsonNesting, DeepTextIsRefusedShallowTextRead) {
    // The reply that used to end the process: an unclosed run of 1,500 arrays.
    EXPECT_FALSE(ParseJsonObject(R"({"status":"OK","x":)" + std::string(1500, '[')));
    EXPECT_FALSE(ParseJsonObject(Nested(1500, "[", "]")));
    EXPECT_FALSE(ParseJsonObject(Nested(200, R"({"a":)", "}")));
    EXPECT_FALSE(ParseJsonObject(Nested(kJsonNestingLimit, "[", "]")));
    const auto shallow = ParseJsonObject(Nested(kJsonNestingLimit - 2, "[", "]"));
    ASSERT_TRUE(shallow);
    EXPECT_EQ((*shallow)["status"].asString(), "OK");
}

TEST(ShownText, LongTextIsCutAtACharacterBoundary) {
    EXPECT_EQ(ShownText("ERRORPSD"), "ERRORPSD");
    EXPECT_EQ(ShownText(std::string(kShownTextBytes, 'x')), std::string(kShownTextBytes, 'x'));
    EXPECT_EQ(ShownText(std::string(200000, 'X')),
              std::string(kShownTextBytes, 'X') + "…(200000 bytes)");
    // A two-byte letter across the limit is left out whole.
    const std::string cyrillic = std::string(kShownTextBytes - 1, 'a') + "Жz";
    EXPECT_EQ(ShownText(cyrillic), std::string(kShownTextBytes - 1, 'a') + "…(66 bytes)");
    EXPECT_EQ(ShownText("abcdef", 3), "abc…(6 bytes)");
}

}  // namespace
}  // namespace nimbrel
