// Signing in for the commands that act on the account (alarm, probe): the handshake, then one
// login.do with --user and --password, whose reply fills the token, the detection and relay
// servers and the account name. It writes no account file.
// Threading: the main thread of nimbrelctl.
#pragma once

#include "CliContext.h"

namespace nimbrel::cli {

// kExitOk when signed in; otherwise the failure was printed and its exit code is returned.
int SignInForCommand(CliContext& ctx);

}  // namespace nimbrel::cli
