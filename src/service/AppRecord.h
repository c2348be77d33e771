// The application-wide record: the signed-in account's fields and the program's version.
// The settings values of the account file join it as the settings code arrives.
// Threading: written by the start-up thread and the login flow before readers start.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace nimbrel {

struct AppRecord {
    char m_ResourceUrl[260] = {};   // download address of a newer client
    uint16_t m_VersionMajor = 0;    // the two leading numbers of the product version
    uint16_t m_VersionMinor = 0;
    char m_UserName[260] = {};      // account name as typed; payload key uid
    char m_UserMac[51] = {};        // m_UserName + "," + m_Mac; key umac of stream messages
    char m_StoredPassword[260] = {};  // the password in its mixed stored form
    // Path of the account file. A path, not a 260-unit buffer: folders on Linux are often deeper.
    std::filesystem::path m_ConfigPath;

    // The settings of the account file's "config1", under its element names (read after login).
    std::string VideoPath;  // recording folder, ending in "/"
    std::string ImagePath;  // snapshot folder, ending in "/"
    int32_t FileLength = 0;  // recording file length in minutes
    int32_t ToTray = 0;
    int32_t ShowClose = 1;
    int32_t AutoLogin = 0;
    int32_t AutoPlay = 0;
    int32_t Topmost = 0;
    int32_t Update = 0;
    // 1: what the user would miss while the window is out of sight goes to the desktop's
    // notifications (a file without the value means 1).
    int32_t DesktopNotices = 1;
    // How much of the recordings the archive keeps (settings/RetentionSetting.h): "0" for none.
    std::string ArchiveDays = "0";
    std::string ArchiveSize = "0";
};

extern AppRecord app;

// Resets the record to its initial values and fills the version numbers of this build.
AppRecord* InitAppRecord(AppRecord& record = app);

}  // namespace nimbrel
