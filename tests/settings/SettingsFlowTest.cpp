// The settings dialog's flow: what the pages show for an account file, saving every value with
// the record and autostart following, reading it all back, a file that cannot be read or written
// (nothing changes), the automatic folders, the open button's folders, and the value checks
// that nimbrelctl applies.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/AtomicFile.h"
#include "platform/Autostart.h"
#include "platform/UserDirs.h"
#include "service/AccountStore.h"
#include "service/MediaSettings.h"
#include "settings/InterfaceLanguage.h"
#include "settings/SettingsFlow.h"

namespace nimbrel {
namespace {

namespace fs = std::filesystem;

class SettingsFlowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("nimbrel-settings-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        options.autostartEntry = dir / "autostart" / "nimbrel.desktop";
        options.executable = "/opt/nimbrel/nimbrel";
        options.folders = {"/home/anna/Videos/VideoFile/", "/home/anna/Pictures/ImageFile/"};
        InitAppRecord(record);
        record.m_ConfigPath = dir / "anna_config.xml";
        ASSERT_TRUE(AccountFile().Create(record.m_ConfigPath, {"/v/", "/p/"}));
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string Stored(std::string_view key) const {
        AccountFile file;
        EXPECT_TRUE(file.Load(record.m_ConfigPath));
        return file.Setting(key).value_or("<missing>");
    }
    void Store(std::string_view key, std::string_view value) const {
        AccountFile file;
        ASSERT_TRUE(file.Load(record.m_ConfigPath));
        ASSERT_TRUE(file.SetSetting(key, value));
        ASSERT_TRUE(file.Save());
    }
    std::string FileBytes() const { return ReadWholeFile(record.m_ConfigPath, 1 << 20).value(); }

    fs::path dir;
    AppRecord record;
    SettingsFlow::Options options;
};

TEST_F(SettingsFlowTest, ANewAccountFileOpensWithItsDefaults) {
    const SettingsValues v = SettingsFlow(record, options).Open();
    EXPECT_TRUE(v.loaded);
    EXPECT_EQ(v.videoPath, "/v/");
    EXPECT_EQ(v.imagePath, "/p/");
    EXPECT_EQ(v.fileLength, 1);  // "20"
    EXPECT_FALSE(v.toTray);      // "Выйти"
    EXPECT_TRUE(v.showClose);
    EXPECT_FALSE(v.autoLogin);
    EXPECT_FALSE(v.autoPlay);
    EXPECT_FALSE(v.autostart);
    EXPECT_EQ(v.update, 1);
}

TEST_F(SettingsFlowTest, EveryValueIsSavedReadBackAndTakenByTheRecord) {
    SettingsFlow flow(record, options);
    SettingsValues v = flow.Open();
    v.videoPath = "/media/clips/";
    v.imagePath = "/media/Снимки/";
    v.fileLength = 3;
    v.toTray = true;
    v.showClose = false;
    v.autoLogin = true;
    v.autoPlay = true;
    v.autostart = true;
    v.update = 2;
    ASSERT_EQ(flow.Save(v), SettingsSaveResult::Saved);

    EXPECT_EQ(Stored("VideoPath"), "/media/clips/");
    EXPECT_EQ(Stored("ImagePath"), "/media/Снимки/");
    EXPECT_EQ(Stored("FileLength"), "40");
    EXPECT_EQ(Stored("ToTray"), "1");
    EXPECT_EQ(Stored("ShowClose"), "0");
    EXPECT_EQ(Stored("AutoLogin"), "1");
    EXPECT_EQ(Stored("AutoPlay"), "1");
    EXPECT_EQ(Stored("Update"), "2");
    // The record follows at once (the next recording file, the next close request) ...
    EXPECT_EQ(record.VideoPath, "/media/clips/");
    EXPECT_EQ(record.ImagePath, "/media/Снимки/");
    EXPECT_EQ(record.FileLength, 40);
    EXPECT_EQ(record.ToTray, 1);
    EXPECT_EQ(record.ShowClose, 0);
    EXPECT_EQ(record.AutoLogin, 1);
    EXPECT_EQ(record.AutoPlay, 1);
    // ... except the update choice, which nothing acts on after start-up.
    EXPECT_EQ(record.Update, 0);
    EXPECT_TRUE(IsAutostart(options.autostartEntry));
    EXPECT_NE(ReadWholeFile(options.autostartEntry, 4096)->find("Exec=/opt/nimbrel/nimbrel\n"),
              std::string::npos);

    // The next opening reads it all back; unticking autostart removes the entry.
    SettingsValues again = SettingsFlow(record, options).Open();
    EXPECT_EQ(again.videoPath, "/media/clips/");
    EXPECT_EQ(again.imagePath, "/media/Снимки/");
    EXPECT_EQ(again.fileLength, 3);
    EXPECT_TRUE(again.toTray);
    EXPECT_FALSE(again.showClose);
    EXPECT_TRUE(again.autoLogin);
    EXPECT_TRUE(again.autoPlay);
    EXPECT_TRUE(again.autostart);
    EXPECT_EQ(again.update, 2);
    again.autostart = false;
    again.toTray = false;
    ASSERT_EQ(flow.Save(again), SettingsSaveResult::Saved);
    EXPECT_FALSE(fs::exists(options.autostartEntry));
    EXPECT_EQ(Stored("ToTray"), "0");
}

TEST_F(SettingsFlowTest, StoredTextsSelectTheirChoices) {
    Store("FileLength", "30");
    Store("ToTray", "");
    Store("Update", "0");
    SettingsFlow flow(record, options);
    SettingsValues v = flow.Open();
    EXPECT_EQ(v.fileLength, 2);
    EXPECT_FALSE(v.toTray);  // an empty ToTray selects "Выйти" ...
    EXPECT_EQ(v.update, 0);
    ASSERT_EQ(flow.Save(v), SettingsSaveResult::Saved);
    EXPECT_EQ(Stored("ToTray"), "0");  // ... and is saved as "0"

    // An update choice the page does not know selects none, and none is written back.
    Store("Update", "7");
    Store("FileLength", "25");
    v = flow.Open();
    EXPECT_EQ(v.update, -1);
    EXPECT_EQ(v.fileLength, -1);
    ASSERT_EQ(flow.Save(v), SettingsSaveResult::Saved);
    EXPECT_EQ(Stored("Update"), "7");
    EXPECT_EQ(Stored("FileLength"), "");
    EXPECT_EQ(record.FileLength, 0);

    EXPECT_EQ(SettingsFlow::FileLengthIndex("10"), 0);
    EXPECT_EQ(SettingsFlow::FileLengthIndex("3"), 2);  // the item that begins with it
    EXPECT_EQ(SettingsFlow::FileLengthIndex(""), 0);
    EXPECT_EQ(SettingsFlow::FileLengthIndex("200"), -1);
    EXPECT_EQ(SettingsFlow::FileLengthIndex("5"), -1);
}

TEST_F(SettingsFlowTest, FoldersAreCutTo259Units) {
    SettingsValues v = SettingsFlow(record, options).Open();
    v.videoPath = "/" + std::string(300, 'a');
    // Two-byte characters across the limit: units are counted, not bytes.
    v.imagePath = std::string(256, 'a') + "яяяя" + std::string(40, 'a');
    const auto file = SettingsFlow::FileValues(v);
    EXPECT_EQ(file[0].value.size(), 259u);
    EXPECT_EQ(file[1].value, std::string(256, 'a') + "яяя");
}

TEST_F(SettingsFlowTest, ATypedFolderIsStoredAsAFolderAndARelativeOneIsRefused) {
    SettingsFlow flow(record, options);
    SettingsValues v = flow.Open();
    v.videoPath = "/media/clips";  // typed without "/"
    v.imagePath = "~/Снимки";
    ASSERT_EQ(flow.Save(v), SettingsSaveResult::Saved);
    EXPECT_EQ(Stored("VideoPath"), "/media/clips/");
    EXPECT_EQ(Stored("ImagePath"), (HomeDir() / "Снимки").string() + "/");
    EXPECT_EQ(record.VideoPath, "/media/clips/");

    const std::string bytes = FileBytes();
    v.videoPath = "clips";
    EXPECT_EQ(flow.Save(v), SettingsSaveResult::Refused);
    EXPECT_NE(flow.Refusal().find("clips"), std::string::npos) << flow.Refusal();
    EXPECT_EQ(FileBytes(), bytes);  // nothing written
    EXPECT_EQ(record.VideoPath, "/media/clips/");
}

TEST_F(SettingsFlowTest, RetentionLimitsThatDoNotReadAreRefusedAsTheCommandLineRefusesThem) {
    SettingsFlow flow(record, options);
    SettingsValues v = flow.Open();
    v.archiveDays = "7";
    v.archiveSize = "20%";
    ASSERT_EQ(flow.Save(v), SettingsSaveResult::Saved);
    EXPECT_EQ(flow.Refusal(), "");
    EXPECT_EQ(Stored("ArchiveDays"), "7");
    EXPECT_EQ(record.ArchiveSize, "20%");

    // Refused before anything is written: the account file, the record and the language stay.
    const std::string bytes = FileBytes();
    const InterfaceLanguage language = StoredLanguage(dir);
    v.language = language == InterfaceLanguage::English ? InterfaceLanguage::Russian
                                                        : InterfaceLanguage::English;
    v.archiveDays = "3651";
    EXPECT_EQ(flow.Save(v), SettingsSaveResult::Refused);
    EXPECT_EQ(flow.Refusal(), *RefuseSettingValue("ArchiveDays", "3651"));
    v.archiveDays = "2";
    v.archiveSize = "100%";  // all of the disk
    EXPECT_EQ(flow.Save(v), SettingsSaveResult::Refused);
    EXPECT_EQ(flow.Refusal(), *RefuseSettingValue("ArchiveSize", "100%"));
    // A relative folder and a bad limit at once: one refusal, the folder's.
    v.videoPath = "clips";
    EXPECT_EQ(flow.Save(v), SettingsSaveResult::Refused);
    EXPECT_EQ(flow.Refusal(), *RefuseSettingValue("VideoPath", "clips"));
    EXPECT_EQ(FileBytes(), bytes);
    EXPECT_EQ(StoredLanguage(dir), language);
    EXPECT_EQ(record.ArchiveDays, "7");
    EXPECT_EQ(record.ArchiveSize, "20%");

    // Corrected, the save goes through and the last refusal is forgotten.
    v.videoPath = "/media/clips/";
    v.archiveSize = "1.5";
    ASSERT_EQ(flow.Save(v), SettingsSaveResult::Saved);
    EXPECT_EQ(flow.Refusal(), "");
    EXPECT_EQ(Stored("ArchiveDays"), "2");
    EXPECT_EQ(Stored("ArchiveSize"), "1.5");
}

TEST_F(SettingsFlowTest, AnUnreadableFileOpensEmptyAndIsNeverWritten) {
    WriteFileAtomically(record.m_ConfigPath, "not xml at all <");
    SettingsFlow flow(record, options);
    const SettingsValues v = flow.Open();
    EXPECT_FALSE(v.loaded);
    EXPECT_TRUE(v.videoPath.empty());
    EXPECT_EQ(v.fileLength, -1);
    EXPECT_EQ(v.update, -1);

    SettingsValues changed = v;
    changed.videoPath = "/elsewhere/";
    changed.fileLength = 0;
    changed.autostart = true;
    const AppRecord before = record;
    EXPECT_EQ(flow.Save(changed), SettingsSaveResult::Unreadable);
    EXPECT_EQ(FileBytes(), "not xml at all <");
    EXPECT_EQ(record.VideoPath, before.VideoPath);
    EXPECT_EQ(record.FileLength, before.FileLength);
    EXPECT_FALSE(fs::exists(options.autostartEntry));
}

TEST_F(SettingsFlowTest, AFileThatCannotBeReplacedKeepsItsContentAndTheRecordItsValues) {
    // The new file is written beside the old one and renamed over it; a name too long for that
    // temporary file makes the write fail even for a user whom permissions do not stop.
    const fs::path longName = dir / (std::string(250, 'x') + ".xml");
    fs::copy_file(record.m_ConfigPath, longName);
    record.m_ConfigPath = longName;
    const std::string bytes = FileBytes();
    SettingsFlow flow(record, options);
    SettingsValues v = flow.Open();
    ASSERT_TRUE(v.loaded);
    v.videoPath = "/elsewhere/";
    v.toTray = true;
    v.autostart = true;
    const AppRecord before = record;
    EXPECT_EQ(flow.Save(v), SettingsSaveResult::NotSaved);
    EXPECT_EQ(FileBytes(), bytes);
    EXPECT_EQ(record.VideoPath, before.VideoPath);
    EXPECT_EQ(record.ToTray, before.ToTray);
    EXPECT_FALSE(fs::exists(options.autostartEntry));
}

// A save of the settings while another part of the program changes the same file (the tree,
// the login) takes its turn: neither loses the other's change.
TEST_F(SettingsFlowTest, SavesBesideAnotherWriterLoseNothing) {
    constexpr int kRounds = 60;
    std::thread other([&] {
        for (int i = 1; i <= kRounds; ++i)
            ASSERT_TRUE(AccountStore::For(record.m_ConfigPath).Change([](AccountFile& file) {
                const int count = std::stoi(file.UserAttribute("Count").value_or("0"));
                return file.SetUserAttribute("Count", std::to_string(count + 1));
            }));
    });
    for (int i = 0; i < kRounds; ++i)
        ASSERT_EQ(SaveSettings(record.m_ConfigPath,
                               {{"FileLength", i % 2 ? "30" : "40"}, {"AutoPlay", "1"}}, record),
                  SettingsSaveResult::Saved);
    other.join();
    AccountFile file;
    ASSERT_TRUE(file.Load(record.m_ConfigPath));
    EXPECT_EQ(file.UserAttribute("Count"), std::to_string(kRounds));
    EXPECT_EQ(file.Setting("FileLength"), "30");
    EXPECT_EQ(file.Setting("AutoPlay"), "1");
}

// A camera that begins a recording while the settings are saved sees the folder and the length
// of one save, never the folder of one and the length of the other.
TEST_F(SettingsFlowTest, CamerasReadingTheFoldersMeanwhileSeeOneSave) {
    const std::vector<SettingValue> first = {{"VideoPath", "/first/"}, {"FileLength", "10"}};
    const std::vector<SettingValue> second = {{"VideoPath", "/second/"}, {"FileLength", "40"}};
    ASSERT_EQ(SaveSettings(record.m_ConfigPath, first, record), SettingsSaveResult::Saved);
    std::atomic<bool> saving{true};
    int mixed = 0;
    std::thread camera([&] {
        while (saving) {
            const MediaSettings seen = ReadMediaSettings(record);
            if ((seen.videoPath == "/first/") != (seen.fileLength == 10)) ++mixed;
        }
    });
    for (int i = 0; i < 40; ++i)
        ASSERT_EQ(SaveSettings(record.m_ConfigPath, i % 2 ? first : second, record),
                  SettingsSaveResult::Saved);
    saving = false;
    camera.join();
    EXPECT_EQ(mixed, 0);
}

TEST_F(SettingsFlowTest, AutomaticFoldersAndTheFoldersTheOpenButtonMakes) {
    SettingsFlow flow(record, options);
    EXPECT_EQ(flow.AutomaticFolder(FolderKind::Video), "/home/anna/Videos/VideoFile/");
    EXPECT_EQ(flow.AutomaticFolder(FolderKind::Image), "/home/anna/Pictures/ImageFile/");
    options.folders = {};
    EXPECT_FALSE(SettingsFlow(record, options).AutomaticFolder(FolderKind::Video));

    EXPECT_EQ(SettingsFlow::WithTrailingSlash("/media/Clips"), "/media/Clips/");
    EXPECT_EQ(SettingsFlow::WithTrailingSlash("/media/Clips/"), "/media/Clips/");

    const fs::path deep = dir / "a" / "b" / "c";
    EXPECT_TRUE(SettingsFlow::MakeFolder(deep.string() + "/"));
    EXPECT_TRUE(fs::is_directory(deep));
    EXPECT_TRUE(SettingsFlow::MakeFolder(deep.string()));  // already there
    EXPECT_FALSE(SettingsFlow::MakeFolder(""));
    // A level that is a file cannot become a folder: nothing is made.
    EXPECT_FALSE(SettingsFlow::MakeFolder((record.m_ConfigPath / "inside").string()));
    EXPECT_EQ(SettingsFlow::VersionText(1, 3), "Текущая версия 1.3");
}

TEST_F(SettingsFlowTest, ValuesAScriptMaySet) {
    EXPECT_FALSE(RefuseSettingValue("FileLength", "30"));
    EXPECT_TRUE(RefuseSettingValue("FileLength", "25"));
    EXPECT_TRUE(RefuseSettingValue("FileLength", ""));
    EXPECT_FALSE(RefuseSettingValue("ToTray", "1"));
    EXPECT_TRUE(RefuseSettingValue("ShowClose", "2"));
    EXPECT_TRUE(RefuseSettingValue("AutoPlay", "yes"));
    EXPECT_FALSE(RefuseSettingValue("Update", "2"));
    EXPECT_TRUE(RefuseSettingValue("Update", "3"));
    EXPECT_FALSE(RefuseSettingValue("VideoPath", "/media/Видео/"));
    EXPECT_FALSE(RefuseSettingValue("VideoPath", ""));
    EXPECT_TRUE(RefuseSettingValue("VideoPath", std::string(260, 'a')));
    EXPECT_TRUE(RefuseSettingValue("ImagePath", "/bad\xff/"));
    EXPECT_TRUE(RefuseSettingValue("Topmost", "0"));  // not one the settings edit
    EXPECT_TRUE(RefuseSettingValue("User", "0"));

    // One key through the same save: the file and the record change together.
    ASSERT_EQ(SaveSettings(record.m_ConfigPath, {{"FileLength", "10"}, {"AutoPlay", "1"}}, record),
              SettingsSaveResult::Saved);
    EXPECT_EQ(Stored("FileLength"), "10");
    EXPECT_EQ(record.FileLength, 10);
    EXPECT_EQ(record.AutoPlay, 1);
    const auto read = ReadSettings(record.m_ConfigPath);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->size(), kSettingKeys.size());
    EXPECT_EQ((*read)[2], (SettingValue{"FileLength", "10"}));
}

}  // namespace
}  // namespace nimbrel
