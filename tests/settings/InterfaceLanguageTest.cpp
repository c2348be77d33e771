// The language of the program's windows: the codes, the choice kept beside the account files
// (what is missing, unknown or too long means Russian), NIMBREL_LANG over the stored choice, and
// the settings dialog's flow reading and saving it, a failed save changing nothing.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/AtomicFile.h"
#include "service/AccountFile.h"
#include "settings/InterfaceLanguage.h"
#include "settings/SettingsFlow.h"

namespace nimbrel {
namespace {

namespace fs = std::filesystem;

class InterfaceLanguageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("nimbrel-language-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    void Write(const std::string& bytes) const {
        std::ofstream(dir / kLanguageFileName, std::ios::binary) << bytes;
    }

    fs::path dir;
};

TEST_F(InterfaceLanguageTest, TheStoredChoiceIsReadBackAndAnythingElseMeansRussian) {
    EXPECT_EQ(StoredLanguage(dir), InterfaceLanguage::Russian);  // nothing stored
    ASSERT_TRUE(StoreLanguage(dir, InterfaceLanguage::English));
    EXPECT_EQ(ReadWholeFile(dir / kLanguageFileName, 64), "en\n");
    EXPECT_EQ(StoredLanguage(dir), InterfaceLanguage::English);
    ASSERT_TRUE(StoreLanguage(dir, InterfaceLanguage::Russian));
    EXPECT_EQ(StoredLanguage(dir), InterfaceLanguage::Russian);

    Write(" en \r\n");
    EXPECT_EQ(StoredLanguage(dir), InterfaceLanguage::English);
    for (const std::string bad : {"de", "", "english", "EN", "en en"}) {
        Write(bad);
        EXPECT_EQ(StoredLanguage(dir), InterfaceLanguage::Russian) << bad;
    }
    Write("en" + std::string(100, ' '));  // longer than any choice the program writes
    EXPECT_EQ(StoredLanguage(dir), InterfaceLanguage::Russian);
    fs::remove(dir / kLanguageFileName);
    fs::create_directory(dir / kLanguageFileName);  // not a regular file
    EXPECT_EQ(StoredLanguage(dir), InterfaceLanguage::Russian);
    EXPECT_EQ(StoredLanguage({}), InterfaceLanguage::Russian);
    EXPECT_FALSE(StoreLanguage({}, InterfaceLanguage::English));
    EXPECT_FALSE(StoreLanguage(dir / "missing", InterfaceLanguage::English));
}

TEST_F(InterfaceLanguageTest, TheEnvironmentWinsOverTheStoredChoiceWhenItNamesALanguage) {
    ASSERT_TRUE(StoreLanguage(dir, InterfaceLanguage::English));
    EXPECT_EQ(StartupLanguage(nullptr, dir), InterfaceLanguage::English);
    EXPECT_EQ(StartupLanguage("ru", dir), InterfaceLanguage::Russian);
    EXPECT_EQ(StartupLanguage("fr", dir), InterfaceLanguage::English);  // unknown: the stored
    ASSERT_TRUE(StoreLanguage(dir, InterfaceLanguage::Russian));
    EXPECT_EQ(StartupLanguage("en", dir), InterfaceLanguage::English);
    EXPECT_EQ(StartupLanguage("", dir), InterfaceLanguage::Russian);
}

TEST_F(InterfaceLanguageTest, TheSettingsFlowShowsAndSavesTheChoiceBesideTheAccountFile) {
    AppRecord record;
    InitAppRecord(record);
    record.m_ConfigPath = dir / "anna_config.xml";
    ASSERT_TRUE(AccountFile().Create(record.m_ConfigPath, {"/v/", "/p/"}));
    SettingsFlow::Options options;
    options.autostartEntry = dir / "autostart" / "nimbrel.desktop";
    SettingsFlow flow(record, options);

    SettingsValues values = flow.Open();
    EXPECT_EQ(values.language, InterfaceLanguage::Russian);
    ASSERT_EQ(flow.Save(values), SettingsSaveResult::Saved);
    EXPECT_FALSE(fs::exists(dir / kLanguageFileName));  // an unchanged choice writes nothing

    values.language = InterfaceLanguage::English;
    ASSERT_EQ(flow.Save(values), SettingsSaveResult::Saved);
    EXPECT_EQ(StoredLanguage(dir), InterfaceLanguage::English);
    EXPECT_EQ(flow.Open().language, InterfaceLanguage::English);
}

TEST_F(InterfaceLanguageTest, AChoiceThatCannotBeWrittenSavesNothing) {
    AppRecord record;
    InitAppRecord(record);
    record.m_ConfigPath = dir / "anna_config.xml";
    ASSERT_TRUE(AccountFile().Create(record.m_ConfigPath, {"/v/", "/p/"}));
    const std::string before = ReadWholeFile(record.m_ConfigPath, 1 << 20).value();
    // A folder in the choice's place: the atomic rename over it fails.
    fs::create_directory(dir / kLanguageFileName);
    fs::create_directory(dir / kLanguageFileName / "keep");
    SettingsFlow::Options options;
    options.autostartEntry = dir / "autostart" / "nimbrel.desktop";
    SettingsFlow flow(record, options);
    SettingsValues values = flow.Open();
    values.language = InterfaceLanguage::English;
    values.autoPlay = !values.autoPlay;
    EXPECT_EQ(flow.Save(values), SettingsSaveResult::NotSaved);
    EXPECT_EQ(ReadWholeFile(record.m_ConfigPath, 1 << 20).value(), before);
}

}  // namespace
}  // namespace nimbrel
