// nimbrelctl passwd --old OLD --new NEW [--confirm NEW]: changes the account's password as the
// settings page does, after signing in with --user and --password; the account file keeps the
// new stored form when it remembers the password.
#include "AccountSession.h"
#include "CommandRegistry.h"
#include "ExitCode.h"
#include "SilentNotifier.h"
#include "service/PasswordChangeFlow.h"

namespace nimbrel::cli {
namespace {

const char* BoxName(PasswordBox box) {
    switch (box) {
        case PasswordBox::Old:
            return "old";
        case PasswordBox::New:
            return "new";
        case PasswordBox::Repeat:
            return "confirm";
        case PasswordBox::None:
            break;
    }
    return "";
}

struct PasswdArgs {
    AccountOptions account;
    std::string oldPassword, newPassword;
    std::optional<std::string> confirm;
};

void AddPasswdCommand(Command& app, CliContext& ctx, int& exitCode) {
    auto sub = app.Subcommand("passwd", "Change the account's password");
    auto args = std::make_shared<PasswdArgs>();
    args->account.AddTo(sub);
    sub.Option("--old", args->oldPassword, "The current password");
    sub.Option("--new", args->newPassword, "The new password");
    sub.Option("--confirm", args->confirm, "The new password again (default: --new)");
    sub.OnRun([&ctx, &exitCode, args] {
        exitCode = SignInAsDialog(ctx, args->account);
        if (exitCode != kExitOk) return;
        SilentNotifier silent;
        PasswordChangeFlow flow(ctx.g, ctx.app, silent);
        const auto check = flow.Apply(args->oldPassword, args->newPassword,
                                      args->confirm.value_or(args->newPassword));
        if (!check.started) {
            Json::Value fields(Json::objectValue);
            fields["box"] = BoxName(check.box);
            exitCode = ctx.Fail(kExitFailed, "INVALID", check.status, fields);
            return;
        }
        if (!flow.WaitIdle(kFlowWait) || !flow.LastResult()) {
            exitCode = ctx.Fail(kExitFailed, "NETWORK", change_text::kFailed);
            return;
        }
        const auto result = *flow.LastResult();
        if (!result.ok) {
            exitCode = ctx.Fail(kExitFailed, result.status.empty() ? "NETWORK" : result.status,
                                result.message);
            return;
        }
        Json::Value fields(Json::objectValue);
        fields["message"] = result.message;
        ctx.Print(fields, "OK", result.message);
    });
}

const CommandRegistration registration(&AddPasswdCommand);

}  // namespace
}  // namespace nimbrel::cli
