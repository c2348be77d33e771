#include "AccountSession.h"

#include <iostream>

#include "ExitCode.h"
#include "SilentNotifier.h"
#include "platform/FixedText.h"
#include "text/JsonText.h"

namespace nimbrel::cli {
namespace {

// The "status" of a failed login: the service's word when the service refused, else what went
// wrong on this side.
std::string FailureWord(const LoginResult& result) {
    switch (result.outcome) {
        case LoginOutcome::LoggedIn:
            return "OK";
        case LoginOutcome::NetworkFailure:
            return "NETWORK";
        case LoginOutcome::AccountSaveFailed:
            return "SAVEACCOUNT";
        case LoginOutcome::SaveFailed:
            return "SAVE";
        case LoginOutcome::Cancelled:
            return "CANCELLED";
        case LoginOutcome::WrongPassword:
        case LoginOutcome::NoAccount:
        case LoginOutcome::TokenExpired:
        case LoginOutcome::Refused:
            break;
    }
    return result.status.empty() ? "REFUSED" : result.status;
}

}  // namespace

void AccountOptions::AddTo(Command& command) {
    command.Option("--config-dir", configDir, "Folder of the account files");
    command.Option("--remember", remember, "Remember the password (1) or not (0)").Range(0, 1);
    command.Option("--auto-login", autoLogin, "Log in automatically next time (1) or not (0)")
        .Range(0, 1);
}

AccountFolder AccountOptions::Folder() const {
    return configDir.empty() ? AccountFolder::Default() : AccountFolder(configDir);
}

int SignInAsDialog(CliContext& ctx, const AccountOptions& options, LoginResult* result) {
    if (const int rc = ctx.PrepareService(); rc != kExitOk) return rc;

    static SilentNotifier silent;
    LoginFlow::Options flowOptions;
    flowOptions.defaults = AccountFileDefaults::FromUserDirs();
    LoginFlow flow(ctx.g, ctx.app, options.Folder(), silent, flowOptions);

    std::optional<LoginCheck> check;
    if (!ctx.user.empty()) {
        flow.EditUserName(ctx.user);
        flow.ChooseAccount(ctx.user);
    } else if (auto opening = flow.Open(); opening.automatic) {
        check = opening.automatic;
    }
    if (!check) {
        if (!ctx.password.empty())
            flow.EditPassword(ctx.password);
        else
            ctx.g.m_IsNew = 0;  // nothing typed: the remembered password logs in
        if (options.remember >= 0) flow.SetRememberPassword(options.remember == 1);
        if (options.autoLogin >= 0) flow.SetAutoLogin(options.autoLogin == 1);
        check = flow.Login();
    }
    if (!check->started) {
        if (check->hint.empty()) return ctx.Fail(kExitFailed, "NETWORK", login_text::kNetwork);
        return ctx.Fail(kExitFailed, "INVALID", check->hint);
    }
    if (!flow.WaitFinished(kFlowWait)) {
        flow.Cancel();
        return ctx.Fail(kExitFailed, "NETWORK", login_text::kNetwork);
    }
    const LoginResult outcome = flow.LastResult().value_or(LoginResult{});
    if (result) *result = outcome;
    if (outcome.outcome != LoginOutcome::LoggedIn)
        return ctx.Fail(kExitFailed, FailureWord(outcome), outcome.message);
    // What the desktop program's start-up does right after the dialog closed.
    SetText(ctx.app.m_UserMac,
            std::string(GetText(ctx.app.m_UserName)) + "," + std::string(GetText(ctx.g.m_Mac)));
    return kExitOk;
}

}  // namespace nimbrel::cli
