// nimbrelctl's recording, snapshot and control commands against the simulator, the files read
// by ffprobe and decoded back: a recording of a set time, a cut, a recording killed with
// SIGKILL, a folder that cannot be made, a full small filesystem, a snapshot, turns and a bit
// rate.
#include <gtest/gtest.h>
#include <json/writer.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>

#include "CtlRunner.h"
#include "Mp4Probe.h"
#include "SimProcess.h"
#include "camera/H264ClipEncoder.h"
#include "media/H264Decoder.h"
#include "media/PaneScaler.h"

namespace nimbrel::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kCamera = "RC0000000001";
constexpr const char* kPtzCamera = "RC0000000002";
constexpr const char* kSlowCamera = "RC0000000004";  // a frame every 666 ms

// The scenario camera's clip decoded the way the client decodes it, full-size BGR, in order.
const std::vector<std::string>& ClipPictures() {
    static const std::vector<std::string> pictures = [] {
        const auto clip =
            sim::H264ClipEncoder::Encode(sim::VideoClipKey{320, 180, 40, 1000000, 50});
        EXPECT_TRUE(clip.ok());
        std::vector<std::string> out;
        H264Decoder decoder;
        const auto none = ParameterSetRecord::FromBase64("");
        decoder.Open(*none, *none, 320, 180);
        PaneScaler scaler;
        std::vector<uint8_t> bgr;
        for (const auto& frame : clip.value().frames) {
            std::string padded = frame.bytes + std::string(H264Decoder::kInputPadding, '\0');
            const AVFrame* picture =
                decoder.Decode(reinterpret_cast<const uint8_t*>(padded.data()), frame.bytes.size());
            if (picture && scaler.ConvertFullSize(*picture, bgr))
                out.emplace_back(reinterpret_cast<const char*>(bgr.data()), bgr.size());
        }
        return out;
    }();
    return pictures;
}

// True when `pictures` are consecutive pictures of the looping clip.
::testing::AssertionResult FollowTheClip(const std::vector<std::string>& pictures) {
    const auto& clip = ClipPictures();
    if (pictures.empty()) return ::testing::AssertionFailure() << "no pictures";
    const auto first = std::find(clip.begin(), clip.end(), pictures[0]);
    if (first == clip.end())
        return ::testing::AssertionFailure() << "first picture not in the clip";
    std::size_t at = static_cast<std::size_t>(first - clip.begin());
    for (std::size_t i = 0; i < pictures.size(); ++i, at = (at + 1) % clip.size())
        if (pictures[i] != clip[at])
            return ::testing::AssertionFailure() << "picture " << i << " is not the clip's";
    return ::testing::AssertionSuccess();
}

class RecordingCli : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { sim_ = new SimProcess("recording.json"); }
    static void TearDownTestSuite() { delete sim_; }

    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("recording-cli-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "config");
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Global() const {
        return "--service " + sim_->ServiceUrl() +
               " --adapter lo --user rec_user --password rec12345 --json ";
    }
    // The account file's folder, given after the command.
    std::string ConfigDir() const { return " --config-dir " + (dir_ / "config").string(); }
    Json::Value Run(const std::string& command, int expectedExit) {
        const auto r = RunCtl(Global() + command + ConfigDir());
        EXPECT_EQ(r.exitCode, expectedExit) << command << "\n" << r.out;
        return ParseJson(r.out);
    }
    // The stream messages the simulated camera logged for `sid` with this `cmd`.
    static std::vector<Json::Value> Commands(const std::string& sid, const std::string& cmd) {
        std::vector<Json::Value> found;
        for (const Json::Value& line : sim_->RequestLog())
            if (line["stream"].asString() == sid && line["message"]["cmd"].asString() == cmd)
                found.push_back(line["message"]);
        return found;
    }

    static inline SimProcess* sim_ = nullptr;
    fs::path dir_;
};

TEST_F(RecordingCli, TenSecondsMakeOnePlayableFileOf250FramesOfTheCamerasPictures) {
    const Json::Value out = Run(
        "record " + std::string(kCamera) + " --seconds 10 --dir " + (dir_ / "videos").string(), 0);
    ASSERT_EQ(out["files"].size(), 1u) << out;
    EXPECT_EQ(out["framesWritten"].asInt(), 250);
    const fs::path file = out["files"][0]["path"].asString();
    // <folder>/<user id>/YYYY-MM-DD/YYYY-MM-DD-hh-mm-ss-<sid>.mp4
    EXPECT_EQ(file.parent_path().parent_path(), dir_ / "videos" / "rec_user");
    EXPECT_EQ(file.filename().string().size(),
              std::string("2024-01-01-00-00-00-RC0000000001.mp4").size());
    EXPECT_EQ(file.filename().string().substr(0, 10), file.parent_path().filename().string());

    const auto facts = ProbeMp4(file);
    ASSERT_TRUE(facts.read) << facts.error;
    EXPECT_EQ(facts.error, "");
    EXPECT_EQ(facts.width, 320);
    EXPECT_EQ(facts.height, 180);
    EXPECT_EQ(facts.frames, 250);
    EXPECT_NEAR(facts.duration, 10.0, 0.05);  // the camera's own clock
    ASSERT_FALSE(facts.keyFrames.empty());
    EXPECT_TRUE(facts.keyFrames[0]);
    EXPECT_TRUE(FollowTheClip(DecodeMp4Pictures(file)));
}

