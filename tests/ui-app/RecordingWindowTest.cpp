// The main window's recording, snapshot, bit-rate and pan/tilt controls on a camera that plays
// from the simulator, as a user of the demo works them: the record button records the selected
// pane into a playable file, the snapshot button writes a BMP and says so, the bit-rate choice
// lowers the byte rate of the status line, and the pane's arrow and arrow keys turn the camera.
#include <gtest/gtest.h>

#include <QTest>
#include <filesystem>

#include "ClientSession.h"
#include "Mp4Probe.h"
#include "SimProcess.h"
#include "app/CNimbrelDlg.h"
#include "app/ClientSession.h"
#include "app/MainControls.h"
#include "devices/DeviceListLoader.h"
#include "wall/ui/PaneWidget.h"
#include "wall/ui/PictureButton.h"
#include "widgets/BitmapButton.h"

namespace nimbrel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class RecordingWindow : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { sim_ = new test::SimProcess("recording.json"); }
    static void TearDownTestSuite() { delete sim_; }

    void SetUp() override {
        dir_ =
            fs::temp_directory_path() / ("nimbrel-recording-window-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        std::string why;
        ASSERT_TRUE(client_.SignIn(*sim_, "rec_user", "rec12345", &why)) << why;
        client_.app.VideoPath = (dir_ / "videos").string() + "/";
        client_.app.ImagePath = (dir_ / "images").string() + "/";
        client_.app.FileLength = 10;
        session_ = std::make_unique<ClientSession>(
            ClientSession::Parts{client_.g, client_.app, client_.notifier, lan_});
        ASSERT_TRUE(FetchDeviceList(session_->Service(), session_->List(), lan_));
        CNimbrelDlg::Options options;
        options.startAllInit = false;
        options.trayIcon = false;
        window_ = std::make_unique<CNimbrelDlg>(*session_, WindowPlacement{}, options);
        window_->resize(1500, 809);
        window_->show();
    }
    void TearDown() override {
        window_.reset();
        session_.reset();
        fs::remove_all(dir_);
    }

    // Runs the UI's events while waiting, as the program's loop would.
    static bool WaitUntil(const std::function<bool()>& done,
                          std::chrono::milliseconds limit = 20s) {
        const auto until = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            if (std::chrono::steady_clock::now() > until) return false;
            QTest::qWait(20);
        }
        return true;
    }
    CCamera& Camera(const std::string& sid) {
        return *session_->Camera(session_->List().IndexOfSid(sid));
    }
    PaneWidget* Pane(const CCamera& camera) {
        const int pane = *session_->Canvas().PaneAt(camera.m_nPage, camera.m_nSlot);
        return window_->findChild<PaneWidget*>(QStringLiteral("pane%1").arg(pane));
    }
    void Click(int id) { QTest::mouseClick(window_->Button(id), Qt::LeftButton); }
    bool Shown(int id) { return !window_->Button(id)->isHidden(); }
    std::vector<std::string> Commands(const std::string& cmd) const {
        std::vector<std::string> found;
        for (const Json::Value& line : sim_->RequestLog())
            if (line["message"]["cmd"].asString() == cmd)
                found.push_back(line["stream"].asString());
        return found;
    }

    static inline test::SimProcess* sim_ = nullptr;
    fs::path dir_;
    test::ClientSession client_;
    LanDiscovery lan_;
    std::unique_ptr<ClientSession> session_;
    std::unique_ptr<CNimbrelDlg> window_;
};

TEST_F(RecordingWindow, TheToolbarAndThePaneWorkTheCameraThatPlays) {
    CCamera& camera = Camera("RC0000000002");
    camera.CameraStart();
    ASSERT_TRUE(WaitUntil([&] { return camera.m_nStatus == kStatusPlaying; }));
    PaneWidget* pane = Pane(camera);
    ASSERT_NE(pane, nullptr);
    QTest::mouseClick(pane, Qt::LeftButton, {}, pane->rect().center());
    ASSERT_EQ(session_->Canvas().SelectedCamera(), &camera);

    // Recording: the buttons swap and the pane's file fills until it is switched off.
    Click(kBtnRecordOn);
    EXPECT_TRUE(Shown(kBtnRecordOff));
    ASSERT_TRUE(WaitUntil([&] { return camera.Recorder().FramesOffered() >= 25; }));
    Click(kBtnRecordOff);
    EXPECT_TRUE(Shown(kBtnRecordOn));
    ASSERT_TRUE(WaitUntil([&] { return !camera.Recorder().FileOpen(); }));
    const auto files = camera.Recorder().Files();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].path.parent_path().parent_path(), dir_ / "videos" / "rec_user");
    EXPECT_EQ(test::ProbeMp4(files[0].path).frames, static_cast<long>(files[0].frames));

    // Snapshot: a BMP in the day folder, then the message.
    Click(kBtnSnapshot);
    ASSERT_TRUE(WaitUntil([&] { return camera.Snapshots().Taken() == 1; }));
    EXPECT_EQ(fs::file_size(camera.Snapshots().LastFile()), 320u * 180u * 3u + 54u);
    ASSERT_TRUE(WaitUntil([&] { return !client_.notifier.Messages().empty(); }));
    EXPECT_EQ(client_.notifier.Messages().back().text, "Скриншот видео");
    EXPECT_EQ(client_.notifier.Messages().back().caption, "подсказки");

    // Bit rate: the low choice shows its button and the status line's rate falls.
    ASSERT_TRUE(WaitUntil([&] { return camera.m_fBytesLastSecond > 0; }));
    const float before = camera.m_fBytesLastSecond;
    window_->RunCommand(kCmdBitRateLow);
    EXPECT_TRUE(Shown(kBtnBitRateLow));
    EXPECT_EQ(camera.m_nBitRate, 88000);
    EXPECT_TRUE(WaitUntil([&] { return camera.m_fBytesLastSecond < before / 2; }))
        << before << " -> " << camera.m_fBytesLastSecond;
    EXPECT_EQ(Commands("resetBitRate"), std::vector<std::string>{"RC0000000002"});

    // Pan and tilt: an arrow key, and the arrow that shows under the cursor.
    QTest::keyClick(pane, Qt::Key_Up);
    QTest::mouseMove(pane, pane->rect().center());
    PictureButton* left = pane->Arrow(PtzRequests::Direction::Left);
    ASSERT_TRUE(WaitUntil([&] { return left->isVisible(); }));
    QTest::mouseClick(left, Qt::LeftButton);
    EXPECT_TRUE(
        WaitUntil([&] { return !Commands("turnLeft").empty() && !Commands("turnUp").empty(); }));
}

}  // namespace
}  // namespace nimbrel
