// Starting with the session: the XDG autostart entry's content, its switching on and off, and
// how an existing entry is read.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/AtomicFile.h"
#include "platform/Autostart.h"

namespace nimbrel {
namespace {

namespace fs = std::filesystem;

class AutostartTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("nimbrel-autostart-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        entry = dir / "autostart" / "nimbrel.desktop";
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string Read() const { return ReadWholeFile(entry, 1 << 16).value_or(""); }
    void Write(const std::string& text) const {
        fs::create_directories(entry.parent_path());
        std::ofstream(entry) << text;
    }

    fs::path dir;
    fs::path entry;
};

TEST_F(AutostartTest, SwitchingOnWritesAnEntryThatRunsTheExecutable) {
    ASSERT_TRUE(SetAutostart(true, entry, "/opt/nimbrel/nimbrel"));
    const std::string text = Read();
    EXPECT_EQ(text.rfind("[Desktop Entry]\n", 0), 0u) << text;
    EXPECT_NE(text.find("\nType=Application\n"), std::string::npos);
    EXPECT_NE(text.find("\nName=Farlo клиент\n"), std::string::npos);
    EXPECT_NE(text.find("\nExec=/opt/nimbrel/nimbrel\n"), std::string::npos);
    EXPECT_TRUE(IsAutostart(entry));
}

TEST_F(AutostartTest, WithoutAnExecutableTheRunningOneIsWritten) {
    ASSERT_TRUE(SetAutostart(true, entry));
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    EXPECT_NE(Read().find("\nExec=" + QuoteExecArgument(self) + "\n"), std::string::npos);
}

TEST_F(AutostartTest, SwitchingOffDeletesTheEntryAndFailsWhenThereIsNone) {
    ASSERT_TRUE(SetAutostart(true, entry, "/usr/bin/nimbrel"));
    EXPECT_TRUE(SetAutostart(false, entry));
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_FALSE(IsAutostart(entry));
    EXPECT_FALSE(SetAutostart(false, entry));
}

TEST_F(AutostartTest, AnEntryThatIsEmptyHiddenOrDisabledDoesNotStartTheProgram) {
    Write("[Desktop Entry]\nType=Application\nName=Farlo клиент\nExec=\n");
    EXPECT_FALSE(IsAutostart(entry));
    Write("[Desktop Entry]\nExec=/usr/bin/nimbrel\nHidden=true\n");
    EXPECT_FALSE(IsAutostart(entry));
    Write("[Desktop Entry]\nExec=/usr/bin/nimbrel\nX-GNOME-Autostart-enabled=false\n");
    EXPECT_FALSE(IsAutostart(entry));
    // An Exec of another group does not count.
    Write("[Desktop Action x]\nExec=/usr/bin/nimbrel\n[Desktop Entry]\nName=x\n");
    EXPECT_FALSE(IsAutostart(entry));
    Write("# comment\r\n[Desktop Entry]\r\nExec = /usr/bin/nimbrel\r\n");
    EXPECT_TRUE(IsAutostart(entry));
}

TEST_F(AutostartTest, AFolderWhereTheEntryShouldBeMakesSwitchingOnFail) {
    fs::create_directories(entry);  // a folder in the entry's place
    EXPECT_FALSE(SetAutostart(true, entry, "/usr/bin/nimbrel"));
    EXPECT_FALSE(IsAutostart(entry));
}

TEST_F(AutostartTest, TheEntryLivesInTheConfigurationHome) {
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = old ? old : "";
    ::setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    EXPECT_EQ(AutostartEntryPath(), dir / "autostart" / "nimbrel.desktop");
    ASSERT_TRUE(SetAutostart(true));
    EXPECT_TRUE(IsAutostart());
    EXPECT_TRUE(SetAutostart(false));
    if (old)
        ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
}

TEST(AutostartExec, PathsWithReservedCharactersAreQuoted) {
    EXPECT_EQ(QuoteExecArgument("/usr/bin/nimbrel"), "/usr/bin/nimbrel");
    EXPECT_EQ(QuoteExecArgument("/home/anna/My Apps/nimbrel"), "\"/home/anna/My Apps/nimbrel\"");
    // Inside quotes \" \` \$ \\ are escaped, and every backslash is then doubled.
    EXPECT_EQ(QuoteExecArgument("/a$b/nimbrel"), "\"/a\\\\$b/nimbrel\"");
    EXPECT_EQ(QuoteExecArgument("/a\"b"), "\"/a\\\\\"b\"");
    EXPECT_EQ(QuoteExecArgument("/a\\b"), "\"/a\\\\\\\\b\"");
}

}  // namespace
}  // namespace nimbrel
