// nimbrelctl settings as a script uses it: reading every value or one, changing one so that the
// settings dialog shows it next time, refusing values the dialog could not give, and an account
// file that cannot be read. No service is involved.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "CtlRunner.h"
#include "platform/AtomicFile.h"
#include "platform/UserDirs.h"
#include "service/AccountFile.h"
#include "settings/SettingsFlow.h"
#include "text/JsonText.h"

namespace nimbrel {
namespace {

namespace fs = std::filesystem;

class SettingsCli : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("nimbrel-settings-cli-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        ASSERT_TRUE(AccountFile().Create(dir / "anna_config.xml", {"/v/", "/p/"}));
    }
    void TearDown() override { fs::remove_all(dir); }

    // nimbrelctl with the account folder; `user` empty: the most recent account.
    test::CtlResult Ctl(const std::string& args, const std::string& user = "anna") const {
        const std::string who = user.empty() ? "" : "--user " + user + " ";
        return test::RunCtl("--json " + who + "settings " + args + " --config-dir " + dir.string());
    }
    Json::Value Json(const test::CtlResult& r) const {
        auto json = ParseJsonObject(r.out);
        EXPECT_TRUE(json) << r.out;
        return json.value_or(Json::Value());
    }
    std::string Stored(std::string_view key) const {
        AccountFile file;
        EXPECT_TRUE(file.Load(dir / "anna_config.xml"));
        return file.Setting(key).value_or("<missing>");
    }

