// A camera's controls and recording inside a live view against the simulated cameras: the
// pan/tilt thread's order and spacing, a view over UDT that never turns, the bit-rate message
// (and nothing without a view), a recording that the stop closes and the next view resumes, and
// one onto a frozen disk that leaves the wall's frames alone.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "LiveFixture.h"
#include "Mp4Probe.h"
#include "platform/FileFaults.h"

namespace nimbrel::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Direction = PtzRequests::Direction;

class ControlsLive : public LiveFixture {
  protected:
    void SetUp() override { Start("recording.json", "rec_user", "rec12345"); }
    bool Playing(CCamera& camera) {
        return WaitUntil([&] { return camera.m_nStatus == kStatusPlaying; });
    }
    PtzRequests& Requests(CCamera& camera) { return *host.Ptz(camera.m_nPage, camera.m_nSlot); }
    std::vector<std::string> Commands(const std::string& sid) const {
        std::vector<std::string> commands;
        for (const Json::Value& m : StreamMessages(sid))
            if (m["type"].asString() == "control" && m["cmd"].asString() != "pause" &&
                m["cmd"].asString() != "running")
                commands.push_back(m["cmd"].asString());
        return commands;
    }
};

TEST_F(ControlsLive, TurnsGoOutOneAPassInTheOrderLeftRightUpDown) {
    CCamera& camera = Camera("RC0000000002");
    camera.CameraStart();
    ASSERT_TRUE(Playing(camera));
    PtzRequests& requests = Requests(camera);
    for (Direction d : {Direction::Down, Direction::Up, Direction::Right, Direction::Left})
        requests.Request(d);
    // When each request is taken: one per pass of at least 50 ms.
    std::vector<std::chrono::steady_clock::time_point> taken;
    uint64_t seen = camera.counters.turnsSent;
    const auto until = std::chrono::steady_clock::now() + 20s;
    while (taken.size() < 4 && std::chrono::steady_clock::now() < until) {
        if (camera.counters.turnsSent != seen) {
            seen = camera.counters.turnsSent;
            taken.push_back(std::chrono::steady_clock::now());
        }
        std::this_thread::sleep_for(1ms);
    }
    ASSERT_EQ(taken.size(), 4u);
    for (std::size_t i = 1; i < taken.size(); ++i)
        EXPECT_GE(taken[i] - taken[i - 1], 40ms) << "turn " << i << " came too soon";
    ASSERT_TRUE(WaitUntil([&] { return Commands("RC0000000002").size() == 4; }));
    EXPECT_EQ(Commands("RC0000000002"),
              (std::vector<std::string>{"turnLeft", "turnRight", "turnUp", "turnDown"}));
    for (const Json::Value& m : StreamMessages("RC0000000002"))
        if (m["cmd"].asString() == "turnLeft")
            EXPECT_EQ(m.getMemberNames(), (std::vector<std::string>{"cmd", "type", "umac"}));
}

TEST_F(ControlsLive, AViewOverUdtLeavesTheRequestsUnserved) {
    CCamera& camera = Camera("RC0000000003");
    camera.CameraStart();
    ASSERT_TRUE(Playing(camera));
    ASSERT_EQ(camera.m_DeviceNATType, kDeviceNatTraversal);
    Requests(camera).Request(Direction::Left);
    std::this_thread::sleep_for(300ms);  // six passes of a pan/tilt thread, had there been one
    EXPECT_EQ(Requests(camera).left, 1);
    EXPECT_EQ(camera.counters.turnsSent, 0u);
}

TEST_F(ControlsLive, TheBitRateIsSentOnlyOnAnOpenViewAndOnlyForTheThreeChoices) {
    CCamera& camera = Camera("RC0000000001");
    EXPECT_FALSE(camera.ResetBitRate(480000));  // no view
    EXPECT_EQ(camera.m_nBitRate, -1);
    camera.CameraStart();
    ASSERT_TRUE(Playing(camera));
    EXPECT_EQ(camera.m_nBitRate, 1000000);  // as the camera announced
    EXPECT_FALSE(camera.ResetBitRate(500000));
    EXPECT_EQ(camera.m_nBitRate, 1000000);
    EXPECT_TRUE(camera.ResetBitRate(480000));
    EXPECT_EQ(camera.m_nBitRate, 480000);
    ASSERT_TRUE(WaitUntil([&] { return !Commands("RC0000000001").empty(); }));
    const auto sent = StreamMessages("RC0000000001");
    const auto reset = std::find_if(sent.begin(), sent.end(), [](const Json::Value& m) {
        return m["cmd"].asString() == "resetBitRate";
    });
    ASSERT_NE(reset, sent.end());
    EXPECT_EQ((*reset)["bitRate"].asString(), "480000");
    EXPECT_EQ(Commands("RC0000000001"), std::vector<std::string>{"resetBitRate"});
    camera.StopCleanCameraTCP_UDT();
    EXPECT_EQ(camera.m_nBitRate, -1);
    EXPECT_FALSE(camera.ResetBitRate(88000));  // the view is gone: nothing more is sent
    EXPECT_EQ(Commands("RC0000000001").size(), 1u);
}