TEST_F(RecordingCli, ASlowCameraPlaysAtItsOwnPaceAndTheFolderSettingIsAFolder) {
    // The account's folder typed without "/" and without --dir: the files go inside it.
    Run("login", 0);
    const auto set = RunCtl("--user rec_user settings set VideoPath " + (dir_ / "slow").string() +
                            ConfigDir());
    ASSERT_EQ(set.exitCode, 0) << set.out;
    const Json::Value out = Run("record " + std::string(kSlowCamera) + " --seconds 3", 0);
    ASSERT_EQ(out["files"].size(), 1u) << out;
    const fs::path file = out["files"][0]["path"].asString();
    EXPECT_EQ(file.parent_path().parent_path(), dir_ / "slow" / "rec_user");
    const auto facts = ProbeMp4(file);
    ASSERT_TRUE(facts.read) << facts.error;
    ASSERT_GE(facts.frames, 4);
    // A frame lasts 666 ms, not a rounded second: the file is as long as the time recorded.
    EXPECT_NEAR(facts.duration / facts.frames, 0.666, 0.03) << facts.duration;
}

TEST_F(RecordingCli, ACutGivesTwoFilesWhoseFramesAddUpAndTheSecondStartsWithAKeyFrame) {
    // 0.04 minutes: 60 frames, then the cut waits for the key frame at 100.
    const Json::Value out = Run("record " + std::string(kCamera) + " --seconds 5 --dir " +
                                    (dir_ / "cut").string() + " --length-minutes 0.04",
                                0);
    ASSERT_EQ(out["files"].size(), 2u) << out;
    const long first = out["files"][0]["frames"].asInt(),
               second = out["files"][1]["frames"].asInt();
    EXPECT_EQ(first, 100);
    EXPECT_EQ(first + second, out["framesOffered"].asInt());
    EXPECT_EQ(first + second, 125);
    std::vector<std::string> pictures;
    for (const Json::Value& f : out["files"]) {
        const auto facts = ProbeMp4(f["path"].asString());
        ASSERT_TRUE(facts.read) << facts.error;
        EXPECT_EQ(facts.frames, f["frames"].asInt());
        ASSERT_FALSE(facts.keyFrames.empty());
        EXPECT_TRUE(facts.keyFrames[0]) << f["path"];
        const auto decoded = DecodeMp4Pictures(f["path"].asString());
        pictures.insert(pictures.end(), decoded.begin(), decoded.end());
    }
    EXPECT_TRUE(FollowTheClip(pictures));  // nothing lost or doubled across the cut
}

TEST_F(RecordingCli, ARecordingKilledWithSigkillPlaysUpToWithinOneKeyFrameInterval) {
    const long recorded = RecordThenKill(
        Global() + "record " + kCamera + " --seconds 60 --progress --dir " +
            (dir_ / "killed").string() + ConfigDir(),
        250);
    ASSERT_GE(recorded, 250);

    fs::path file;
    for (const auto& entry : fs::recursive_directory_iterator(dir_ / "killed"))
        if (entry.path().extension() == ".mp4") file = entry.path();
    const auto facts = ProbeMp4(file);
    ASSERT_TRUE(facts.read) << file << ": " << facts.error;
    // Frames handed over before the kill, less at most the unfinished fragment: a fragment is
    // written at every key frame (every 50 frames here) and at least every second.
    EXPECT_GE(facts.frames, recorded - 50);
    EXPECT_GE(facts.duration, (recorded - 50) * 0.04);
    EXPECT_TRUE(FollowTheClip(DecodeMp4Pictures(file)));
}

TEST_F(RecordingCli, AFolderThatCannotBeMadeEndsTheRecordingCleanly) {
    std::ofstream(dir_ / "blocked") << "a file, not a folder";
    const Json::Value out = Run("record " + std::string(kCamera) + " --seconds 2 --dir " +
                                    (dir_ / "blocked" / "videos").string(),
                                1);
    EXPECT_EQ(out["status"].asString(), "FAILED");
    EXPECT_EQ(out["files"].size(), 0u);
    EXPECT_EQ(out["framesWritten"].asInt(), 0);
}

