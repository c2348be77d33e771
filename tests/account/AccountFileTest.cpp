// The account file: its skeleton and order, the encodings it loads, atomic owner-only saves,
// broken files, the three login saves, the recent-accounts list and where the files live.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <vector>

#include "AccountTestSupport.h"
#include "platform/AtomicFile.h"
#include "platform/UserDirs.h"
#include "service/AccountFile.h"
#include "service/AccountFolder.h"
#include "text/XmlDocument.h"

namespace nimbrel {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

const AccountFileDefaults kDefaults{"/home/u/Videos/VideoFile/", "/home/u/Pictures/ImageFile/"};

std::string Utf16Le(std::string_view ascii) {
    std::string bytes;
    for (char c : ascii) bytes += {c, '\0'};
    return bytes;
}

// Names of the child elements of `e`, in document order.
std::vector<std::string> ChildNames(const pugi::xml_node& e) {
    std::vector<std::string> names;
    for (auto c : e.children())
        if (c.type() == pugi::node_element) names.push_back(c.name());
    return names;
}

TEST(AccountFile, NewFileHasTheSkeletonInOrder) {
    TempDir dir;
    const auto path = dir / "sub" / "alice_config.xml";  // the folder is made on the way
    AccountFile file;
    ASSERT_TRUE(file.Create(path, kDefaults));

    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file(path.c_str()));
    const auto root = doc.document_element();
    EXPECT_STREQ(root.name(), "config");
    EXPECT_EQ(ChildNames(root),
              (std::vector<std::string>{"config1", "config2", "config3", "config4"}));

    const auto c1 = root.child("config1");
    EXPECT_EQ(ChildNames(c1), (std::vector<std::string>{"VideoPath", "ImagePath", "FileLength",
                                                        "ToTray", "ShowClose", "AutoLogin",
                                                        "AutoPlay", "Topmost", "Update", "User"}));
    EXPECT_STREQ(c1.child("VideoPath").text().get(), "/home/u/Videos/VideoFile/");
    EXPECT_STREQ(c1.child("ImagePath").text().get(), "/home/u/Pictures/ImageFile/");
    const std::pair<const char*, const char*> values[] = {
        {"FileLength", "20"}, {"ToTray", "0"},  {"ShowClose", "1"}, {"AutoLogin", "0"},
        {"AutoPlay", "0"},    {"Topmost", "0"}, {"Update", "1"}};
    for (const auto& [name, value] : values)
        EXPECT_STREQ(c1.child(name).text().get(), value) << name;
    const auto user = c1.child("User");
    EXPECT_STREQ(user.first_attribute().name(), "ID");
    EXPECT_STREQ(user.first_attribute().value(), "0");
    EXPECT_STREQ(user.first_attribute().next_attribute().name(), "Password");
    EXPECT_STREQ(user.attribute("Password").value(), "0");

    const auto c2 = root.child("config2");
    EXPECT_EQ(ChildNames(c2),
              (std::vector<std::string>{"IsMax", "MainX", "MainY", "MainX1", "MainY1",
                                        "FirstLarger", "xNums", "yNums"}));
    EXPECT_STREQ(c2.child("FirstLarger").text().get(), "0");
    EXPECT_STREQ(c2.child("xNums").text().get(), "2");
    EXPECT_STREQ(c2.child("yNums").text().get(), "2");

