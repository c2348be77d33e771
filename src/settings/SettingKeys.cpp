#include "settings/SettingKeys.h"

#include <algorithm>

#include "platform/UserDirs.h"
#include "service/AccountFile.h"
#include "service/AccountStore.h"
#include "service/MediaSettings.h"
#include "settings/RetentionSetting.h"
#include "text/NumberText.h"
#include "text/Translation.h"
#include "text/Utf16Units.h"
#include "text/WideText.h"

namespace nimbrel {
namespace {

bool IsFolderKey(std::string_view key) {
    return key == "VideoPath" || key == "ImagePath";
}

bool OneOf(std::string_view value, std::initializer_list<std::string_view> allowed) {
    return std::find(allowed.begin(), allowed.end(), value) != allowed.end();
}

}  // namespace

bool IsSettingKey(std::string_view key) {
    return std::find(kSettingKeys.begin(), kSettingKeys.end(), key) != kSettingKeys.end();
}

std::optional<std::string> RefuseSettingValue(std::string_view key, std::string_view value) {
    if (!IsSettingKey(key))
        return text::Format(text::Tr("Core", "Неизвестный параметр: %1"), {key});
    if (IsFolderKey(key)) {
        // A text that does not survive the round trip through wide text is not UTF-8.
        if (Utf8FromWide(WideFromUtf8(value)) != value)
            return text::Tr("Core", "Путь к папке не в UTF-8");
        const auto tooLong = [](std::string_view folder) {
            return Utf16Length(folder) > kMaxFolderUnits;
        };
        if (tooLong(value))
            return text::Format(text::Tr("Core", "Путь к папке длиннее %1 символов"),
                                {std::to_string(kMaxFolderUnits)});
        if (!value.empty() && !ExpandFolder(value))
            return text::Format(
                text::Tr("Core", "Укажите папку полным путём, от «/» или «~»: %1"), {value});
        // As it will be stored: "~" expanded, the trailing "/" added.
        if (tooLong(StoredSettingValue(key, value)))
            return text::Format(text::Tr("Core", "Путь к папке длиннее %1 символов"),
                                {std::to_string(kMaxFolderUnits)});
        return std::nullopt;
    }
    if (key == "FileLength") {
        if (std::find(kFileLengths.begin(), kFileLengths.end(), value) == kFileLengths.end())
            return text::Tr("Core", "Длина видеофайла: 10, 20, 30 или 40 минут");
        return std::nullopt;
    }
    if (key == "ArchiveDays") {
        if (!ParseRetentionDays(value))
            return text::Tr("Core", "Срок хранения записей: от 0 до 3650 дней");
        return std::nullopt;
    }
    if (key == "ArchiveSize") {
        RetentionLimits limits;
        if (!ParseRetentionSize(value, limits))
            return text::Tr("Core",
                            "Объем архива: 0, число гигабайт или доля диска в процентах (20%)");
        return std::nullopt;
    }
    if (key == "Update") {
        if (!OneOf(value, {"0", "1", "2"})) return text::Tr("Core", "Обновление: 0, 1 или 2");
        return std::nullopt;
    }
    if (!OneOf(value, {"0", "1"})) return text::Format(text::Tr("Core", "%1: 0 или 1"), {key});
    return std::nullopt;
}

std::string StoredSettingValue(std::string_view key, std::string_view value) {
    if (!IsFolderKey(key) || value.empty()) return std::string(value);
    const std::optional<std::filesystem::path> folder = ExpandFolder(value);
    if (!folder) return std::string(value);
    // The trailing "/" that folders have always had, so the file reads the same as before.
    std::string stored = folder->string();
    if (stored.back() != '/') stored.push_back('/');
    return stored;
}

void ApplySetting(AppRecord& record, std::string_view key, std::string_view value) {
    if (key == "VideoPath") record.VideoPath = std::string(value);
    if (key == "ImagePath") record.ImagePath = std::string(value);
    if (key == "FileLength") record.FileLength = AtoiText(value);
    if (key == "ToTray") record.ToTray = AtoiText(value);
    if (key == "ShowClose") record.ShowClose = AtoiText(value);
    if (key == "AutoLogin") record.AutoLogin = AtoiText(value);
    if (key == "AutoPlay") record.AutoPlay = AtoiText(value);
    if (key == "ArchiveDays") record.ArchiveDays = std::string(value);
    if (key == "ArchiveSize") record.ArchiveSize = std::string(value);
    if (key == "DesktopNotices") record.DesktopNotices = AtoiText(value);
}

SettingsSaveResult SaveSettings(const std::filesystem::path& file,
                                const std::vector<SettingValue>& values, AppRecord& record) {
    // Through the file's one owner, so that a save of the tree or of the login in between is
    // neither lost nor overwrites these values.
    bool loaded = false;
    const bool saved = AccountStore::For(file).Change([&](AccountFile& account) {
        loaded = true;
        for (const SettingValue& v : values)
            if (!account.SetSetting(v.key, StoredSettingValue(v.key, v.value))) return false;
        return true;
    });
    if (!loaded) return SettingsSaveResult::Unreadable;
    if (!saved) return SettingsSaveResult::NotSaved;
    // Cameras read the folders and the length on their threads (MediaSettings).
    const auto cameras = LockMediaSettings();
    for (const SettingValue& v : values)
        ApplySetting(record, v.key, StoredSettingValue(v.key, v.value));
    return SettingsSaveResult::Saved;
}

std::optional<std::vector<SettingValue>> ReadSettings(const std::filesystem::path& file) {
    AccountFile account;
    if (!account.Load(file)) return std::nullopt;
    std::vector<SettingValue> values;
    for (const std::string_view key : kSettingKeys) {
        if (const auto value = account.Setting(key))
            values.push_back({std::string(key), *value});
        else if (key == "ArchiveDays" || key == "ArchiveSize")
            values.push_back({std::string(key), std::string(kNoRetention)});
        else if (key == "DesktopNotices")
            values.push_back({std::string(key), std::string(kDesktopNoticesDefault)});
    }
    return values;
}

}  // namespace nimbrel
