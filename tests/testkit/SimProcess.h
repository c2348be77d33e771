// Starts nimbrel-sim with a scenario for one test, reads the addresses it prints, reads its
// request log, and stops it when the test ends.
// Threading: the test's thread.
#pragma once

#include <json/value.h>

#include <filesystem>
#include <string>
#include <vector>

namespace nimbrel::test {

class SimProcess {
  public:
    // `scenario` is a file name under the scenario folder or a path. Fails the test (by
    // throwing) when the simulator does not come up within 30 seconds.
    explicit SimProcess(const std::string& scenario,
                        const std::vector<std::string>& extraArgs = {});
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Ends the simulator at once (SIGKILL), as a crash would.
    void Kill();
    // Starts it again after Kill with the same scenario, listening on the same ports; throws
    // like the constructor. Info() and the request log are the new run's.
    void StartAgain();
    // Stops and resumes the whole simulator (SIGSTOP, SIGCONT): a frozen service and cameras.
    void Freeze();
    void Thaw();
    // Asks for one of the simulator's controls ("forget-sessions", "outage?seconds=3"); true
    // when it answered OK.
    bool Control(const std::string& control) const;

    // The scenario file the simulator was started with.
    const Json::Value& Scenario() const { return scenario_; }
    // The start-up line the simulator printed.
    const Json::Value& Info() const { return info_; }
    std::string ServiceUrl() const { return info_["service"].asString(); }
    // Every request-log line written so far.
    std::vector<Json::Value> RequestLog() const;
    // The request-log lines of one operation ("login.do").
    std::vector<Json::Value> Requests(const std::string& path) const;

    // The folder of the repository's scenarios.
    static std::filesystem::path ScenarioDir();

  private:
    void Spawn(std::vector<std::string> args);

    std::filesystem::path scenarioPath_;
    std::vector<std::string> extraArgs_;
    int pid_ = -1;
    Json::Value info_;
    Json::Value scenario_;
};

// The payload of a request-log line as ordered (key, value) pairs.
std::vector<std::pair<std::string, std::string>> PayloadPairs(const Json::Value& logLine);

}  // namespace nimbrel::test
