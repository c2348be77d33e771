// nimbrelctl login [--config-dir DIR] [--remember 0|1] [--auto-login 0|1]: signs in as the
// login dialog does and prints what the service named: the relay and detection servers and
// whether a token came. The account file is written as the dialog writes it.
#include "AccountSession.h"
#include "CommandRegistry.h"
#include "ExitCode.h"
#include "platform/FixedText.h"

namespace nimbrel::cli {
namespace {

Json::Value EndpointJson(const ServerEndpoint& e) {
    Json::Value v(Json::objectValue);
    v["ip"] = std::string(GetText(e.ip));
    v["tcpPort"] = e.tcpPort;
    v["udpPort"] = e.udpPort;
    return v;
}

std::string EndpointText(const ServerEndpoint& e) {
    return std::string(GetText(e.ip)) + " TCP " + std::to_string(e.tcpPort) + " UDP " +
           std::to_string(e.udpPort);
}

void AddLoginCommand(Command& app, CliContext& ctx, int& exitCode) {
    auto sub = app.Subcommand("login", "Sign in as the login dialog does");
    auto options = std::make_shared<AccountOptions>();
    options->AddTo(sub);
    sub.OnRun([&ctx, &exitCode, options] {
        exitCode = SignInAsDialog(ctx, *options);
        if (exitCode != kExitOk) return;
        const bool token = GetText(ctx.g.m_Token).size() > 0;
        Json::Value fields(Json::objectValue);
        fields["user"] = std::string(GetText(ctx.app.m_UserName));
        fields["relay"] = EndpointJson(ctx.g.m_DefTran);
        fields["firstDetection"] = EndpointJson(ctx.g.m_FirstDetection);
        fields["secondDetection"] = EndpointJson(ctx.g.m_SecondDetection);
        fields["token"] = token;
        fields["configPath"] = ctx.app.m_ConfigPath.string();
        ctx.Print(fields, "OK",
                  "Вход выполнен: " + fields["user"].asString() +
                      "\nРетранслятор: " + EndpointText(ctx.g.m_DefTran) +
                      "\nСервер обнаружения 1: " + EndpointText(ctx.g.m_FirstDetection) +
                      "\nСервер обнаружения 2: " + EndpointText(ctx.g.m_SecondDetection) +
                      "\nТокен: " + (token ? "получен" : "нет") +
                      "\nФайл учетной записи: " + ctx.app.m_ConfigPath.string());
    });
}

const CommandRegistration registration(&AddLoginCommand);

}  // namespace
}  // namespace nimbrel::cli
