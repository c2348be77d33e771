#include "service/VersionCheck.h"

#include "platform/FixedText.h"
#include "platform/Log.h"
#include "platform/Process.h"
#include "service/ServiceCipher.h"
#include "service/ServiceRequest.h"
#include "service/StatusWord.h"
#include "text/JsonText.h"
#include "text/ShownText.h"
#include "text/Translation.h"

namespace nimbrel {
namespace {

constexpr std::string_view kCaption = kVersionCaption;

}  // namespace

int CheckVersion(const GlobalSettings& g, AppRecord& app, const HttpOptions& http) {
    const std::string version =
        std::to_string(app.m_VersionMajor) + "." + std::to_string(app.m_VersionMinor);
    for (int request = 0; request < kVersionCheckMaxRequests; ++request) {
        // The payload is built afresh for each request: the wrap pads it in place.
        std::string payload =
            "client:pc&version:" + version + "&token:" + HmacSha1Hex(g, "pc" + version);
        const auto reply =
            SendHandshakeStyle(g, ServiceOp::CheckVersion, std::move(payload), kReply64K, http);
        if (!reply) return kVersionCheckFailed;
        if (!StatusIs(ReplyStatus(*reply), kStatusNewerClient)) return kVersionCurrent;

        const Json::Value& body = *reply;
        const Json::Value& details = body["version"];
        const auto url = details.isObject() ? StringMember(details, "resourceUrl") : std::nullopt;
        if (!url) {
            NLOG_DEBUG("CheckVersion: UPDATE without a version.resourceUrl text");
            return kVersionCheckFailed;
        }
        if (!SetText(app.m_ResourceUrl, *url))
            NLOG_WARN("CheckVersion: the download address was cut to 259 bytes");

        const Json::Value& status = details["updateStatus"];
        if (status.isInt() && status.asInt() == 0) return kVersionNewer;
        if (status.isInt() && status.asInt() == 1) return kVersionNewerRequired;
        NLOG_DEBUG("CheckVersion: updateStatus " << ShownText(status.toStyledString())
                                                 << " asks again");
    }
    return kVersionCheckFailed;
}

UserMessage VersionCheckMessage(int result) {
    if (result == kVersionCurrent)
        return {NIMBREL_TR_NOOP("Core", "Текущая версия является последней"), kCaption,
                UserNotifier::Icon::Information};
    if (result == kVersionCheckFailed)
        return {
            NIMBREL_TR_NOOP(
                "Core", "Не удалось проверить обновление. Пожалуйста, проверьте настройки сети"),
            kCaption};
    return {};
}

int CheckVersionAndReport(const GlobalSettings& g, AppRecord& app, UserNotifier& notifier,
                          const HttpOptions& http) {
    const int result = CheckVersion(g, app, http);
    VersionCheckMessage(result).ShowIn(notifier);
    return result;
}

bool StartUpdater(std::string_view resourceUrl, const std::filesystem::path& updater) {
    std::vector<std::string> args{"-u"};
    if (!resourceUrl.empty()) args.emplace_back(resourceUrl);
    return StartDetached(updater.empty() ? ExecutableDir() / "Update" : updater, args);
}

}  // namespace nimbrel
