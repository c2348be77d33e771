// nimbrelctl playback as a script runs it: ten seconds from a seek to 1800 s report a timeline
// that starts there, a pause and resume keep the pictures coming afterwards, an hour the card
// does not hold fails, and a malformed hour is a usage error.
#include <gtest/gtest.h>

#include "ClientSession.h"
#include "CtlRunner.h"
#include "SimProcess.h"
#include "platform/RequestWorker.h"
#include "text/JsonText.h"

namespace nimbrel::test {
namespace {

class PlaybackCli : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string why;
        ASSERT_TRUE(client.SignIn(sim, "pb_user", "pb123456", &why)) << why;
    }
    Json::Value Run(const std::string& args, int expectedExit) {
        const CtlResult r = RunCtl("--service " + sim.ServiceUrl() +
                                   " --adapter lo --user pb_user --password pb123456 --json " +
                                   args + " --config-dir " + client.ConfigDir().string());
        EXPECT_EQ(r.exitCode, expectedExit) << args << "\n" << r.out;
        return ParseJsonObject(r.out).value_or(Json::Value());
    }
    // Request workers left running end before the process does.
    void TearDown() override {
        EXPECT_TRUE(RequestWorker::WaitForAllThreads(std::chrono::seconds(30)));
    }

    SimProcess sim{"playback.json"};
    ClientSession client;
};

TEST_F(PlaybackCli, TenSecondsFromASeekTo1800ReportATimelineStartingThere) {
    const Json::Value r =
        Run("playback PB0000000001 --hour 20140315-08 --seconds 10 --seek 1800", 0);
    EXPECT_EQ(r["finalStatus"], "playing");
    EXPECT_GE(r["timelineStart"].asInt(), 1800);
    EXPECT_LE(r["timelineStart"].asInt(), 1803);
    EXPECT_GE(r["timelineEnd"].asInt(), r["timelineStart"].asInt() + 5);
    EXPECT_GE(r["framesDecoded"].asInt(), 100);
    EXPECT_GE(r["lastFrameMs"].asInt(), 1800000);
    EXPECT_EQ(r["startTime"], "08:00:00");
    EXPECT_EQ(r["endTime"], "09:00:00");
    EXPECT_LT(r["stopSeconds"].asDouble(), 5.0);
}

TEST_F(PlaybackCli, APauseAndResumeAndFastForwardReachTheCamera) {
    const Json::Value r =
        Run("playback PB0000000001 --hour 20140315-08 --seconds 6 --pause-at 1.5 --resume-at 3 "
            "--forward-at 4",
            0);
    EXPECT_EQ(r["finalStatus"], "playing");
    EXPECT_EQ(r["commandsSent"].asInt(), 3);
    EXPECT_GE(r["timelineEnd"].asInt(), 10);
    std::vector<std::string> commands;
    for (const auto& l : sim.RequestLog())
        if (l["stream"] == "PB0000000001" && l["message"]["cmd"].isString() &&
            l["message"]["cmd"] != "running")
            commands.push_back(l["message"]["cmd"].asString());
    EXPECT_EQ(commands, (std::vector<std::string>{"playback-pause", "playback-play", "jump"}));
}

TEST_F(PlaybackCli, AnHourNotOnTheCardFailsAndAMalformedHourIsAUsageError) {
    EXPECT_EQ(Run("playback PB0000000001 --hour 20140315-10 --seconds 2", 1)["finalStatus"],
              "failed");
    Run("playback PB0000000001 --hour 2014031508 --seconds 2", 2);
}

}  // namespace
}  // namespace nimbrel::test
