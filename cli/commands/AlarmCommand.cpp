// nimbrelctl alarm on|off|hours --sid SID [--from H --to H] [--alarm-status 0|1]: the alarm
// schedule of one device, with the messages the alarm dialog shows, after signing in as the
// login dialog does.
#include <string>

#include "AccountSession.h"
#include "CommandRegistry.h"
#include "ExitCode.h"
#include "service/AlarmFlow.h"

namespace nimbrel::cli {
namespace {

struct AlarmArgs {
    AccountOptions account;
    std::string action;
    std::string sid;
    int from = -1;
    int to = -1;
    int alarmStatus = 1;
};

const char* OutcomeName(AlarmOutcome outcome) {
    switch (outcome) {
        case AlarmOutcome::SwitchedOn:
            return "SwitchedOn";
        case AlarmOutcome::SwitchedOff:
            return "SwitchedOff";
        case AlarmOutcome::SwitchOnFailed:
            return "SwitchOnFailed";
        case AlarmOutcome::SwitchOffFailed:
            return "SwitchOffFailed";
        case AlarmOutcome::HoursSet:
            return "HoursSet";
        case AlarmOutcome::CameraOffline:
            return "CameraOffline";
        case AlarmOutcome::HoursFailed:
            return "HoursFailed";
        case AlarmOutcome::AlarmIsOff:
            return "AlarmIsOff";
        case AlarmOutcome::NotBuilt:
            return "NotBuilt";
        case AlarmOutcome::InvalidHours:
            return "InvalidHours";
    }
    return "";
}

// The JSON status word of an outcome.
std::string StatusWord(AlarmOutcome outcome) {
    switch (outcome) {
        case AlarmOutcome::SwitchedOn:
        case AlarmOutcome::SwitchedOff:
        case AlarmOutcome::HoursSet:
            return "OK";
        case AlarmOutcome::CameraOffline:
            return "OFFLINE";
        case AlarmOutcome::AlarmIsOff:
            return "ALARMOFF";
        case AlarmOutcome::NotBuilt:
            return "NOTSENT";
        case AlarmOutcome::InvalidHours:
            return "USAGE";
        default:
            return "FAILED";
    }
}

// A device id goes into the payload as it stands: 1-17 visible characters without "&".
bool ValidSid(const std::string& sid) {
    if (sid.empty() || sid.size() > 17) return false;
    for (const unsigned char c : sid)
        if (c <= ' ' || c >= 0x7F || c == '&') return false;
    return true;
}

int RunAlarm(CliContext& ctx, const AlarmArgs& args) {
    if (!ValidSid(args.sid))
        return ctx.Fail(kExitUsage, "USAGE", "Неверный --sid: 1-17 видимых символов без \"&\"");
    const bool hours = args.action == "hours";
    if (hours && (args.from < 0 || args.to < 0))
        return ctx.Fail(kExitUsage, "USAGE", "Для hours нужны --from и --to (0-23)");
    if (const int rc = SignInAsDialog(ctx, args.account); rc != kExitOk) return rc;

    AlarmDevice device;
    device.sid = args.sid;
    device.alarmSwitch = args.alarmStatus;
    AlarmFlow flow(ctx.g, ctx.app, ctx.notifier, device);
    const AlarmOutcome outcome =
        hours ? flow.SaveHours(args.from, args.to) : flow.Switch(args.action == "on");

    const AlarmDevice after = flow.Device();
    Json::Value fields(Json::objectValue);
    fields["outcome"] = OutcomeName(outcome);
    fields["alarmStatus"] = after.alarmSwitch;
    fields["startHour"] = after.startHour;
    fields["endHour"] = after.endHour;
    if (hours) fields["note"] = std::string(AlarmFlow::HoursNote(args.from, args.to));
    const UserMessage message = AlarmFlow::MessageFor(outcome);
    fields["message"] = std::string(message.text);

    const std::string status = StatusWord(outcome);
    if (status == "OK") {
        std::string text(message.text);
        if (hours && !AlarmFlow::HoursNote(args.from, args.to).empty())
            text += "\n" + std::string(AlarmFlow::HoursNote(args.from, args.to));
        ctx.Print(fields, status, text);
        return kExitOk;
    }
    const std::string shown = message.Empty() ? "Запрос не отправлен" : std::string(message.text);
    return ctx.Fail(kExitFailed, status, shown, fields);
}

void AddAlarmCommand(Command& app, CliContext& ctx, int& exitCode) {
    static AlarmArgs args;
    auto sub = app.Subcommand("alarm", "Switch a device's alarm reports or set their hours");
    args.account.AddTo(sub);
    sub.Option("action", args.action, "on, off or hours").Required().OneOf({"on", "off", "hours"});
    sub.Option("--sid", args.sid, "Device id").Required();
    sub.Option("--from", args.from, "Start hour (hours)").Range(0, 23);
    sub.Option("--to", args.to, "End hour (hours)").Range(0, 23);
    sub.Option("--alarm-status", args.alarmStatus,
               "The device's alarm switch as its record holds it; with 0, hours sends nothing")
        .Range(0, 1);
    sub.OnRun([&ctx, &exitCode] { exitCode = RunAlarm(ctx, args); });
}

const CommandRegistration registration(&AddAlarmCommand);

}  // namespace
}  // namespace nimbrel::cli