    EXPECT_TRUE(ChildNames(root.child("config3")).empty());
    const auto c4 = root.child("config4");
    EXPECT_EQ(ChildNames(c4), (std::vector<std::string>{"GroupList", "CameraList"}));
    const auto group = c4.child("GroupList").child("Group");
    EXPECT_STREQ(group.attribute("GID").value(), "0");
    EXPECT_STREQ(group.attribute("EXPAND").value(), "1");
    EXPECT_STREQ(group.text().get(), "Выбрать вручную");
    EXPECT_TRUE(ChildNames(c4.child("CameraList")).empty());

    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(::stat(path.parent_path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(AccountFile, LoadsTheUtf16SkeletonAndItsOwnSaves) {
    TempDir dir;
    const auto path = dir / "bob_config.xml";
    WriteFile(path, Utf16Le("<config/>"));  // no byte-order mark
    AccountFile file;
    ASSERT_TRUE(file.Load(path));
    EXPECT_EQ(file.Document().Root().Name(), "config");

    // A UTF-16LE file with content, then the same values through the class's own UTF-8 save.
    WriteFile(path,
              Utf16Le("<config><config1><AutoLogin>1</AutoLogin><User ID=\"bob\" Password=\"0\"/>"
                      "</config1></config>"));
    ASSERT_TRUE(file.Load(path));
    EXPECT_EQ(file.Setting("AutoLogin"), "1");
    EXPECT_EQ(file.UserAttribute("ID"), "bob");
    ASSERT_TRUE(file.SetSetting("VideoPath", "/видео/VideoFile/"));
    ASSERT_TRUE(file.Save());

    AccountFile again;
    ASSERT_TRUE(again.Load(path));
    EXPECT_EQ(again.Setting("VideoPath"), "/видео/VideoFile/");
    EXPECT_EQ(again.UserAttribute("ID"), "bob");
    EXPECT_EQ(ReadFile(path).rfind("<?xml", 0), 0u);
}

TEST(AccountFile, MissingElementsAreAddedWhenSet) {
    TempDir dir;
    const auto path = dir / "c_config.xml";
    WriteFile(path, "<config/>");
    AccountFile file;
    ASSERT_TRUE(file.Load(path));
    EXPECT_FALSE(file.Setting("AutoLogin"));
    EXPECT_FALSE(file.UserAttribute("Password"));
    ASSERT_TRUE(file.SetUserAttribute("Password", "x"));
    ASSERT_TRUE(file.SetSetting("AutoLogin", "1"));
    EXPECT_EQ(file.UserAttribute("Password"), "x");
    EXPECT_EQ(file.Setting("AutoLogin"), "1");
}

// Text split by a comment or a child element reads as one piece, before and after a save
// (which joins neighbouring pieces), and setting it replaces every piece.
TEST(AccountFile, SplitTextReadsTheSameAfterASave) {
    AccountFile file;
    ASSERT_TRUE(
        file.LoadBytes("<config><config1><VideoPath>/a<!-- x -->/b/</VideoPath>"
                       "<AutoLogin>0<i/>1</AutoLogin></config1></config>"));
    EXPECT_EQ(file.Setting("VideoPath"), "/a/b/");
    EXPECT_EQ(file.Setting("AutoLogin"), "01");
    AccountFile again;
    ASSERT_TRUE(again.LoadBytes(file.Document().ToText()));
    EXPECT_EQ(again.Setting("VideoPath"), "/a/b/");
    ASSERT_TRUE(file.SetSetting("AutoLogin", "1"));
    EXPECT_EQ(file.Setting("AutoLogin"), "1");
    EXPECT_TRUE(file.Document().Root().Find("config1/AutoLogin/i"));  // the child stays
    ASSERT_TRUE(again.LoadBytes(file.Document().ToText()));
    EXPECT_EQ(again.Setting("AutoLogin"), "1");
}

TEST(AccountFile, BrokenFilesCountAsAbsent) {
    TempDir dir;
    const auto path = dir / "d_config.xml";
    AccountFile good;
    ASSERT_TRUE(good.Create(path, kDefaults));
    const std::string full = ReadFile(path);

    const std::vector<std::pair<std::string, std::string>> cases = {
        {"empty", ""},
        {"truncated", full.substr(0, full.size() / 2)},
        {"not XML", "this is not xml at all"},
        {"binary", std::string("\xff\xfe\x00\x01\x80\x81\x00\x00\xc3", 9)},
        {"truncated UTF-16", Utf16Le("<config><config1>")},
        {"odd UTF-16", Utf16Le("<config/>").substr(0, 7)},
        {"other root", "<settings><config1/></settings>"},
        {"text only", "<?xml version=\"1.0\"?>"},
    };
    for (const auto& [what, bytes] : cases) {
        WriteFile(path, bytes);
        AccountFile file;
        EXPECT_FALSE(file.Load(path)) << what;
        EXPECT_FALSE(file.Setting("AutoLogin")) << what;
        EXPECT_FALSE(AccountFile::SavePassword(path, "x")) << what;
        EXPECT_EQ(ReadFile(path), bytes) << what << ": a failed save must not touch the file";
    }

    // Larger than any account file: refused unread.
    WriteFile(path, "<config>" + std::string(XmlDocument::kMaxFileBytes, ' ') + "</config>");
    AccountFile file;
    EXPECT_FALSE(file.Load(path));
    EXPECT_FALSE(file.Load(dir / "missing_config.xml"));
    EXPECT_FALSE(file.Load(dir.Path()));  // a folder
}

TEST(AccountFile, LoginSavesCreateAndFill) {
    TempDir dir;
    const auto path = dir / "erin_config.xml";
    EXPECT_FALSE(AccountFile::SavePassword(path, "x"));  // nothing to load yet
    EXPECT_FALSE(AccountFile::SaveAutoLogin(path, true));
    ASSERT_TRUE(AccountFile::SaveAccountId(path, "erin", kDefaults));
    ASSERT_TRUE(AccountFile::SavePassword(path, "stored-form"));
    ASSERT_TRUE(AccountFile::SaveAutoLogin(path, true));
    AccountFile file;
    ASSERT_TRUE(file.Load(path));
    EXPECT_EQ(file.UserAttribute("ID"), "erin");
    EXPECT_EQ(file.UserAttribute("Password"), "stored-form");
    EXPECT_EQ(file.Setting("AutoLogin"), "1");
    EXPECT_EQ(file.Setting("FileLength"), "20");  // the skeleton is there

    // A second login keeps what the first one and the settings wrote.
    ASSERT_TRUE(file.SetSetting("FileLength", "45"));
    ASSERT_TRUE(file.Save());
    ASSERT_TRUE(AccountFile::SaveAccountId(path, "erin", kDefaults));
    ASSERT_TRUE(AccountFile::SaveAutoLogin(path, false));
    ASSERT_TRUE(file.Load(path));
    EXPECT_EQ(file.Setting("FileLength"), "45");
    EXPECT_EQ(file.Setting("AutoLogin"), "0");
    EXPECT_EQ(file.UserAttribute("Password"), "stored-form");
}

TEST(AccountFile, BrokenFileIsKeptAsideAndMadeAnewOnLogin) {
    TempDir dir;
    const auto path = dir / "fay_config.xml";
    WriteFile(path, "<config><config1>");
    ASSERT_TRUE(AccountFile::SaveAccountId(path, "fay", kDefaults));
    EXPECT_EQ(ReadFile(dir / "fay_config.xml.broken"), "<config><config1>");
    AccountFile file;
    ASSERT_TRUE(file.Load(path));
    EXPECT_EQ(file.UserAttribute("ID"), "fay");
    EXPECT_EQ(file.Setting("Update"), "1");
}

// Every broken file found at login is kept: a later one never replaces an earlier copy.
TEST(AccountFile, EachBrokenFileIsKeptBesideTheEarlierOnes) {
    TempDir dir;
    const auto path = dir / "gus_config.xml";
    const std::vector<std::string> broken = {"<config><config1>", "not xml", "<other/>"};
    for (const std::string& bytes : broken) {
        WriteFile(path, bytes);
        ASSERT_TRUE(AccountFile::SaveAccountId(path, "gus", kDefaults)) << bytes;
    }
    EXPECT_EQ(ReadFile(dir / "gus_config.xml.broken"), broken[0]);
    EXPECT_EQ(ReadFile(dir / "gus_config.xml.broken.2"), broken[1]);
    EXPECT_EQ(ReadFile(dir / "gus_config.xml.broken.3"), broken[2]);
    AccountFile file;
    ASSERT_TRUE(file.Load(path));
    EXPECT_EQ(file.UserAttribute("ID"), "gus");
    // The copies are not accounts of their own.
    const auto recent = AccountFolder(dir.Path()).RecentAccounts();
    ASSERT_EQ(recent.size(), 1u);
    EXPECT_EQ(recent[0].name, "gus");
}

// Runs `read` on a thread of its own; when it has not returned within a generous limit it is
// released by a writer opening the FIFO at `fifo`, and the test fails.
template <typename Read>
void ExpectPromptRead(const std::filesystem::path& fifo, Read read) {
    auto done = std::async(std::launch::async, read);
    if (done.wait_for(std::chrono::seconds(30)) == std::future_status::ready) return;
    ADD_FAILURE() << "reading " << fifo << " waited for a writer";
    const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) ::close(fd);
}

// A FIFO where the account file should be is refused at once: nothing waits for a writer.
TEST(AccountFile, FifoInPlaceOfTheFileIsRefusedWithoutWaiting) {
    TempDir dir;
    const auto path = dir / "hal_config.xml";
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    ExpectPromptRead(path, [&] { EXPECT_FALSE(ReadWholeFile(path, 1024)); });
    ExpectPromptRead(path, [&] {
        AccountFile file;
        EXPECT_FALSE(file.Load(path));
    });
    // The login sets it aside like any broken file and makes a new one.
    ExpectPromptRead(path,
                     [&] { EXPECT_TRUE(AccountFile::SaveAccountId(path, "hal", kDefaults)); });
    EXPECT_TRUE(std::filesystem::is_fifo(dir / "hal_config.xml.broken"));
    AccountFile file;
    ASSERT_TRUE(file.Load(path));
    EXPECT_EQ(file.UserAttribute("ID"), "hal");
}

TEST(AccountFile, SettingsReachTheApplicationRecord) {
    TempDir dir;
    const auto path = dir / "g_config.xml";
    AccountFile file;
    ASSERT_TRUE(file.Create(path, kDefaults));
    file.SetSetting("FileLength", "30");
    file.SetSetting("ToTray", "junk");  // not a number: the field keeps its value
    file.SetSetting("ShowClose", "0");
    AppRecord record;
    record.ToTray = 7;
    file.ReadSettings(record);
    EXPECT_EQ(record.VideoPath, kDefaults.videoPath);
    EXPECT_EQ(record.ImagePath, kDefaults.imagePath);
    EXPECT_EQ(record.FileLength, 30);
    EXPECT_EQ(record.ToTray, 7);
    EXPECT_EQ(record.ShowClose, 0);
    EXPECT_EQ(record.Update, 1);
}

// A save whose write fails half-way (the file size limit) leaves the previous file as it was
// and no temporary file behind.
TEST(AtomicSave, FailedWriteKeepsThePreviousFile) {
    TempDir dir;
    const auto path = dir / "h_config.xml";
    AccountFile file;
    ASSERT_TRUE(file.Create(path, kDefaults));
    const std::string before = ReadFile(path);

    ASSERT_TRUE(file.SetSetting("VideoPath", std::string(8192, 'v')));
    struct sigaction ignore {
    }, old{};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(::sigaction(SIGXFSZ, &ignore, &old), 0);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved_ok = file.Save();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::sigaction(SIGXFSZ, &old, nullptr);

    EXPECT_FALSE(saved_ok);
    EXPECT_EQ(ReadFile(path), before);
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path())) {
        ++entries;
        EXPECT_EQ(e.path().filename(), "h_config.xml");
    }
    EXPECT_EQ(entries, 1);

