// nimbrelctl devices: the account's devices with their states; nimbrelctl discover: the cameras
// that answer the LAN discovery probe.
#include <iomanip>
#include <iostream>
#include <sstream>

#include "CommandRegistry.h"
#include "DeviceSession.h"
#include "ExitCode.h"

namespace nimbrel::cli {
namespace {

std::string Row(const DeviceRecord& d) {
    std::ostringstream line;
    line << std::left << std::setw(14) << d.Sid() << ' '
         << (d.IsOnline() ? "[Онлайн] " : "[Оффлайн]")
         << (d.IsOnline() && d.onLan == 1 ? " [内网]" : "      ")
         << (d.lock == 1 ? " locked" : "       ") << (d.IsOwner() ? " owner " : " shared") << "  "
         << d.Name();
    return line.str();
}

void AddDevicesCommand(Command& app, CliContext& ctx, int& exitCode) {
    auto sub = app.Subcommand("devices", "List the account's devices");
    static AccountOptions options;
    options.AddTo(sub);
    sub.OnRun([&ctx, &exitCode] {
        DeviceSession session(ctx);
        if ((exitCode = session.Open(options)) != kExitOk) return;
        Json::Value fields(Json::objectValue);
        fields["devices"] = Json::Value(Json::arrayValue);
        std::string text;
        for (int i = 0; i < session.List().Count(); ++i) {
            const DeviceRecord& d = *session.List().At(i);
            fields["devices"].append(DeviceJson(d));
            text += Row(d) + "\n";
        }
        if (text.empty()) text = "Нет устройств\n";
        text.pop_back();
        ctx.Print(fields, "OK", text);
    });
}

void AddDiscoverCommand(Command& app, CliContext& ctx, int& exitCode) {
    auto sub = app.Subcommand("discover", "List the cameras that answer on the local network");
    sub.OnRun([&ctx, &exitCode] {
        if ((exitCode = ctx.PrepareIdentity()) != kExitOk) return;
        DeviceSession session(ctx);
        if (!session.Lan().Start(session.LanOptions())) {
            exitCode = ctx.Fail(kExitFailed, "FAILED", "Не удалось начать поиск в локальной сети");
            return;
        }
        session.Lan().Collect();
        Json::Value fields(Json::objectValue);
        fields["cameras"] = Json::Value(Json::arrayValue);
        std::string text;
        for (const LanReply& r : session.Lan().Replies()) {
            Json::Value j(Json::objectValue);
            j["id"] = r.id;
            j["ip"] = r.ip;
            j["mac"] = r.mac;
            j["port"] = r.port;
            fields["cameras"].append(j);
            text += r.id + "  " + r.ip + ":" + std::to_string(r.port) + "  " + r.mac + "\n";
        }
        if (text.empty()) text = "В локальной сети камеры не найдены\n";
        text.pop_back();
        ctx.Print(fields, "OK", text);
    });
}

const CommandRegistration devices(&AddDevicesCommand);
const CommandRegistration discover(&AddDiscoverCommand);

}  // namespace
}  // namespace nimbrel::cli
