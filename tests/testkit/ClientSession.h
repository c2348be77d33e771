// A client keyed and signed in to a running simulator the way the desktop program is after its
// login window: settings pointed at the service, identity of adapter lo, handshake, then the
// login flow itself with an account folder of its own.
// Threading: the test's thread.
#pragma once

#include <filesystem>
#include <string>

#include "RecordingNotifier.h"
#include "SimProcess.h"
#include "service/AppRecord.h"
#include "service/GlobalSettings.h"

namespace nimbrel::test {

class ClientSession {
public:
    ClientSession();
    ~ClientSession();
    ClientSession(const ClientSession&) = delete;
    ClientSession& operator=(const ClientSession&) = delete;

    // Service address, adapter lo and the handshake. False with the reason in `why`.
    bool Connect(const SimProcess& sim, std::string* why = nullptr);
    // Connect, then the login flow with a typed password. False with the reason in `why`.
    bool SignIn(const SimProcess& sim, const std::string& user, const std::string& password,
                std::string* why = nullptr);

    const std::filesystem::path& ConfigDir() const { return configDir_; }

    GlobalSettings g;
    AppRecord app;
    RecordingNotifier notifier;

private:
    std::filesystem::path configDir_;
};

}  // namespace nimbrel::test