    // Without the limit the same save goes through and replaces the file whole.
    ASSERT_TRUE(file.Save());
    AccountFile again;
    ASSERT_TRUE(again.Load(path));
    EXPECT_EQ(again.Setting("VideoPath"), std::string(8192, 'v'));
}

TEST(AtomicSave, MissingFolderFailsCleanly) {
    TempDir dir;
    EXPECT_FALSE(WriteFileAtomically(dir / "no" / "such" / "file", "x"));
    EXPECT_TRUE(WriteFileAtomically(dir / "file", "x"));
    EXPECT_EQ(ReadFile(dir / "file"), "x");
}

TEST(AccountFolder, TwentyNewestAccountsNewestFirst) {
    TempDir dir;
    const auto base = std::filesystem::file_time_type::clock::now() - std::chrono::hours(100);
    // Written in a shuffled order so that directory order does not help: account i is i hours
    // newer than account 0.
    const int order[21] = {7, 0,  20, 13, 3,  18, 1,  11, 5, 16, 9,
                           2, 14, 19, 4,  10, 6,  17, 12, 8, 15};
    for (int i : order) {
        const auto path = dir / ("user" + std::to_string(i) + "_config.xml");
        WriteFile(path, "<config/>");
        std::filesystem::last_write_time(path, base + std::chrono::hours(i));
    }
    WriteFile(dir / "notes.txt", "not an account");
    WriteFile(dir / "_config.xml", "no name");
    std::filesystem::create_directory(dir / "folder_config.xml");

    const auto recent = AccountFolder(dir.Path()).RecentAccounts();
    ASSERT_EQ(recent.size(), 20u);
    for (std::size_t k = 0; k < recent.size(); ++k)
        EXPECT_EQ(recent[k].name, "user" + std::to_string(20 - k)) << k;  // user0 is left out

    EXPECT_TRUE(AccountFolder(dir / "missing").RecentAccounts().empty());
}