TEST_F(ControlsLive, TheStopClosesTheRecordingAndTheNextViewRecordsAgain) {
    const fs::path folder = fs::temp_directory_path() / ("controls-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    client.app.VideoPath = folder.string() + "/";
    client.app.FileLength = 10;
    CCamera& camera = Camera("RC0000000001");
    camera.m_bRecord = 1;
    camera.CameraStart();
    ASSERT_TRUE(WaitUntil([&] { return camera.Recorder().FramesOffered() >= 30; }));
    // The countdown started at 10 minutes of 40 ms ticks and runs with the ticks.
    const int ticks = camera.Recorder().RecordTicks();
    EXPECT_LE(ticks, 15000 - 29);
    EXPECT_GT(ticks, 15000 - 1000);
    camera.StopCleanCameraTCP_UDT();
    EXPECT_EQ(camera.m_bRecord, 1);  // survives the stop
    ASSERT_TRUE(camera.Recorder().Flush(20s));  // the writer finishes the file by itself
    EXPECT_FALSE(camera.Recorder().FileOpen());
    auto files = camera.Recorder().Files();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_TRUE(files[0].closed);
    const auto facts = ProbeMp4(files[0].path);
    ASSERT_TRUE(facts.read) << facts.error;
    EXPECT_EQ(facts.frames, static_cast<long>(files[0].frames));

    camera.CameraStart();
    ASSERT_TRUE(WaitUntil([&] { return camera.Recorder().Files().size() == 2; }));
    camera.m_bRecord = 0;  // the next tick closes the file; the view goes on
    ASSERT_TRUE(WaitUntil([&] { return !camera.Recorder().FileOpen(); }));
    EXPECT_EQ(camera.m_nStatus, kStatusPlaying);
    files = camera.Recorder().Files();
    EXPECT_TRUE(files[1].closed);
    EXPECT_TRUE(ProbeMp4(files[1].path).read);
    fs::remove_all(folder);
}

class FrozenDiskLive : public LiveFixture {
  protected:
    // A queue that holds about two seconds of the camera's stream.
    void SetUp() override {
        Start("recording.json", "rec_user", "rec12345",
              [](LiveContext& live) { live.recordQueueBytes = 256 * 1024; });
    }
};

TEST_F(FrozenDiskLive, TheWallDropsNothingAndTheRecordingGetsACountedGapToldOnce) {
    const fs::path folder = fs::temp_directory_path() / ("frozen-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    client.app.VideoPath = (folder / "videos").string();
    const fs::path control = folder / "faults";
    std::ofstream(control) << "freeze";
    file_faults::SetControlFile(control);
    CCamera& camera = Camera("RC0000000001");
    camera.m_bRecord = 1;
    camera.CameraStart();
    ASSERT_TRUE(WaitUntil([&] { return camera.Recorder().FramesOffered() >= 25; }));
    EXPECT_EQ(camera.Recorder().FramesLeftOut(), 0u);  // the queue holds
    ASSERT_TRUE(WaitUntil([&] { return camera.Recorder().FramesLeftOut() > 0; }, 30s));
    const uint64_t shown = camera.counters.framesShown;
    ASSERT_TRUE(WaitUntil([&] { return camera.counters.framesShown >= shown + 25; }));
    EXPECT_EQ(camera.counters.framesDropped, 0u);  // the ticks never waited for the disk
    std::size_t told = 0;
    for (const auto& m : client.notifier.Messages())
        told += m.text == CameraRecorder::kDiskBehindNotice;
    EXPECT_EQ(told, 1u);

    fs::remove(control);  // the thaw
    camera.StopCleanCameraTCP_UDT();
    file_faults::SetControlFile({});
    ASSERT_TRUE(camera.Recorder().Flush(20s));
    const auto files = camera.Recorder().Files();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_TRUE(files[0].closed && !files[0].failed);
    EXPECT_GE(files[0].gaps, 1u);
    EXPECT_GT(files[0].gapFrames, 0u);
    const auto facts = ProbeMp4(files[0].path);
    ASSERT_TRUE(facts.read) << facts.error;
    EXPECT_EQ(facts.error, "");
    EXPECT_EQ(facts.frames, static_cast<long>(files[0].frames));
    fs::remove_all(folder);
}

}  // namespace
}  // namespace nimbrel::test
