#include "settings/SettingsFlow.h"

#include <cstdlib>

#include <system_error>

#include "platform/Autostart.h"
#include "platform/PrivateFolders.h"
#include "platform/UserDirs.h"
#include "settings/RetentionSetting.h"
#include "text/Translation.h"
#include "text/Utf16Units.h"

namespace nimbrel {

SettingsFlow::SettingsFlow(AppRecord& app)
    : SettingsFlow(app, Options{{}, {}, AccountFileDefaults::FromUserDirs()}) {}

SettingsFlow::SettingsFlow(AppRecord& app, Options options)
    : app_(app), options_(std::move(options)) {}

std::filesystem::path SettingsFlow::AutostartEntry() const {
    return options_.autostartEntry.empty() ? AutostartEntryPath() : options_.autostartEntry;
}

SettingsValues SettingsFlow::Open() const {
    SettingsValues values;
    AccountFile file;
    if (!file.Load(app_.m_ConfigPath)) return values;
    values.loaded = true;
    const auto setting = [&](std::string_view name) { return file.Setting(name).value_or(""); };
    values.videoPath = setting("VideoPath");
    values.imagePath = setting("ImagePath");
    values.fileLength = FileLengthIndex(setting("FileLength"));
    values.toTray = setting("ToTray") == "1";
    values.showClose = setting("ShowClose") == "1";
    values.autoLogin = setting("AutoLogin") == "1";
    values.autoPlay = setting("AutoPlay") == "1";
    values.autostart = IsAutostart(AutostartEntry());
    values.desktopNotices = setting("DesktopNotices") != "0";
    values.language = StoredLanguage(app_.m_ConfigPath.parent_path());
    if (const char* chosen = std::getenv("NIMBREL_LANG"))
        values.languageFromEnvironment = LanguageFromCode(chosen);
    if (const auto days = file.Setting("ArchiveDays")) values.archiveDays = *days;
    if (const auto size = file.Setting("ArchiveSize")) values.archiveSize = *size;
    const std::string update = setting("Update");
    if (update == "0" || update == "1" || update == "2") values.update = update[0] - '0';
    return values;
}

std::vector<SettingValue> SettingsFlow::FileValues(const SettingsValues& values) {
    const auto flag = [](bool on) { return std::string(on ? "1" : "0"); };
    std::string length;
    if (values.fileLength >= 0 && values.fileLength < static_cast<int>(kFileLengths.size()))
        length = kFileLengths[static_cast<std::size_t>(values.fileLength)];
    std::vector<SettingValue> file = {
        {"VideoPath", CutToUtf16Units(values.videoPath, kMaxFolderUnits)},
        {"ImagePath", CutToUtf16Units(values.imagePath, kMaxFolderUnits)},
        {"FileLength", length},
        {"ToTray", flag(values.toTray)},
        {"ShowClose", flag(values.showClose)},
        {"AutoLogin", flag(values.autoLogin)},
        {"AutoPlay", flag(values.autoPlay)},
        {"DesktopNotices", flag(values.desktopNotices)},
    };
    // Limits that do not read are not written (Save refuses them first).
    if (ParseRetentionDays(values.archiveDays)) file.push_back({"ArchiveDays", values.archiveDays});
    RetentionLimits limits;
    if (ParseRetentionSize(values.archiveSize, limits))
        file.push_back({"ArchiveSize", values.archiveSize});
    if (values.update >= 0 && values.update <= 2)
        file.push_back({"Update", std::to_string(values.update)});
    return file;
}

std::optional<std::string> SettingsFlow::RefusalOf(const SettingsValues& values) {
    // The folders as they would be written (cut to 259 units), the limits as they were typed
    // (FileValues leaves out those that do not read).
    for (const SettingValue& v : FileValues(values))
        if (v.key == "VideoPath" || v.key == "ImagePath")
            if (auto why = RefuseSettingValue(v.key, v.value)) return why;
    if (auto why = RefuseSettingValue("ArchiveDays", values.archiveDays)) return why;
    return RefuseSettingValue("ArchiveSize", values.archiveSize);
}

SettingsSaveResult SettingsFlow::Save(const SettingsValues& values) {
    refusal_.clear();
    if (auto why = RefusalOf(values)) {
        refusal_ = std::move(*why);
        return SettingsSaveResult::Refused;
    }
    const std::filesystem::path folder = app_.m_ConfigPath.parent_path();
    if (!values.languageFromEnvironment && values.language != StoredLanguage(folder) &&
        !StoreLanguage(folder, values.language))
        return SettingsSaveResult::NotSaved;
    const SettingsSaveResult result = SaveSettings(app_.m_ConfigPath, FileValues(values), app_);
    if (result == SettingsSaveResult::Saved)
        (void)SetAutostart(values.autostart, AutostartEntry(), options_.executable);
    return result;
}

std::optional<std::string> SettingsFlow::AutomaticFolder(FolderKind kind) const {
    const std::string& folder =
        kind == FolderKind::Video ? options_.folders.videoPath : options_.folders.imagePath;
    if (folder.empty()) return std::nullopt;
    return folder;
}

int SettingsFlow::FileLengthIndex(std::string_view stored) {
    for (std::size_t i = 0; i < kFileLengths.size(); ++i)
        if (kFileLengths[i].substr(0, stored.size()) == stored) return static_cast<int>(i);
    return -1;
}

std::string SettingsFlow::WithTrailingSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder.push_back('/');
    return folder;
}

bool SettingsFlow::MakeFolder(std::string_view folder) {
    const std::optional<std::filesystem::path> path = ExpandFolder(folder);
    std::string error;
    return path && MakeFolders(*path, error);
}

std::string SettingsFlow::VersionText(int major, int minor) {
    return text::Format(text::Tr("Core", "Текущая версия %1.%2"),
                        {std::to_string(major), std::to_string(minor)});
}

}  // namespace nimbrel
