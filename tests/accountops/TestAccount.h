// Helpers of the account-operation and probe tests: a scenario file derived from the demo with
// some members changed, and a client that is keyed and signed in to a simulator the way the
// program is after its login dialog.
// Threading: the test's thread.
#pragma once

#include <json/value.h>

#include <filesystem>
#include <functional>
#include <string>

#include "SimProcess.h"
#include "service/AppRecord.h"
#include "service/GlobalSettings.h"

namespace nimbrel::test {

// The demo scenario with `edit` applied, written to a temporary file that lives as long as
// this object.
class ScenarioFile {
  public:
    explicit ScenarioFile(const std::function<void(Json::Value&)>& edit);
    ~ScenarioFile();
    ScenarioFile(const ScenarioFile&) = delete;
    ScenarioFile& operator=(const ScenarioFile&) = delete;
    std::string Path() const { return path_.string(); }

  private:
    std::filesystem::path path_;
};

// A folder of account files for nimbrelctl's sign-in, removed with its files; Option() is the
// command-line option that names it.
class CtlAccountFolder {
  public:
    CtlAccountFolder();
    ~CtlAccountFolder();
    CtlAccountFolder(const CtlAccountFolder&) = delete;
    CtlAccountFolder& operator=(const CtlAccountFolder&) = delete;
    std::string Option() const { return " --config-dir " + path_.string() + " "; }

  private:
    std::filesystem::path path_;
};

// Points `g` at the simulator's service, reads the identity of adapter lo and runs the
// handshake. False (with the reason in `why`) when any step fails.
bool PrepareClient(GlobalSettings& g, AppRecord& app, const SimProcess& sim, std::string* why);

// One login.do with `user` and `password`: fills m_Token, the detection and relay servers,
// m_UserName. Returns the reply's status word ("OK"), or "" when no reply was read.
std::string SignIn(GlobalSettings& g, AppRecord& app, const std::string& user,
                   const std::string& password);

// The detection servers of the simulator's start-up line, as a login would have named them.
void UseDetectionServers(GlobalSettings& g, const SimProcess& sim);

}  // namespace nimbrel::test
