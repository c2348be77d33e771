// The start-up exchange with the service: the client's RSA key pair is sent sealed under a key
// both sides derive from the client id, and the service answers with its own public key and the
// shared DES key prefix that every later request uses.
// Threading: start-up thread, once, before any other request.
#pragma once

#include <filesystem>

#include "platform/UserNotifier.h"
#include "service/AppRecord.h"
#include "service/GlobalSettings.h"
#include "service/HttpTransport.h"

namespace nimbrel {

enum class HandshakeResult {
    Ok,             // keys filled in
    Failed,         // no key pair, transport failure, bad reply or unknown status
    UpdateStarted,  // the service demands an update; the updater was started: exit with code 0
    UpdateRequired, // the service demands an update; starting the updater was not asked for
};

struct HandshakeOptions {
    // The updater program; empty means "Update" beside the executable.
    std::filesystem::path updater;
    // The command-line client reports the demand instead of starting the updater.
    bool startUpdater = true;
    HttpOptions http;
};

// The current time as decimal seconds since 1970, the timestamp of every sealed request.
std::string CurrentTimestamp();

HandshakeResult SecurityHandshake(GlobalSettings& g, const AppRecord& app,
                                  UserNotifier& notifier, const HandshakeOptions& options = {});

}  // namespace nimbrel