TEST_F(RecordingCli, AFullSmallFilesystemStopsTheFileCleanlyAndItStaysPlayable) {
    int status = -1;
    RunShell("unshare --mount --map-root-user true 2>/dev/null", &status);
    if (status != 0) GTEST_SKIP() << "no mount namespaces here";
    const fs::path small = dir_ / "small";
    fs::create_directories(small);
    // The filesystem lives as long as the namespace: record and probe inside it.
    const fs::path script = dir_ / "full.sh";
    std::ofstream(script) << "mount -t tmpfs -o size=192k tmpfs '" << small.string()
                          << "' || exit 9\n"
                          << std::getenv("NIMBREL_CTL") << " " << Global() << "record " << kCamera
                          << " --seconds 20 --dir '" << small.string() << "'" << ConfigDir()
                          << " 2>/dev/null > '" << (dir_ / "result.json").string() << "'\n"
                          << "echo \"EXIT $?\"\n"
                          << "for f in $(find '" << small.string() << "' -name '*.mp4'); do\n"
                          << "  echo FRAMES $(ffprobe -v error -count_frames -show_entries "
                             "stream=nb_read_frames -of csv=p=0 \"$f\")\n"
                          << "  echo ERRORS $(ffmpeg -nostdin -v error -i \"$f\" -fps_mode passthrough "
                             "-f null - 2>&1 | wc -l)\n"
                          << "done\n";
    const std::string out =
        RunShell("unshare --mount --map-root-user sh " + script.string(), &status);
    ASSERT_EQ(status, 0) << out;
    std::ifstream resultFile(dir_ / "result.json");
    const Json::Value result = ParseJson(std::string((std::istreambuf_iterator<char>(resultFile)),
                                                     std::istreambuf_iterator<char>()));
    EXPECT_NE(out.find("EXIT 1\n"), std::string::npos) << out;
    ASSERT_EQ(result["files"].size(), 1u) << out;
    EXPECT_FALSE(result["files"][0]["complete"].asBool());
    EXPECT_GT(result["files"][0]["frames"].asInt(), 0);
    const auto at = out.find("FRAMES ");
    ASSERT_NE(at, std::string::npos) << out;
    EXPECT_GE(std::stol(out.substr(at + 7)), 25) << out;  // whole fragments of what fitted
    // What is kept plays to its end: no torn fragment after the last whole one.
    EXPECT_NE(out.find("ERRORS 0\n"), std::string::npos) << out;
}

TEST_F(RecordingCli, ASnapshotIsTheDecodedPictureAsATopDownBmp) {
    const fs::path file = dir_ / "shot.bmp";
    const Json::Value out = Run("snapshot " + std::string(kCamera) + " " + file.string(), 0);
    EXPECT_EQ(out["file"].asString(), file.string());
    std::ifstream in(file, std::ios::binary);
    const std::string bmp((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(bmp.size(), 320u * 180u * 3u + 54u);
    const auto& clip = ClipPictures();
    EXPECT_NE(std::find(clip.begin(), clip.end(), bmp.substr(54)), clip.end())
        << "the snapshot is none of the camera's pictures";
}

TEST_F(RecordingCli, TurnsAndBitRatesReachTheCamera) {
    const Json::Value turns = Run("ptz " + std::string(kPtzCamera) + " up --times 3", 0);
    EXPECT_EQ(turns["sent"].asInt(), 3);
    const auto ups = Commands(kPtzCamera, "turnUp");
    ASSERT_EQ(ups.size(), 3u);
    EXPECT_EQ(ups[0]["type"].asString(), "control");
    EXPECT_EQ(ups[0]["umac"].asString().rfind("rec_user,", 0), 0u);

    const Json::Value rate = Run("bitrate " + std::string(kCamera) + " 88000 --seconds 2", 0);
    EXPECT_EQ(rate["bitRate"].asInt(), 88000);
    EXPECT_LT(rate["bytesPerSecondAfter"].asDouble(), rate["bytesPerSecondBefore"].asDouble() / 2);
    const auto resets = Commands(kCamera, "resetBitRate");
    ASSERT_EQ(resets.size(), 1u);
    EXPECT_EQ(resets[0]["bitRate"].asString(), "88000");
    EXPECT_EQ(resets[0].getMemberNames(),
              (std::vector<std::string>{"bitRate", "cmd", "type", "umac"}));
}

}  // namespace
}  // namespace nimbrel::test
