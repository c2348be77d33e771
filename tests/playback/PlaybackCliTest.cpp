// nimbrelctl playback as a script runs it: ten seconds from a seek to 1800 s report a timeline
// that starts there, a pause and resume keep the pictures coming afterwards, the recording's
// sound goes into a WAV file and is reported, an hour the card does not hold fails, and a
// malformed hour is a usage error.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "ClientSession.h"
#include "CtlRunner.h"
#include "SimProcess.h"
#include "ToneMeter.h"
#include "platform/RequestWorker.h"
#include "platform/audio/WavFile.h"
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

TEST_F(PlaybackCli, TheRecordingsSoundGoesIntoAWavFileAndIsReported) {
    const auto wav = std::filesystem::temp_directory_path() /
                     ("nimbrel-pbcli-" + std::to_string(getpid()) + ".wav");
    const Json::Value r =
        Run("playback PB0000000014 --hour 20140315-08 --seconds 3 --audio " + wav.string(), 0);
    const Json::Value& audio = r["audio"];
    EXPECT_EQ(audio["file"], wav.string());
    EXPECT_EQ(audio["sampleRate"], 16000);
    // Three seconds of playing, less the start and the output's filling.
    EXPECT_GE(audio["framesPlayed"].asInt(), 20);
    EXPECT_NEAR(audio["seconds"].asDouble(), audio["framesPlayed"].asDouble() * 1024 / 16000, 1e-6);
    std::string why;
    const auto data = ReadWav(wav.string(), &why);
    std::filesystem::remove(wav);
    ASSERT_TRUE(data) << why;
    // The file holds what was reported (less the buffers still queued at the stop), and the
    // recording's own tone.
    const std::size_t frames = data->samples.size() / 2;
    EXPECT_GE(frames, (audio["framesPlayed"].asUInt64() - 8) * 1024);
    EXPECT_NEAR(DominantHz(Channel(data->samples, 2, frames / 4, frames / 2), 16000), 750, 15);

    // Without --json the text says it too.
    const CtlResult text = RunCtl("--service " + sim.ServiceUrl() +
                                  " --adapter lo --user pb_user --password pb123456 playback "
                                  "PB0000000014 --hour 20140315-08 --seconds 1.5 --audio " +
                                  wav.string() + " --config-dir " + client.ConfigDir().string());
    std::filesystem::remove(wav);
    EXPECT_EQ(text.exitCode, 0) << text.out;
    EXPECT_NE(text.out.find("frames ("), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("s) played into " + wav.string()), std::string::npos) << text.out;
}

TEST_F(PlaybackCli, AnHourNotOnTheCardFailsAndAMalformedHourIsAUsageError) {
    EXPECT_EQ(Run("playback PB0000000001 --hour 20140315-10 --seconds 2", 1)["finalStatus"],
              "failed");
    Run("playback PB0000000001 --hour 2014031508 --seconds 2", 2);
}

}  // namespace
}  // namespace nimbrel::test
