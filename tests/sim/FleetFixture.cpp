#include "FleetFixture.h"

#include <unistd.h>

#include <fstream>
#include <thread>

#include "StreamTestClient.h"
#include "text/JsonText.h"

namespace nimbrel::sim::test {

const char* const FleetFixture::kScenario = R"({
  "accounts": [{"name": "demo_user", "password": "demo1234"}],
  "devices": [
    {"sid": "NB0000000001", "owner": "demo_user", "reach": "lan",
     "media": {"width": 320, "height": 180, "gop": 10, "bitRate": 300000}},
    {"sid": "NB0000000002", "owner": "demo_user", "reach": "portMapping",
     "media": {"width": 320, "height": 180, "gop": 10, "bitRate": 300000, "audio": "aac"}},
    {"sid": "NB0000000003", "owner": "demo_user", "reach": "natTraversal",
     "media": {"width": 320, "height": 180, "gop": 10, "bitRate": 300000, "audio": "aac"}},
    {"sid": "NB0000000004", "owner": "demo_user", "reach": "relay",
     "media": {"width": 320, "height": 180, "gop": 10, "bitRate": 300000}},
    {"sid": "NB0000000005", "owner": "demo_user", "reach": "offline"},
    {"sid": "NB0000000006", "owner": "demo_user", "reach": "lan",
     "media": {"width": 320, "height": 180, "gop": 10, "bitRate": 300000},
     "faults": {"closeAfter": 0.5}},
    {"sid": "NB0000000007", "owner": "demo_user", "reach": "lan",
     "faults": {"refuseConnect": true}},
    {"sid": "NB0000000008", "owner": "demo_user", "reach": "lan",
     "faults": {"connectTimeout": true}},
    {"sid": "NB0000000009", "owner": "demo_user", "reach": "lan",
     "media": {"width": 320, "height": 180, "gop": 10, "bitRate": 300000},
     "faults": {"mediaBeforeReply": 4, "dropAfter": 1}},
    {"sid": "NB0000000010", "owner": "demo_user", "reach": "natTraversal",
     "media": {"width": 320, "height": 180, "gop": 10, "bitRate": 300000},
     "faults": {"silentRendezvous": true}},
    {"sid": "NB0000000011", "owner": "demo_user", "reach": "lan",
     "media": {"width": 320, "height": 180, "gop": 10, "bitRate": 300000},
     "faults": {"brokenAfter": 0.3, "brokenKind": "fragmentOverflow"}},
    {"sid": "NB0000000012", "owner": "demo_user", "reach": "portMapping",
     "media": {"width": 320, "height": 180, "gop": 10, "bitRate": 300000},
     "faults": {"brokenAfter": 0.3}},
    {"sid": "NB0000000013", "owner": "demo_user", "reach": "lan",
     "media": {"width": 320, "height": 180, "gop": 10, "bitRate": 300000, "audio": "none"},
     "faults": {"silentConnect": true}},
    {"sid": "NB0000000014", "owner": "demo_user", "reach": "lan",
     "media": {"width": 320, "height": 180, "gop": 10, "bitRate": 300000}},
    {"sid": "NB0000000015", "owner": "demo_user", "reach": "natTraversal",
     "media": {"width": 320, "height": 180, "gop": 10, "bitRate": 300000},
     "faults": {"punchFromOtherPort": true}}
  ]})";

std::filesystem::path FleetFixture::logPath_;
std::unique_ptr<RequestLog> FleetFixture::log_;
std::unique_ptr<Scenario> FleetFixture::scenario_;
std::unique_ptr<CameraFleet> FleetFixture::fleet_;

void FleetFixture::SetUpTestSuite() {
    StartFleet(kScenario);
}

void FleetFixture::StartFleet(const char* scenarioText) {
    logPath_ = std::filesystem::temp_directory_path() /
               ("nimbrel-fleet-" + std::to_string(getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_suite()->name() + ".jsonl");
    auto log = RequestLog::Open(logPath_);
    ASSERT_TRUE(log) << log.error();
    log_ = std::move(log.value());
    auto scenario = ParseScenario(scenarioText);
    ASSERT_TRUE(scenario) << scenario.error();
    scenario_ = std::make_unique<Scenario>(std::move(scenario.value()));
    fleet_ = std::make_unique<CameraFleet>(*scenario_, kTestKeyValue, log_.get(), nullptr);
    auto started = fleet_->Start();
    ASSERT_TRUE(started) << started.error();
}

void FleetFixture::TearDownTestSuite() {
    fleet_.reset();
    log_.reset();
    scenario_.reset();
    std::filesystem::remove(logPath_);
}

int FleetFixture::Port(const std::string& sid) {
    return fleet_->StreamPort(sid).value_or(0);
}

std::vector<Json::Value> FleetFixture::LogLines() {
    std::vector<Json::Value> lines;
    std::ifstream file(logPath_);
    std::string line;
    while (std::getline(file, line))
        if (auto parsed = ParseJsonObject(line)) lines.push_back(*parsed);
    return lines;
}

std::optional<Json::Value> FleetFixture::WaitForLine(
    const std::function<bool(const Json::Value&)>& match, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
        for (const auto& line : LogLines())
            if (match(line)) return line;
        if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

}  // namespace nimbrel::sim::test