TEST(AccountFolder, FileNamesAndLocation) {
    const AccountFolder folder("/cfg");
    EXPECT_EQ(folder.FileFor("alice"), std::filesystem::path("/cfg/alice_config.xml"));
    EXPECT_EQ(folder.FileFor("a.b@c"), std::filesystem::path("/cfg/a.b@c_config.xml"));
    EXPECT_FALSE(folder.FileFor(""));
    EXPECT_FALSE(folder.FileFor(".."));
    EXPECT_FALSE(folder.FileFor("../x"));
    EXPECT_FALSE(folder.FileFor(std::string("a\0b", 3)));

    TempDir dir;
    // A writable executable folder: config/ beside it, whether it exists yet or not.
    EXPECT_EQ(AccountFolder::ChooseLocation(dir.Path(), "/xdg"), dir / "config");
    std::filesystem::create_directory(dir / "config");
    EXPECT_EQ(AccountFolder::ChooseLocation(dir.Path(), "/xdg"), dir / "config");
    // An executable folder that cannot hold one: the configuration home.
    WriteFile(dir / "plain", "");
    EXPECT_EQ(AccountFolder::ChooseLocation(dir / "plain", "/xdg"),
              std::filesystem::path("/xdg/nimbrel/config"));
    EXPECT_EQ(AccountFolder::ChooseLocation(dir / "missing", "/xdg"),
              std::filesystem::path("/xdg/nimbrel/config"));

    const AccountFolder made(dir / "a" / "b");
    EXPECT_TRUE(made.Ensure());
    EXPECT_TRUE(std::filesystem::is_directory(dir / "a" / "b"));
}

