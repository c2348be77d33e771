#include "service/AccountFile.h"

#include <system_error>

#include "platform/AtomicFile.h"
#include "platform/Log.h"
#include "platform/UserDirs.h"
#include "service/AccountStore.h"
#include "text/NumberText.h"

namespace nimbrel {
namespace {

constexpr std::string_view kRoot = "config";
constexpr std::string_view kSettings = "config1";

// "<config/>" as UTF-16LE without a byte-order mark: what a new account file starts as.
std::string EmptySkeletonUtf16() {
    std::string bytes;
    for (const char c : std::string_view("<config/>")) {
        bytes.push_back(c);
        bytes.push_back('\0');
    }
    return bytes;
}

std::string FolderText(const std::filesystem::path& base, std::string_view leaf) {
    if (base.empty()) return {};
    return (base / std::string(leaf)).string() + "/";
}

// The full skeleton below the root, in the order the file keeps.
void FillSkeleton(XmlElement root, const AccountFileDefaults& defaults) {
    XmlElement c1 = root.AddChild("config1");
    c1.AddChild("VideoPath", defaults.videoPath);
    c1.AddChild("ImagePath", defaults.imagePath);
    c1.AddChild("FileLength", "20");
    c1.AddChild("ToTray", "0");
    c1.AddChild("ShowClose", "1");
    c1.AddChild("AutoLogin", "0");
    c1.AddChild("AutoPlay", "0");
    c1.AddChild("Topmost", "0");
    c1.AddChild("Update", "1");
    XmlElement user = c1.AddChild("User");
    user.SetAttribute("ID", "0");
    user.SetAttribute("Password", "0");

    XmlElement c2 = root.AddChild("config2");
    for (const char* name : {"IsMax", "MainX", "MainY", "MainX1", "MainY1", "FirstLarger"})
        c2.AddChild(name, "0");
    c2.AddChild("xNums", "2");
    c2.AddChild("yNums", "2");

    root.AddChild("config3");

    XmlElement c4 = root.AddChild("config4");
    XmlElement group = c4.AddChild("GroupList").AddChild("Group", "Выбрать вручную");
    group.SetAttribute("GID", "0");
    group.SetAttribute("EXPAND", "1");
    c4.AddChild("CameraList");
}

}  // namespace

AccountFileDefaults AccountFileDefaults::FromUserDirs() {
    return {FolderText(UserDir("XDG_VIDEOS_DIR"), "VideoFile"),
            FolderText(UserDir("XDG_PICTURES_DIR"), "ImageFile")};
}

bool AccountFile::Load(const std::filesystem::path& path) {
    path_ = path;
    if (!doc_.LoadFile(path)) return false;
    return HasConfigRoot();
}

bool AccountFile::LoadBytes(std::string_view bytes) {
    if (!doc_.LoadBytes(bytes)) return false;
    return HasConfigRoot();
}

bool AccountFile::HasConfigRoot() {
    if (doc_.Root().Name() == kRoot) return true;
    NLOG_DEBUG("AccountFile: root <" << doc_.Root().Name() << "> is not <config>");
    doc_.Reset(kRoot);
    return false;
}

bool AccountFile::Save() const {
    return !path_.empty() && doc_.SaveFile(path_);
}

bool AccountFile::Create(const std::filesystem::path& path, const AccountFileDefaults& defaults) {
    path_ = path;
    std::error_code ec;
    const auto folder = path.parent_path();
    if (!folder.empty() && !std::filesystem::is_directory(folder, ec)) {
        std::filesystem::create_directories(folder, ec);
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::replace, ec);
    }
    if (!WriteFileAtomically(path, EmptySkeletonUtf16())) return false;
    if (!Load(path)) return false;
    FillSkeleton(doc_.Root(), defaults);
    return Save();
}

XmlElement AccountFile::Section(std::string_view name, bool create) {
    XmlElement root = doc_.Root();
    XmlElement section = root.Child(name);
    if (!section && create) section = root.AddChild(name);
    return section;
}

std::optional<std::string> AccountFile::Setting(std::string_view name) const {
    const XmlElement element = doc_.Root().Child(kSettings).Child(name);
    if (!element) return std::nullopt;
    return element.Text();
}

bool AccountFile::SetSetting(std::string_view name, std::string_view value) {
    XmlElement section = Section(kSettings, true);
    XmlElement element = section.Child(name);
    if (!element) element = section.AddChild(name);
    return element.SetText(value);
}

std::optional<std::string> AccountFile::UserAttribute(std::string_view name) const {
    return doc_.Root().Child(kSettings).Child("User").Attribute(name);
}

bool AccountFile::SetUserAttribute(std::string_view name, std::string_view value) {
    XmlElement section = Section(kSettings, true);
    XmlElement user = section.Child("User");
    if (!user) user = section.AddChild("User");
    return user.SetAttribute(name, value);
}

void AccountFile::ReadSettings(AppRecord& record) const {
    if (const auto v = Setting("VideoPath")) record.VideoPath = *v;
    if (const auto v = Setting("ImagePath")) record.ImagePath = *v;
    if (const auto v = Setting("ArchiveDays")) record.ArchiveDays = *v;
    if (const auto v = Setting("ArchiveSize")) record.ArchiveSize = *v;
    const struct {
        const char* name;
        int32_t* field;
    } numbers[] = {{"FileLength", &record.FileLength}, {"ToTray", &record.ToTray},
                   {"ShowClose", &record.ShowClose},   {"AutoLogin", &record.AutoLogin},
                   {"AutoPlay", &record.AutoPlay},     {"Topmost", &record.Topmost},
                   {"Update", &record.Update},         {"DesktopNotices", &record.DesktopNotices}};
    for (const auto& n : numbers)
        if (const auto text = Setting(n.name))
            if (const auto value = LeadingInt(*text)) *n.field = *value;
}

bool AccountFile::SaveAccountId(const std::filesystem::path& path, std::string_view accountName,
                                const AccountFileDefaults& defaults) {
    return AccountStore::For(path).ChangeOrCreate(
        defaults, [&](AccountFile& file) { return file.SetUserAttribute("ID", accountName); });
}

bool AccountFile::SavePassword(const std::filesystem::path& path, std::string_view storedOrNone) {
    return AccountStore::For(path).Change(
        [&](AccountFile& file) { return file.SetUserAttribute("Password", storedOrNone); });
}

bool AccountFile::SaveAutoLogin(const std::filesystem::path& path, bool autoLogin) {
    return AccountStore::For(path).Change(
        [&](AccountFile& file) { return file.SetSetting("AutoLogin", autoLogin ? "1" : "0"); });
}

}  // namespace nimbrel
