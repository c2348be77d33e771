// A camera fleet of a small scenario on 127.0.0.1 with its log in a temporary file, shared by
// the tests of one suite, and the log lines read back.
// Threading: the test's thread.
#pragma once

#include <gtest/gtest.h>
#include <json/value.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "RequestLog.h"
#include "Scenario.h"
#include "camera/CameraFleet.h"

namespace nimbrel::sim::test {

class FleetFixture : public ::testing::Test {
  protected:
    // The scenario of the suite: every reachability case and one camera per fault.
    static const char* const kScenario;

    static void SetUpTestSuite();
    // Starts the fleet of another scenario (a suite's own SetUpTestSuite calls it).
    static void StartFleet(const char* scenarioText);
    static void TearDownTestSuite();

    static int Port(const std::string& sid);
    static std::vector<Json::Value> LogLines();
    // Waits up to `timeoutMs` for a log line that `match` accepts.
    static std::optional<Json::Value> WaitForLine(
        const std::function<bool(const Json::Value&)>& match, int timeoutMs = 10000);

    static std::filesystem::path logPath_;
    static std::unique_ptr<RequestLog> log_;
    static std::unique_ptr<Scenario> scenario_;
    static std::unique_ptr<CameraFleet> fleet_;
};

}  // namespace nimbrel::sim::test
