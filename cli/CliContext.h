// What every nimbrelctl command shares: the global options, the client's settings records, the
// start-up steps a command needs (adapter identity, handshake) and the printing of results.
// Threading: the main thread of nimbrelctl.
#pragma once

#include <json/value.h>

#include <string>

#include "PrintingNotifier.h"
#include "service/AppRecord.h"
#include "service/GlobalSettings.h"

namespace nimbrel::cli {

struct CliContext {
    std::string service = "http://127.0.0.1:80";
    std::string adapter;
    std::string user;
    std::string password;
    bool json = false;

    GlobalSettings& g = global;
    AppRecord& app = nimbrel::app;
    PrintingNotifier notifier;

    // Points the settings at --service and reads the adapter identity. An exit code on failure
    // (after printing why), kExitOk when the command may go on.
    int PrepareIdentity();
    // PrepareIdentity, then the security handshake.
    int PrepareService();

    // Prints a result: `fields` as one JSON object with --json, else `text` as a line.
    // "status" is added to `fields` when missing.
    void Print(Json::Value fields, const std::string& status, const std::string& text) const;
    // Prints a failure with the message the user would see (on stderr, or as one JSON object with
    // `fields`, "status" and "message" on stdout with --json), and returns `exitCode`.
    int Fail(int exitCode, const std::string& status, const std::string& message,
             Json::Value fields = Json::Value(Json::objectValue)) const;
};

}  // namespace nimbrel::cli
