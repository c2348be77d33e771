// Signing in the way the desktop program's login dialog does, for the account commands (login,
// passwd, share): the handshake, the login flow with the typed or remembered password, and the
// account file written as the dialog writes it.
// Threading: the main thread of nimbrelctl.
#pragma once

#include "CommandLine.h"

#include <chrono>
#include <string>

#include "CliContext.h"
#include "service/AccountFolder.h"
#include "service/LoginFlow.h"

namespace nimbrel::cli {

// How long a command waits for a flow; every request ends by itself well within it.
inline constexpr std::chrono::seconds kFlowWait{120};

struct AccountOptions {
    std::string configDir;  // empty: the default account folder
    int remember = -1;      // -1: as the account file says; 0 or 1: untick or tick
    int autoLogin = -1;

    // Adds --config-dir, --remember and --auto-login to `command`.
    void AddTo(Command& command);
    AccountFolder Folder() const;
};

// The login dialog's work from the command line. With --user that account's file supplies the
// remembered choices, else the most recent account's (and its automatic login, if set). With
// --password the password counts as typed (isnew 1), else the remembered one is used (isnew 0).
// Returns kExitOk when signed in; otherwise the failure was printed and its code is returned.
// `result` receives the flow's result when the login ran.
int SignInAsDialog(CliContext& ctx, const AccountOptions& options, LoginResult* result = nullptr);

}  // namespace nimbrel::cli
