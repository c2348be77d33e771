// nimbrelctl handshake: the start-up exchange with the service, and the keys it brought.
#include "CommandRegistry.h"
#include "ExitCode.h"
#include "platform/FixedText.h"

namespace nimbrel::cli {
namespace {

void AddHandshakeCommand(Command& app, CliContext& ctx, int& exitCode) {
    auto sub = app.Subcommand("handshake", "Perform the start-up security handshake");
    sub.OnRun([&ctx, &exitCode] {
        exitCode = ctx.PrepareService();
        if (exitCode != kExitOk) return;
        Json::Value fields(Json::objectValue);
        fields["mac"] = std::string(GetText(ctx.g.m_Mac));
        fields["localIp"] = std::string(GetText(ctx.g.m_LocalIp));
        fields["keyValue"] = std::string(GetText(ctx.g.m_KeyValue));
        fields["serverExp"] = std::string(GetText(ctx.g.m_ServerExp));
        ctx.Print(fields, "OK",
                  "Рукопожатие выполнено: ключ " + fields["keyValue"].asString() + ", адаптер " +
                      fields["localIp"].asString() + " (" + fields["mac"].asString() + ")");
    });
}

const CommandRegistration registration(&AddHandshakeCommand);

}  // namespace
}  // namespace nimbrel::cli
