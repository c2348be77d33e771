// nimbrelctl settings get [KEY] | set KEY VALUE [--config-dir DIR]: the local settings of an
// account file ("config1": folders, recording length, close behaviour, automatic login and play,
// the update choice), read and written by the same code as the desktop program's settings
// dialog. The account is --user, else the one used most recently. Nothing is sent anywhere.
#include "CommandRegistry.h"
#include "ExitCode.h"
#include "service/AccountFolder.h"
#include "settings/SettingKeys.h"
#include "settings/SettingsFlow.h"

namespace nimbrel::cli {
namespace {

struct SettingsArgs {
    std::string action;
    std::vector<std::string> args;
    std::string configDir;
};

// The account file the command works on; an exit code (after printing why) when there is none.
int FindAccountFile(CliContext& ctx, const SettingsArgs& o, std::filesystem::path& file) {
    const AccountFolder folder =
        o.configDir.empty() ? AccountFolder::Default() : AccountFolder(o.configDir);
    std::string account = ctx.user;
    if (account.empty()) {
        const auto recent = folder.RecentAccounts(1);
        if (recent.empty())
            return ctx.Fail(kExitFailed, "NOACCOUNT",
                            "Нет файлов учетных записей в папке " + folder.Folder().string());
        account = recent.front().name;
    }
    const auto path = folder.FileFor(account);
    if (!path) return ctx.Fail(kExitUsage, "USAGE", "Неверное имя учетной записи: " + account);
    file = *path;
    return kExitOk;
}

int Get(CliContext& ctx, const std::filesystem::path& file, const SettingsArgs& o) {
    if (o.args.size() > 1) return ctx.Fail(kExitUsage, "USAGE", "settings get [KEY]");
    if (!o.args.empty() && !IsSettingKey(o.args[0]))
        return ctx.Fail(kExitUsage, "USAGE", *RefuseSettingValue(o.args[0], ""));
    const auto values = ReadSettings(file);
    if (!values)
        return ctx.Fail(kExitFailed, "UNREADABLE",
                        "Не удалось прочитать файл учетной записи " + file.string());
    Json::Value fields(Json::objectValue);
    fields["file"] = file.string();
    if (!o.args.empty()) {
        for (const SettingValue& v : *values)
            if (v.key == o.args[0]) {
                fields["key"] = v.key;
                fields["value"] = v.value;
                ctx.Print(fields, "OK", v.value);
                return kExitOk;
            }
        return ctx.Fail(kExitFailed, "NOTSET", "В файле учетной записи нет " + o.args[0]);
    }
    fields["settings"] = Json::Value(Json::objectValue);
    std::string text;
    for (const SettingValue& v : *values) {
        fields["settings"][v.key] = v.value;
        text += v.key + " = " + v.value + "\n";
    }
    if (!text.empty()) text.pop_back();
    ctx.Print(fields, "OK", text);
    return kExitOk;
}

int Set(CliContext& ctx, const std::filesystem::path& file, const SettingsArgs& o) {
    if (o.args.size() != 2) return ctx.Fail(kExitUsage, "USAGE", "settings set KEY VALUE");
    const SettingValue change{o.args[0], o.args[1]};
    if (!IsSettingKey(change.key))
        return ctx.Fail(kExitUsage, "USAGE", *RefuseSettingValue(change.key, change.value));
    if (const auto refusal = RefuseSettingValue(change.key, change.value))
        return ctx.Fail(kExitFailed, "INVALID", *refusal);
    switch (SaveSettings(file, {change}, ctx.app)) {
        case SettingsSaveResult::Saved:
            break;
        case SettingsSaveResult::Refused:
            return ctx.Fail(kExitFailed, "INVALID", *RefuseSettingValue(change.key, change.value));
        case SettingsSaveResult::Unreadable:
            return ctx.Fail(kExitFailed, "UNREADABLE",
                            "Не удалось прочитать файл учетной записи " + file.string());
        case SettingsSaveResult::NotSaved:
            return ctx.Fail(kExitFailed, "SAVE", settings_text::kSaveFailed);
    }
    Json::Value fields(Json::objectValue);
    fields["file"] = file.string();
    fields["key"] = change.key;
    fields["value"] = StoredSettingValue(change.key, change.value);
    ctx.Print(fields, "OK", change.key + " = " + fields["value"].asString());
    return kExitOk;
}

void AddSettingsCommand(Command& app, CliContext& ctx, int& exitCode) {
    static SettingsArgs options;
    auto sub = app.Subcommand("settings", "Read or change the account's local settings");
    sub.Option("action", options.action, "get or set").Required().OneOf({"get", "set"});
    sub.Option("args", options.args, "get: [KEY]; set: KEY VALUE");
    sub.Option("--config-dir", options.configDir, "Folder of the account files");
    sub.OnRun([&ctx, &exitCode] {
        std::filesystem::path file;
        exitCode = FindAccountFile(ctx, options, file);
        if (exitCode != kExitOk) return;
        exitCode = options.action == "get" ? Get(ctx, file, options) : Set(ctx, file, options);
    });
}

const CommandRegistration registration(&AddSettingsCommand);

}  // namespace
}  // namespace nimbrel::cli
