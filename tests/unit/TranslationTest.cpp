// The core's texts in the user's language: the placeholders a translation may move, the core's
// flows as written without a translator and translated with one, and the English catalogue in
// the repository complete (every message translated, the same placeholders on both sides).
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <map>
#include <set>
#include <string>

#include "settings/SettingKeys.h"
#include "settings/SettingsFlow.h"
#include "text/Translation.h"
#include "wall/PaneHealth.h"

namespace nimbrel {
namespace {

using text::Format;

TEST(TranslationFormat, ArgumentsGoWhereThePatternPutsThem) {
    EXPECT_EQ(Format("%1 of %2", {"3", "5"}), "3 of 5");
    EXPECT_EQ(Format("%2, then %1", {"a", "b"}), "b, then a");
    EXPECT_EQ(Format("%1%1", {"x"}), "xx");
    // A number without an argument, a lone or final percent sign and %0 stay as written.
    EXPECT_EQ(Format("%1 %3 %", {"a", "b"}), "a %3 %");
    EXPECT_EQ(Format("100% %0", {"a"}), "100% %0");
    // An argument that holds a placeholder is not expanded again.
    EXPECT_EQ(Format("%1-%2", {"%2", "b"}), "%2-b");
}

class TranslationHook : public ::testing::Test {
  protected:
    void TearDown() override { text::SetTranslator(nullptr); }
    // A translator that knows a few of the core's texts.
    static std::string Fake(const char* context, const char* source) {
        static const std::map<std::string, std::string> known = {
            {"Текущая версия %1.%2", "Current version %1.%2"},
            {"Путь к папке длиннее %1 символов", "The folder path is longer than %1 characters"},
            {"%1\nМаршрут: %2", "%1\nRoute: %2"},
            {"Через ретранслятор", "Relayed"},
        };
        if (std::string(context) != text::kCoreContext) return source;
        const auto found = known.find(source);
        return found == known.end() ? source : found->second;
    }
};

TEST_F(TranslationHook, WithoutATranslatorTheCoresTextsStayAsWritten) {
    EXPECT_EQ(SettingsFlow::VersionText(2, 1), "Текущая версия 2.1");
    EXPECT_EQ(RefuseSettingValue("VideoPath", std::string(300, 'a')),
              "Путь к папке длиннее 259 символов");
    EXPECT_EQ(PaneToolTip("Гараж", kDeviceRelay), "Гараж\nМаршрут: Через ретранслятор");
    EXPECT_EQ(text::Tr(text::kCoreContext, "Гараж"), "Гараж");
}

TEST_F(TranslationHook, WithATranslatorTheCoresFlowsHandOverTranslatedTexts) {
    text::SetTranslator(&Fake);
    EXPECT_EQ(SettingsFlow::VersionText(2, 1), "Current version 2.1");
    EXPECT_EQ(RefuseSettingValue("VideoPath", std::string(300, 'a')),
              "The folder path is longer than 259 characters");
    EXPECT_EQ(PaneToolTip("Гараж", kDeviceRelay), "Гараж\nRoute: Relayed");
    // A text the catalogue does not know (a name the user gave) stays as it is.
    EXPECT_EQ(text::Tr(text::kCoreContext, "Гараж"), "Гараж");
    text::SetTranslator(nullptr);
    EXPECT_EQ(SettingsFlow::VersionText(2, 1), "Текущая версия 2.1");
}

// The placeholders %1…%9 of a text, as a set (a translation may reorder them).
std::multiset<char> Placeholders(const std::string& text) {
    std::multiset<char> found;
    for (std::size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] == '%' && text[i + 1] >= '1' && text[i + 1] <= '9') found.insert(text[i + 1]);
    return found;
}

TEST(TranslationCatalogue, EveryEnglishMessageIsTranslatedWithTheSamePlaceholders) {
    pugi::xml_document catalogue;
    ASSERT_TRUE(catalogue.load_file(NIMBREL_TS_FILE)) << NIMBREL_TS_FILE;
    const pugi::xml_node root = catalogue.child("TS");
    EXPECT_STREQ(root.attribute("language").value(), "en");
    EXPECT_STREQ(root.attribute("sourcelanguage").value(), "ru_RU");
    int messages = 0;
    for (const pugi::xml_node context : root.children("context")) {
        const std::string name = context.child_value("name");
        for (const pugi::xml_node message : context.children("message")) {
            ++messages;
            const std::string source = message.child_value("source");
            const pugi::xml_node translation = message.child("translation");
            SCOPED_TRACE(name + ": " + source);
            EXPECT_STREQ(translation.attribute("type").value(), "");  // not unfinished, not gone
            const std::string english = translation.child_value();
            EXPECT_FALSE(english.empty());
            EXPECT_EQ(Placeholders(english), Placeholders(source));
        }
    }
    EXPECT_GT(messages, 200);
}

}  // namespace
}  // namespace nimbrel
