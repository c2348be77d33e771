// nimbrelctl rename / delete / led / voice: the account-side operations of the device tree's
// menu, with the messages the desktop program shows.
#include "CommandRegistry.h"
#include "DeviceSession.h"
#include "ExitCode.h"
#include "devices/DeviceOperations.h"
#include "devices/DeviceTreeModel.h"
#include "platform/FixedText.h"
#include "service/PasswordConfirmFlow.h"

namespace nimbrel::cli {
namespace {

struct DeviceOpOptions {
    std::string sid;
    std::string name;
    std::string confirm;
    AccountOptions account;
};

int Report(CliContext& ctx, const std::string& sid, const DeviceOpOutcome& outcome,
           const std::string& successText) {
    Json::Value fields(Json::objectValue);
    fields["sid"] = sid;
    if (!outcome.ok) return ctx.Fail(kExitFailed, "FAILED", outcome.message);
    fields["message"] = outcome.message;
    ctx.Print(fields, "OK", outcome.message.empty() ? successText : outcome.message);
    return kExitOk;
}

int Rename(CliContext& ctx, const DeviceOpOptions& o) {
    if (const auto tooLong = CheckDeviceName(o.name))
        return ctx.Fail(kExitUsage, "TOOLONG", *tooLong);
    DeviceSession session(ctx);
    if (const int rc = session.Open(o.account); rc != kExitOk) return rc;
    DeviceRecord* device = session.Find(o.sid);
    if (!device) return kExitFailed;
    return Report(ctx, o.sid, RenameDevice(session.Service(), *device, o.name),
                  "Устройство переименовано: " + o.name);
}

int Delete(CliContext& ctx, const DeviceOpOptions& o) {
    DeviceSession session(ctx);
    if (const int rc = session.Open(o.account); rc != kExitOk) return rc;
    DeviceRecord* device = session.Find(o.sid);
    if (!device) return kExitFailed;
    PasswordConfirmFlow confirm{std::string(GetText(ctx.app.m_StoredPassword))};
    if (!confirm.Confirm(o.confirm).accepted)
        return ctx.Fail(kExitFailed, "REFUSED", confirm.StatusText());
    const DeviceOpOutcome outcome = DeleteDevice(session.Service(), *device);
    if (outcome.ok) {
        // The device leaves the tree and the account file; its record stays in the list.
        DeviceTreeModel tree(session.List(), ctx.app.m_ConfigPath);
        if (tree.Fill()) tree.RemoveDevice(session.List().IndexOfSid(o.sid));
    }
    return Report(ctx, o.sid, outcome, "Устройство удалено");
}

int Toggle(CliContext& ctx, const DeviceOpOptions& o, DeviceSwitch which) {
    DeviceSession session(ctx);
    if (const int rc = session.Open(o.account); rc != kExitOk) return rc;
    DeviceRecord* device = session.Find(o.sid);
    if (!device) return kExitFailed;
    const bool shown = which == DeviceSwitch::Led ? device->showLED != 0 : device->showSound != 0;
    if (!shown)
        return ctx.Fail(kExitFailed, "UNSUPPORTED", "Устройство не поддерживает эту функцию");
    return Report(ctx, o.sid, ToggleDeviceSwitch(session.Service(), *device, which), "");
}

void AddDeviceOpsCommands(Command& app, CliContext& ctx, int& exitCode) {
    static DeviceOpOptions rename, remove, led, voice;
    auto r = app.Subcommand("rename", "Rename a device");
    r.Option("sid", rename.sid, "Device id").Required();
    r.Option("name", rename.name, "New name (at most 30 characters)").Required();
    rename.account.AddTo(r);
    r.OnRun([&] { exitCode = Rename(ctx, rename); });

    auto d = app.Subcommand("delete", "Delete a device from the account");
    d.Option("sid", remove.sid, "Device id").Required();
    d.Option("--confirm", remove.confirm, "The account password, typed again").Required();
    remove.account.AddTo(d);
    d.OnRun([&] { exitCode = Delete(ctx, remove); });

    auto l = app.Subcommand("led", "Switch the status LED of a device to its other state");
    l.Option("sid", led.sid, "Device id").Required();
    led.account.AddTo(l);
    l.OnRun([&] { exitCode = Toggle(ctx, led, DeviceSwitch::Led); });

    auto v = app.Subcommand("voice", "Switch the voice prompts of a device to their other state");
    v.Option("sid", voice.sid, "Device id").Required();
    voice.account.AddTo(v);
    v.OnRun([&] { exitCode = Toggle(ctx, voice, DeviceSwitch::Voice); });
}

const CommandRegistration registration(&AddDeviceOpsCommands);

}  // namespace
}  // namespace nimbrel::cli
