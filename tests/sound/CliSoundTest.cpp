// nimbrelctl's sound commands against the simulator: view --audio writes the camera's tone to
// the WAV file (AAC over TCP, Speex over UDT) and plays it again after a retried view, and talk
// sends a WAV file's tone that the camera
// hears at its pitch.
#include <gtest/gtest.h>
#include <json/json.h>
#include <unistd.h>

#include <filesystem>

#include "CtlRunner.h"
#include "SimProcess.h"
#include "ToneMeter.h"
#include "platform/audio/WavFile.h"

namespace nimbrel::test {
namespace {

class CliSound : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("nimbrel-cli-sound-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir_);
        sim_ = std::make_unique<SimProcess>("audio.json");
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string Ctl(const std::string& command) const {
        return "--json --adapter lo --service " + sim_->ServiceUrl() +
               " --user audio_user --password audio1234 " + command;
    }
    static Json::Value Parse(const std::string& text) {
        Json::Value v;
        Json::Reader().parse(text, v);
        return v;
    }
    std::filesystem::path dir_;
    std::unique_ptr<SimProcess> sim_;
};

TEST_F(CliSound, ViewWritesTheCamerasToneOfEitherKind) {
    for (const auto& [sid, hz] :
         {std::pair<const char*, double>{"AU0000000001", 1000}, {"AU0000000003", 600}}) {
        const std::string file = (dir_ / (std::string(sid) + ".wav")).string();
        const auto r = RunCtl(Ctl(std::string("view ") + sid + " --seconds 4 --audio " + file));
        ASSERT_EQ(r.exitCode, 0) << r.out;
        const Json::Value out = Parse(r.out);
        EXPECT_GT(out["audio"]["framesPlayed"].asInt(), 8) << r.out;
        const auto wav = ReadWav(file);
        ASSERT_TRUE(wav) << sid;
        const std::size_t frames = wav->samples.size() / wav->format.channels;
        ASSERT_GT(frames, static_cast<std::size_t>(wav->format.sampleRate)) << sid;
        const double got = DominantHz(Channel(wav->samples, wav->format.channels, 0, frames),
                                      wav->format.sampleRate);
        EXPECT_NEAR(got, hz, hz * 0.02) << sid;
    }
}

TEST_F(CliSound, ViewPlaysTheSoundAgainOnceARetriedViewPlays) {
    // The camera reboots 2 s into the view and is back 3 s later; the retry comes 5 s after the
    // failure.
    SimProcess faults("live-faults.json");
    const std::string file = (dir_ / "retried.wav").string();
    const auto r = RunCtl("--json --adapter lo --service " + faults.ServiceUrl() +
                          " --user live_user --password live1234 view LF0000000019 --seconds 14 "
                          "--audio " +
                          file);
    ASSERT_EQ(r.exitCode, 0) << r.out;
    const Json::Value out = Parse(r.out);
    ASSERT_GE(out["failures"].asInt(), 1) << r.out;
    EXPECT_EQ(out["finalStatus"], "playing") << r.out;
    EXPECT_TRUE(out["audio"]["playingAtEnd"].asBool()) << r.out;
}

TEST_F(CliSound, TalkSendsTheFilesToneToTheCamera) {
    const std::string input = (dir_ / "tone.wav").string();
    ASSERT_TRUE(WriteWav(input, {{22050, 2}, Tone(523, 22050, 22050, 2)}));
    const auto r = RunCtl(Ctl("talk AU0000000002 --seconds 3 --input " + input));
    ASSERT_EQ(r.exitCode, 0) << r.out;
    const Json::Value out = Parse(r.out);
    EXPECT_EQ(out["kind"], "speex");
    EXPECT_GE(out["packetsSent"].asInt(), 10);
    EXPECT_EQ(out["bytesSent"].asInt(), out["packetsSent"].asInt() * 211);
    int heard = 0;
    for (const Json::Value& line : sim_->RequestLog()) {
        if (line["stream"] != "AU0000000002" || !line.isMember("talkSecond")) continue;
        if (line["talkSecond"]["samples"].asInt() < 6400) continue;
        ++heard;
        EXPECT_NEAR(line["talkSecond"]["dominantHz"].asDouble(), 523, 523 * 0.02);
        EXPECT_EQ(line["talkSecond"]["malformed"], 0);
    }
    EXPECT_GE(heard, 1);
}

}  // namespace
}  // namespace nimbrel::test
