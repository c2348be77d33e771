// nimbrelctl check-version [--client-version MAJOR.MINOR]: asks the service whether a newer
// client exists and prints what the settings page would show, or the download address.
#include <cstdio>
#include <string>

#include "CommandRegistry.h"
#include "ExitCode.h"
#include "platform/FixedText.h"
#include "service/VersionCheck.h"

namespace nimbrel::cli {
namespace {

// "MAJOR.MINOR" with both numbers in 0..65535.
bool ParseVersion(const std::string& text, uint16_t& major, uint16_t& minor) {
    unsigned a = 0, b = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%5u.%5u%c", &a, &b, &tail) != 2 || a > 65535 || b > 65535)
        return false;
    major = static_cast<uint16_t>(a);
    minor = static_cast<uint16_t>(b);
    return true;
}

int RunCheckVersion(CliContext& ctx, const std::string& clientVersion) {
    if (!clientVersion.empty() &&
        !ParseVersion(clientVersion, ctx.app.m_VersionMajor, ctx.app.m_VersionMinor))
        return ctx.Fail(kExitUsage, "USAGE", "Неверная версия: " + clientVersion);
    if (const int rc = ctx.PrepareService(); rc != kExitOk) return rc;

    const int result = CheckVersion(ctx.g, ctx.app);
    Json::Value fields(Json::objectValue);
    fields["result"] = result;
    const UserMessage message = VersionCheckMessage(result);
    if (result == kVersionCheckFailed)
        return ctx.Fail(kExitFailed, "FAILED", std::string(message.text), fields);
    if (result == kVersionCurrent) {
        fields["message"] = std::string(message.text);
        ctx.Print(fields, "OK", std::string(message.text));
        return kExitOk;
    }
    // A newer client: the settings page shows nothing; its address is what matters here.
    const std::string url(GetText(ctx.app.m_ResourceUrl));
    fields["resourceUrl"] = url;
    fields["updateStatus"] = result == kVersionNewerRequired ? 1 : 0;
    ctx.Print(fields, "UPDATE", url);
    return kExitOk;
}

void AddCheckVersionCommand(Command& app, CliContext& ctx, int& exitCode) {
    static std::string clientVersion;
    auto sub = app.Subcommand("check-version", "Ask whether a newer client exists");
    sub.Option("--client-version", clientVersion,
               "Report this MAJOR.MINOR instead of the program's own version");
    sub.OnRun([&ctx, &exitCode] { exitCode = RunCheckVersion(ctx, clientVersion); });
}

const CommandRegistration registration(&AddCheckVersionCommand);

}  // namespace
}  // namespace nimbrel::cli