    fs::path dir;
};

TEST_F(SettingsCli, SetFileLengthChangesWhatTheDialogShowsNextTime) {
    AppRecord record;
    record.m_ConfigPath = dir / "anna_config.xml";
    ASSERT_TRUE(AccountFile::SaveAccountId(record.m_ConfigPath, "anna", {}));
    {
        AccountFile file;
        ASSERT_TRUE(file.Load(record.m_ConfigPath));
        ASSERT_TRUE(file.SetSetting("FileLength", "40"));
        ASSERT_TRUE(file.Save());
    }
    ASSERT_EQ(SettingsFlow(record).Open().fileLength, 3);

    const auto set = Ctl("set FileLength 20");
    ASSERT_EQ(set.exitCode, 0) << set.out;
    const Json::Value reply = Json(set);
    EXPECT_EQ(reply["status"].asString(), "OK");
    EXPECT_EQ(reply["key"].asString(), "FileLength");
    EXPECT_EQ(reply["value"].asString(), "20");
    EXPECT_EQ(SettingsFlow(record).Open().fileLength, 1);

    ASSERT_EQ(Ctl("set VideoPath /media/Видео/").exitCode, 0);
    ASSERT_EQ(Ctl("set ToTray 1").exitCode, 0);
    const SettingsValues shown = SettingsFlow(record).Open();
    EXPECT_EQ(shown.videoPath, "/media/Видео/");
    EXPECT_TRUE(shown.toTray);
    // What else the file holds is left alone.
    EXPECT_EQ(Stored("ImagePath"), "/p/");
    AccountFile file;
    ASSERT_TRUE(file.Load(record.m_ConfigPath));
    EXPECT_EQ(file.UserAttribute("ID").value_or(""), "anna");
}

TEST_F(SettingsCli, GetReadsEveryValueOrOne) {
    const Json::Value all = Json(Ctl("get"));
    EXPECT_EQ(all["status"].asString(), "OK");
    EXPECT_EQ(all["settings"]["VideoPath"].asString(), "/v/");
    EXPECT_EQ(all["settings"]["FileLength"].asString(), "20");
    EXPECT_EQ(all["settings"]["ShowClose"].asString(), "1");
    EXPECT_EQ(all["settings"]["Update"].asString(), "1");
    EXPECT_EQ(all["settings"].size(), kSettingKeys.size());

    const Json::Value one = Json(Ctl("get ImagePath"));
    EXPECT_EQ(one["value"].asString(), "/p/");
    // Without --user the account used most recently.
    const auto plain = test::RunCtl("settings get AutoPlay --config-dir " + dir.string());
    EXPECT_EQ(plain.exitCode, 0);
    EXPECT_EQ(plain.out, "0\n");
}

TEST_F(SettingsCli, ValuesTheDialogCannotGiveAreRefusedAndNothingChanges) {
    const auto bad = Ctl("set FileLength 25");
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_EQ(Json(bad)["status"].asString(), "INVALID");
    EXPECT_EQ(Ctl("set ShowClose maybe").exitCode, 1);
    EXPECT_EQ(Ctl("set Update 3").exitCode, 1);
    EXPECT_EQ(Stored("FileLength"), "20");
    EXPECT_EQ(Stored("ShowClose"), "1");
    EXPECT_EQ(Stored("Update"), "1");

    EXPECT_EQ(Ctl("set Topmost 1").exitCode, 2);  // not one of the settings
    EXPECT_EQ(Ctl("get Password").exitCode, 2);
    EXPECT_EQ(Ctl("set FileLength").exitCode, 2);
    EXPECT_EQ(Ctl("get", "nobody").exitCode, 1);  // no such account file
}

TEST_F(SettingsCli, AnUnreadableFileIsReportedAndKept) {
    ASSERT_TRUE(WriteFileAtomically(dir / "anna_config.xml", "<other/>"));
    const auto get = Ctl("get");
    EXPECT_EQ(get.exitCode, 1);
    EXPECT_EQ(Json(get)["status"].asString(), "UNREADABLE");
    const auto set = Ctl("set AutoPlay 1");
    EXPECT_EQ(set.exitCode, 1);
    EXPECT_EQ(ReadWholeFile(dir / "anna_config.xml", 4096).value_or(""), "<other/>");
}

TEST_F(SettingsCli, AFolderIsStoredAsAFolderHoweverItIsTyped) {
    ASSERT_EQ(Ctl("set VideoPath /media/videos").exitCode, 0);
    EXPECT_EQ(Stored("VideoPath"), "/media/videos/");
    ASSERT_EQ(Ctl("set ImagePath '~/Снимки'").exitCode, 0);
    EXPECT_EQ(Stored("ImagePath"), (HomeDir() / "Снимки").string() + "/");
    ASSERT_EQ(Ctl("set ImagePath /p/").exitCode, 0);
    EXPECT_EQ(Stored("ImagePath"), "/p/");  // as it was typed: older files read the same

    // A relative folder would mean another place for every working folder: refused.
    const auto relative = Ctl("set VideoPath videos");
    EXPECT_EQ(relative.exitCode, 1);
    EXPECT_EQ(Json(relative)["status"].asString(), "INVALID");
    EXPECT_NE(Json(relative)["message"].asString(), "");
    EXPECT_EQ(Stored("VideoPath"), "/media/videos/");
}

TEST_F(SettingsCli, ProgramsSettingDifferentKeysAtOnceLoseNoChange) {
    // Every key at once from a process of its own, a few rounds with new values each time.
    const std::string ctl = std::getenv("NIMBREL_CTL");
    for (int round = 1; round <= 3; ++round) {
        const std::map<std::string, std::string> values = {
            {"VideoPath", "/v" + std::to_string(round) + "/"},
            {"ImagePath", "/p" + std::to_string(round) + "/"},
            {"FileLength", round % 2 ? "30" : "40"},
            {"ToTray", std::to_string(round % 2)},
            {"ShowClose", std::to_string((round + 1) % 2)},
            {"AutoLogin", std::to_string(round % 2)},
            {"AutoPlay", std::to_string((round + 1) % 2)},
            {"Update", std::to_string(round % 3)},
        };
        std::string script;
        for (const auto& [key, value] : values)
            script += ctl + " --user anna settings set " + key + " " + value + " --config-dir '" +
                      dir.string() + "' >/dev/null 2>&1 || echo FAILED " + key + " &\n";
        script += "wait\n";
        const fs::path file = dir / "at-once.sh";
        ASSERT_TRUE(WriteFileAtomically(file, script));
        FILE* shell = ::popen(("sh '" + file.string() + "'").c_str(), "r");
        ASSERT_NE(shell, nullptr);
        std::string out;
        char buf[256];
        while (std::fgets(buf, sizeof buf, shell)) out += buf;
        ::pclose(shell);
        EXPECT_EQ(out, "") << "round " << round;
        for (const auto& [key, value] : values)
            EXPECT_EQ(Stored(key), value) << key << " of round " << round;
    }
}

}  // namespace
}  // namespace nimbrel
