// The settings of an account file's "config1" that the settings dialog and `nimbrelctl settings`
// edit: their names, the values each accepts, what each changes in the application record, and
// one load-change-save of the file for any number of them.
// Threading: callable from any thread. The record's folders and length change under the lock of
// MediaSettings, so cameras may read them meanwhile; its other fields must not be read elsewhere
// while they change (the desktop program changes them on its UI thread).
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "service/AppRecord.h"

namespace nimbrel {

// In the order the file keeps them.
inline constexpr std::array<std::string_view, 11> kSettingKeys = {
    "VideoPath", "ImagePath", "FileLength",  "ToTray",      "ShowClose",      "AutoLogin",
    "AutoPlay",  "Update",    "ArchiveDays", "ArchiveSize", "DesktopNotices",
};
// What an account file without the archive's settings (older files) means by them.
inline constexpr std::string_view kNoRetention = "0";
// What an account file without the desktop notifications' switch (older files) means by it.
inline constexpr std::string_view kDesktopNoticesDefault = "1";

// The recording file lengths offered, in minutes.
inline constexpr std::array<std::string_view, 4> kFileLengths = {"10", "20", "30", "40"};

// The longest folder text kept, in UTF-16 units.
inline constexpr std::size_t kMaxFolderUnits = 259;

struct SettingValue {
    std::string key;
    std::string value;
    friend bool operator==(const SettingValue&, const SettingValue&) = default;
};

bool IsSettingKey(std::string_view key);

// Why `value` cannot be stored under `key` (an unknown key, a folder that is not UTF-8, is
// relative, or as stored is longer than 259 units, a length other than 10/20/30/40, a flag other
// than 0/1, an update choice other than 0/1/2); nothing when it can.
std::optional<std::string> RefuseSettingValue(std::string_view key, std::string_view value);

// What the file keeps for `value` under `key`: a folder begins at the home folder for "~" and
// ends in "/" however it was typed (an empty one stays empty: none is chosen); every other value
// as it is. For values RefuseSettingValue accepts.
std::string StoredSettingValue(std::string_view key, std::string_view value);

// The record's field of `key` follows `value`: the folders take the text, the length and the
// flags its decimal value. "Update" is read into the record at start-up only: nothing acts on it.
void ApplySetting(AppRecord& record, std::string_view key, std::string_view value);

enum class SettingsSaveResult {
    Saved,
    Refused,     // a value cannot be stored (the reason goes with it): nothing was written
    Unreadable,  // the account file could not be loaded: nothing was written
    NotSaved,    // it could not be written: the previous file stays as it was
};

// Loads `file`, sets config1/<key> to each value as StoredSettingValue gives it and saves the
// file once (atomically), through the file's AccountStore, in turn with every other change of
// the file. Only once the file is saved does `record` take the values, so a failed save changes
// nothing.
SettingsSaveResult SaveSettings(const std::filesystem::path& file,
                                const std::vector<SettingValue>& values, AppRecord& record);

// The settings keys present in `file`, in key order (the archive's, which older files lack, with
// their meaning then); nothing when the file cannot be loaded.
std::optional<std::vector<SettingValue>> ReadSettings(const std::filesystem::path& file);

}  // namespace nimbrel
