// Signing in for the commands that act on the account (alarm, probe): the handshake, then one
// login.do with --user and --password, whose reply fills the token, the detection and relay
// servers and the account name. It writes no account file.
// Threading: the main thread of nimbrelctl.
#pragma once

#include "CliContext.h"

namespace nimbrel::cli {

// kExitOk when signed in; otherwise the failure was printed and its exit code is returned.
int SignInForCommand(CliContext& ctx);

// Prints a failure with extra JSON fields: one object on stdout with --json, else the message
// on stderr. Returns `exitCode`.
int PrintFailure(const CliContext& ctx, Json::Value fields, int exitCode, const std::string& status,
                 const std::string& message);

}  // namespace nimbrel::cli
