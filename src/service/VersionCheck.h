// Asking the service whether a newer client exists (checkVersion.do) and remembering where to
// download it (m_ResourceUrl, the argument of the updater).
// Threading: runs on the caller's thread and blocks it for the requests (up to 20 s each); it
// writes app.m_ResourceUrl, which nothing else writes.
#pragma once

#include <filesystem>
#include <string_view>

#include "platform/UserMessage.h"
#include "platform/UserNotifier.h"
#include "service/AppRecord.h"
#include "service/GlobalSettings.h"
#include "service/HttpTransport.h"
#include "text/Translation.h"

namespace nimbrel {

inline constexpr int kVersionCheckFailed = -1;
inline constexpr int kVersionCurrent = 0;
inline constexpr int kVersionNewer = 1;          // updateStatus 0
inline constexpr int kVersionNewerRequired = 2;  // updateStatus 1
// The service may answer "UPDATE" with another updateStatus, which asks again; after this many
// requests without a usable answer the check gives up with -1.
inline constexpr int kVersionCheckMaxRequests = 3;

inline constexpr const char* kVersionCaption = NIMBREL_TR_NOOP("Core", "подсказки");
// What the settings page offers for a newer version (results 1 and 2), and what it shows when
// the updater cannot be started.
inline constexpr const char* kUpdateOffer =
    NIMBREL_TR_NOOP("Core", "Доступна новая версия программы. Обновить сейчас?");
inline constexpr const char* kUpdaterFailed =
    NIMBREL_TR_NOOP("Core", "Не удалось запустить программу обновления");

// -1 failure, 0 no newer version, 1 or 2 a newer one (its address is then in m_ResourceUrl).
int CheckVersion(const GlobalSettings& g, AppRecord& app, const HttpOptions& http = {});

// What the settings page shows for a result: a message for 0 and -1, nothing for 1 and 2.
UserMessage VersionCheckMessage(int result);

// The settings page's button: checks, shows the result's message, returns the result.
int CheckVersionAndReport(const GlobalSettings& g, AppRecord& app, UserNotifier& notifier,
                          const HttpOptions& http = {});

// Starts the updater ("Update" beside the executable unless `updater` names another) with "-u"
// and the download address (left out when empty), detached. False when it could not be started.
bool StartUpdater(std::string_view resourceUrl, const std::filesystem::path& updater = {});

}  // namespace nimbrel