TEST(UserDirs, EntriesOfTheUserDirsFile) {
    const std::string text =
        "# comment\n"
        "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
        "XDG_VIDEOS_DIR=\"$HOME/Видео\"\n"
        "XDG_PICTURES_DIR=\"/data/pics\"\n"
        "XDG_MUSIC_DIR=\"relative/music\"\n"
        "XDG_PUBLICSHARE_DIR=\"$HOME\"\n";
    EXPECT_EQ(ParseUserDirsEntry(text, "XDG_VIDEOS_DIR", "/home/u"), "/home/u/Видео");
    EXPECT_EQ(ParseUserDirsEntry(text, "XDG_PICTURES_DIR", "/home/u"), "/data/pics");
    EXPECT_EQ(ParseUserDirsEntry(text, "XDG_PUBLICSHARE_DIR", "/home/u"), "/home/u");
    EXPECT_TRUE(ParseUserDirsEntry(text, "XDG_MUSIC_DIR", "/home/u").empty());
    EXPECT_TRUE(ParseUserDirsEntry(text, "XDG_TEMPLATES_DIR", "/home/u").empty());
    EXPECT_TRUE(ParseUserDirsEntry(text, "XDG_VIDEOS_DIR", "").empty());
}

TEST(UserDirs, DefaultFoldersEndInASlash) {
    TempDir dir;
    ::setenv("XDG_VIDEOS_DIR", (dir / "vids").c_str(), 1);
    ::setenv("XDG_PICTURES_DIR", "relative", 1);  // not absolute: ignored
    const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    const std::string savedConfig =
        std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
    ::setenv("HOME", dir.Path().c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (dir / "cfg").c_str(), 1);
    const auto defaults = AccountFileDefaults::FromUserDirs();
    EXPECT_EQ(defaults.videoPath, (dir / "vids" / "VideoFile").string() + "/");
    EXPECT_EQ(defaults.imagePath, (dir / "ImageFile").string() + "/");  // the home fallback

    std::filesystem::create_directory(dir / "cfg");
    WriteFile(dir / "cfg" / "user-dirs.dirs", "XDG_PICTURES_DIR=\"$HOME/Pics\"\n");
    EXPECT_EQ(AccountFileDefaults::FromUserDirs().imagePath,
              (dir / "Pics" / "ImageFile").string() + "/");

    ::unsetenv("XDG_VIDEOS_DIR");
    ::unsetenv("XDG_PICTURES_DIR");
    ::setenv("HOME", savedHome.c_str(), 1);
    if (savedConfig.empty())
        ::unsetenv("XDG_CONFIG_HOME");
    else
        ::setenv("XDG_CONFIG_HOME", savedConfig.c_str(), 1);
}

}  // namespace
}  // namespace nimbrel
