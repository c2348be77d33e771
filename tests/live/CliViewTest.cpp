// nimbrelctl view as a script runs it against the simulator: the address it reports after a
// fall-back to the relay, a locked device without its code, a camera that stalls, and a view
// that outlives a restart of the whole service.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <thread>

#include "CtlRunner.h"
#include "SimProcess.h"
#include "text/JsonText.h"

namespace nimbrel::test {
namespace {

using namespace std::chrono_literals;

class CliView : public ::testing::Test {
  protected:
    CliView() {
        configDir = std::filesystem::temp_directory_path() /
                    ("nimbrel-ctl-view-" + std::to_string(getpid()) + "-" +
                     ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(configDir);
    }
    ~CliView() override { std::filesystem::remove_all(configDir); }

    // The command line of `view` as `user` with --json.
    std::string ViewCommand(const SimProcess& sim, const std::string& user,
                            const std::string& password, const std::string& arguments) const {
        return "--service " + sim.ServiceUrl() + " --adapter lo --user " + user + " --password " +
               password + " --json view " + arguments + " --config-dir " + configDir.string();
    }
    static Json::Value Parsed(const CtlResult& r) {
        auto json = ParseJsonObject(r.out);
        EXPECT_TRUE(json) << r.out;
        return json.value_or(Json::Value());
    }

    std::filesystem::path configDir;
};

TEST_F(CliView, ReportsTheRelayItFellBackTo) {
    SimProcess sim("live-faults.json");
    // The LAN camera never completes a connect: after the time-out the relay carries the view.
    const auto r = RunCtl(ViewCommand(sim, "live_user", "live1234", "LF0000000008 --seconds 8"));
    const Json::Value out = Parsed(r);
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(out["reach"].asString(), "relay");
    EXPECT_EQ(out["address"].asString(),
              "127.0.0.1:" + std::to_string(sim.Info()["relay"]["tcpPort"].asInt()));
}

TEST_F(CliView, ReportsThePictureDelayAndTheFramesSkippedToCatchUpAfterAHiccup) {
    SimProcess sim("live-faults.json");
    // Three seconds in, the camera holds its video back for a second, then sends it at once.
    const auto r = RunCtl(ViewCommand(sim, "live_user", "live1234", "LF0000000021 --seconds 9"));
    const Json::Value out = Parsed(r);
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_GE(out["framesSkippedBehind"].asInt(), 10) << r.out;
    // Most pictures came at the usual delay (about 70 ms), not a second behind.
    EXPECT_GT(out["delayMedianMs"].asDouble(), 0) << r.out;
    EXPECT_LT(out["delayMedianMs"].asDouble(), 400) << r.out;
    EXPECT_GE(out["delayP99Ms"].asDouble(), out["delayMedianMs"].asDouble()) << r.out;
}

TEST_F(CliView, ALockedDeviceAsksForItsLockCode) {
    SimProcess sim("demo.json");
    const auto refused = RunCtl(ViewCommand(sim, "demo_user", "demo1234", "NB0000000008"));
    const Json::Value out = Parsed(refused);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(out["status"].asString(), "LOCKED");
    EXPECT_NE(out["message"].asString().find("--lock-code"), std::string::npos)
        << out["message"].asString();

    const auto wrong =
        RunCtl(ViewCommand(sim, "demo_user", "demo1234", "NB0000000008 --lock-code 2468"));
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_EQ(Parsed(wrong)["message"].asString(), "Неверно введен пароль");
}

TEST_F(CliView, AStalledCameraFailsTheView) {
    SimProcess sim("live-faults.json");
    // A relayed camera that stops sending after a second; relayed views are not retried.
    const auto r = RunCtl(
        ViewCommand(sim, "live_user", "live1234", "LF0000000020 --seconds 8 --stall-seconds 2"));
    const Json::Value out = Parsed(r);
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_EQ(out["status"].asString(), "FAILED");
    EXPECT_EQ(out["finalStatus"].asString(), "failed");
    EXPECT_EQ(out["failure"].asString(), "stalled");
}

TEST_F(CliView, AViewOutlivesARestartOfTheService) {
    SimProcess sim("wall-16.json");
    const int seconds = 30;
    auto view = std::async(std::launch::async, [&] {
        return RunCtl(ViewCommand(sim, "wall_user", "wall1234",
                                  "WL0000000002 --seconds " + std::to_string(seconds)));
    });
    std::this_thread::sleep_for(5s);
    sim.Kill();
    std::this_thread::sleep_for(3s);
    sim.StartAgain();
    const CtlResult r = view.get();
    const Json::Value out = Parsed(r);
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(out["finalStatus"].asString(), "playing");
    // Most of the frames of the whole view (10 a second) were decoded.
    EXPECT_GT(out["framesDecoded"].asInt(), seconds * 10 / 2) << r.out;
}

}  // namespace
}  // namespace nimbrel::test
