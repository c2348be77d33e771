// The wall changed at random while sixteen simulated cameras of every reachability case play and
// four more fail on their own: layouts, pages, maximise and restore, drag-swaps, turns, resizes,
// stops, starts, device-list refreshes, group moves and faulty cameras, from a seeded generator.
// After every step: each camera holds at most one pane and each pane one camera, as the cameras
// themselves and the pane surfaces see it; every picture a pane holds was made by its camera;
// the devices keep the groups they were moved to, in the tree and in the account file; every
// stop ends in bounded time. A failure names the seed and the step; a step that hangs ends the
// run with the same words instead of hanging it.
//   NIMBREL_STRESS_STEPS  steps to run (default 40)
//   NIMBREL_STRESS_SEED   the generator's seed (default 1)
#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <random>
#include <thread>

#include "ForwardingWall.h"
#include "LiveFixture.h"
#include "devices/DeviceGroupsFile.h"
#include "devices/DeviceRefresher.h"
#include "devices/DeviceThumbnails.h"
#include "devices/DeviceTreeModel.h"
#include "platform/FixedText.h"
#include "service/AccountFile.h"

namespace nimbrel {

// Reads the lifecycle marks the camera keeps under its own lock.
class CameraTestAccess {
  public:
    static bool Stopping(CCamera& camera) {
        std::lock_guard guard(camera.lifecycleLock_);
        return camera.stopping_;
    }
};

namespace test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kHealthy = 16;  // WS0000000001..16: four of each reachability case
constexpr int kCameras = 20;  // 17..20 close, drop, break and stall their streams
constexpr auto kStopLimit = 20s;
constexpr auto kStepLimit = 120s;

unsigned long EnvNumber(const char* name, unsigned long fallback) {
    const char* text = std::getenv(name);
    return text && *text ? std::strtoul(text, nullptr, 10) : fallback;
}

// Ends the process, naming the seed and the step, when a step does not finish in time: a stop
// that never returns must fail the run, not hang it. `cleanUp` runs first (it ends the simulator,
// which would otherwise outlive the process and keep its output open).
class StepWatchdog {
  public:
    StepWatchdog(unsigned long seed, std::chrono::seconds limit, std::function<void()> cleanUp)
        : seed_(seed), limit_(limit), cleanUp_(std::move(cleanUp)) {
        thread_ = std::thread([this] { Watch(); });
    }
    ~StepWatchdog() {
        {
            std::lock_guard guard(lock_);
            done_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    void Arm(int step, const std::string& what) {
        {
            std::lock_guard guard(lock_);
            step_ = step;
            what_ = what;
            deadline_ = Clock::now() + limit_;
        }
        wake_.notify_all();
    }

  private:
    void Watch() {
        std::unique_lock lock(lock_);
        while (!done_) {
            wake_.wait_until(lock, deadline_);  // woken early by Arm and by the end
            if (done_ || Clock::now() < deadline_) continue;
            std::fprintf(stderr,
                         "wall stress: seed %lu step %d (%s) has not finished after %lld s\n",
                         seed_, step_, what_.c_str(), static_cast<long long>(limit_.count()));
            std::fflush(stderr);
            cleanUp_();
            std::_Exit(EXIT_FAILURE);
        }
    }

    const unsigned long seed_;
    const std::chrono::seconds limit_;
    const std::function<void()> cleanUp_;
    std::mutex lock_;
    std::condition_variable wake_;
    bool done_ = false;
    int step_ = -1;
    std::string what_ = "start-up";
    Clock::time_point deadline_ = Clock::now() + std::chrono::minutes(5);
    std::thread thread_;
};

// The wall as the cameras see it, with a pause of up to 5 ms on the camera's thread between
// looking its pane up and drawing into it. Wall changes land in that gap far more often than on
// their own, so a picture drawn into a pane its camera has just lost shows within a few hundred
// steps instead of once in a long while.
class PausingWall : public ForwardingWall {
  public:
    using ForwardingWall::ForwardingWall;
    PaneSurface* SurfaceOf(const PaneOwner& owner) override {
        PaneSurface* surface = ForwardingWall::SurfaceOf(owner);
        thread_local std::minstd_rand pauses(
            static_cast<unsigned>(std::hash<std::thread::id>{}(std::this_thread::get_id())));
        if (surface) std::this_thread::sleep_for(std::chrono::microseconds(pauses() % 5000));
        return surface;
    }
};

class WallStress : public LiveFixture {
  protected:
    void SetUp() override {
        steps_ = static_cast<int>(EnvNumber("NIMBREL_STRESS_STEPS", 40));
        seed_ = EnvNumber("NIMBREL_STRESS_SEED", 1);
        rng_.seed(static_cast<std::mt19937::result_type>(seed_));
        watchdog_ = std::make_unique<StepWatchdog>(
            seed_, std::chrono::duration_cast<std::chrono::seconds>(kStepLimit),
            [this] { sim.reset(); });
        panes = &pausingWall_;
    }
    void TearDown() override {
        if (refresher_) refresher_->Stop();
        LiveFixture::TearDown();
        watchdog_.reset();
    }

    void StartWorld();
    void Step(int step);
    // The invariants; each adds a failure naming what broke.
    void CheckWall();
    void CheckGroups();
    void StopBounded(CCamera& camera, bool onItsOwnThread);

    CCamera& Cam(int i) { return Camera(Sid(i)); }
    static std::string Sid(int i) {
        char sid[16];
        std::snprintf(sid, sizeof sid, "WS%010d", i + 1);
        return sid;
    }
    int Pick(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }
    // The panes shown with a camera in them.
    std::vector<int> OccupiedShownPanes() const;

    // Outlives the cameras: the fixture's tear-down shuts every camera down.
    PausingWall pausingWall_{host};
    int steps_ = 0;
    unsigned long seed_ = 0;
    std::mt19937 rng_;
    std::unique_ptr<StepWatchdog> watchdog_;
    std::unique_ptr<DeviceTreeModel> tree_;
    DeviceThumbnails thumbnails_;
    std::unique_ptr<DeviceRefresher> refresher_;
    std::vector<int32_t> gids_;                // groups a device may be moved to
    std::map<std::string, int32_t> expected_;  // sid → the group it was put in
    std::array<PanePicture, CCanvas::kPanes> taken_;
    Clock::duration longestStop_{};
    int stops_ = 0;
    int picturesChecked_ = 0;
};

void WallStress::StartWorld() {
    Start("wall-stress.json", "wall_user", "wall1234", [](LiveContext& l) {
        l.checkPeriod = 1000ms;         // failed direct views come back while the wall moves
        l.relayCutSeconds = {3, 5, 8};  // relayed views are cut, and stay failed
        l.relayLimitUnit = 3000ms;      // camera 15's limit of "1" ends it after 3 s
        l.connectTimeoutMs = 3000;
    });
    ASSERT_EQ(list.Count(), kCameras);
    tree_ = std::make_unique<DeviceTreeModel>(list, client.app.m_ConfigPath);
    ASSERT_TRUE(tree_->Fill());
    gids_ = {0};
    for (int i = 0; i < 3; ++i) {
        const auto gid = tree_->AddGroup();
        ASSERT_TRUE(gid);
        gids_.push_back(*gid);
    }
    for (int i = 0; i < kCameras; ++i) expected_[Sid(i)] = 0;

    LanDiscovery::Options lanOptions;
    lanOptions.localIp = GetText(client.g.m_LocalIp);
    lanOptions.localMask = GetText(client.g.m_LocalMask);
    lanOptions.port = static_cast<uint16_t>(sim->Info()["lan"]["port"].asUInt());
    refresher_ = std::make_unique<DeviceRefresher>(
        DeviceRefresher::Parts{{client.g, client.app, client.notifier, {}},
                               list,
                               lan,
                               lanOptions,
                               *tree_,
                               thumbnails_,
                               {}});
    refresher_->StartPeriodic(400ms);

    // Every healthy camera plays on the first page of a 4 × 4 wall.
    ASSERT_TRUE(canvas.ChooseLayout(1020));
    for (int i = 0; i < kHealthy; ++i) ASSERT_TRUE(Cam(i).CameraStart()) << Sid(i);
    for (int i = 0; i < kHealthy; ++i)
        ASSERT_TRUE(WaitUntil([&] { return Cam(i).counters.framesShown > 0; }, 60s))
            << Sid(i) << " status " << Cam(i).m_nStatus;
}

std::vector<int> WallStress::OccupiedShownPanes() const {
    std::vector<int> panes;
    const auto states = canvas.Panes();
    for (int p = 0; p < CCanvas::kPanes; ++p)
        if (states[p].visible && states[p].owner) panes.push_back(p);
    return panes;
}

void WallStress::StopBounded(CCamera& camera, bool onItsOwnThread) {
    const auto start = Clock::now();
    if (onItsOwnThread)
        camera.RequestStop();
    else
        camera.StopCleanCameraTCP_UDT();
    // A stop that the check thread or a relay limit runs meanwhile is waited for the same way.
    const bool ended = WaitUntil([&] { return !CameraTestAccess::Stopping(camera); },
                                 std::chrono::duration_cast<std::chrono::milliseconds>(kStopLimit));
    const auto took = Clock::now() - start;
    EXPECT_TRUE(ended && took < kStopLimit)
        << camera.Sid() << ": the stop took "
        << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms";
    longestStop_ = std::max(longestStop_, took);
    ++stops_;
}

void WallStress::Step(int step) {
    enum Action {
        Layout,
        Page,
        Maximise,
        Swap,
        Rotate,
        Resize,
        Stop,
        Start,
        Refresh,
        Move,
        Fault,
        kActions
    };
    static const char* const kNames[] = {"layout", "page",  "maximise", "swap",  "rotate", "resize",
                                         "stop",   "start", "refresh",  "group", "fault"};
    const int action = Pick(kActions);
    watchdog_->Arm(step, kNames[action]);
    SCOPED_TRACE(testing::Message()
                 << "seed " << seed_ << " step " << step << " (" << kNames[action] << ")");
    switch (action) {
        case Layout: {
            static const int kLayouts[] = {1001, 1002, 1018, 1020, 1021, 1022};
            if (Pick(4) == 0) {
                const SplitLayout layout = canvas.Layout();
                canvas.Relayout(layout.mode, layout.cols, layout.rows);
            } else {
                canvas.ChooseLayout(kLayouts[Pick(6)]);
            }
            break;
        }
        case Page:
            Pick(2) ? canvas.NextPage() : canvas.PrevPage();
            break;
        case Maximise: {
            const auto panes = OccupiedShownPanes();
            if (Pick(3) == 0 || panes.empty())
                canvas.MainWindowSizeModeChanged(Pick(2) == 0);
            else
                canvas.ToggleMaximise(panes[Pick(static_cast<int>(panes.size()))]);
            break;
        }
        case Swap: {
            const auto panes = OccupiedShownPanes();
            if (panes.empty()) break;
            const int from = panes[Pick(static_cast<int>(panes.size()))];
            const PaneRect at = canvas.Pane(from)->cellRect;
            const auto [w, h] = canvas.CanvasSize();
            const int x = Pick(std::max(1, w)), y = Pick(std::max(1, h));
            if (!canvas.PressPane(from, at.x + at.w / 2, at.y + at.h / 2)) break;
            for (int i = 0; i < 4; ++i) canvas.MovePointer(x, y);
            canvas.ReleasePointer(x, y);
            break;
        }
        case Rotate: {
            CCamera& camera = Cam(Pick(kCameras));
            camera.m_nRotation = (camera.m_nRotation + 1) & 3;
            break;
        }
        case Resize:
            canvas.PlacePanes(200 + Pick(1500), 150 + Pick(900));
            break;
        case Stop:
            StopBounded(Cam(Pick(kCameras)), Pick(2) == 0);
            break;
        case Start:
            EXPECT_TRUE(Cam(Pick(kHealthy)).CameraStart());
            break;
        case Refresh:
            refresher_->StartManual();
            break;
        case Move: {
            const int device = Pick(kCameras);
            const int32_t gid =
                gids_[static_cast<std::size_t>(Pick(static_cast<int>(gids_.size())))];
            EXPECT_TRUE(tree_->MoveDevice(list.IndexOfSid(Sid(device)), gid));
            expected_[Sid(device)] = gid;
            break;
        }
        case Fault:
            EXPECT_TRUE(Cam(kHealthy + Pick(kCameras - kHealthy)).CameraStart());
            break;
    }
    // Let the cameras draw into what the step left.
    std::this_thread::sleep_for(std::chrono::milliseconds(Pick(60)));
    CheckWall();
    CheckGroups();
}

void WallStress::CheckWall() {
    // Cameras take and give back panes from their own threads too (retries, relay limits), so
    // the wall is read until two looks agree, and judged on that state.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto before = canvas.Panes();
        std::array<PanePosition, kCameras> positions;
        for (int i = 0; i < kCameras; ++i) positions[i] = {Cam(i).m_nPage, Cam(i).m_nSlot};
        std::array<const PaneOwner*, CCanvas::kPanes> occupants{};
        std::array<bool, CCanvas::kPanes> fresh{};
        for (int p = 0; p < CCanvas::kPanes; ++p) {
            occupants[p] = canvas.Surface(p)->Occupant();
            fresh[p] = canvas.Surface(p)->TakeFront(taken_[p]);
        }
        const auto after = canvas.Panes();
        bool still = true;
        for (int p = 0; p < CCanvas::kPanes; ++p)
            still = still && before[p].owner == after[p].owner;
        for (int i = 0; i < kCameras; ++i)
            still = still && positions[i] == PanePosition{Cam(i).m_nPage, Cam(i).m_nSlot};
        if (!still) continue;

        std::map<const PaneOwner*, int> paneOf;
        for (int p = 0; p < CCanvas::kPanes; ++p) {
            const PaneState& pane = after[p];
            EXPECT_EQ(occupants[p], pane.owner)
                << "pane " << p << ": its surface takes pictures of another";
            if (!pane.owner) {
                // Emptying a pane drops its picture: anything fresh was drawn into it afterwards.
                const auto* drawer = dynamic_cast<const CCamera*>(taken_[p].owner);
                EXPECT_FALSE(fresh[p]) << "pane " << p << " is empty but took a picture of "
                                       << (drawer ? drawer->Sid() : std::string("nobody"));
                continue;
            }
            const auto* camera = dynamic_cast<const CCamera*>(pane.owner);
            if (!camera) {
                ADD_FAILURE() << "pane " << p << " is held by something that is no camera";
                continue;
            }
            EXPECT_TRUE(paneOf.emplace(pane.owner, p).second)
                << camera->Sid() << " holds panes " << paneOf[pane.owner] << " and " << p;
            EXPECT_EQ((PanePosition{camera->m_nPage, camera->m_nSlot}),
                      (PanePosition{pane.page, pane.entry}))
                << camera->Sid() << " holds pane " << p << " but names another place";
            if (!fresh[p]) continue;
            const PanePicture& picture = taken_[p];
            ++picturesChecked_;
            EXPECT_TRUE(picture.Whole()) << "pane " << p << ": a picture larger than its buffer";
            EXPECT_EQ(picture.owner, pane.owner) << "pane " << p << ": a picture of another camera";
            EXPECT_EQ(picture.overlay.statusText.rfind(camera->Name() + "  ", 0), 0u)
                << "pane " << p << " of " << camera->Name() << " shows \""
                << picture.overlay.statusText << "\"";
        }
        for (int i = 0; i < kCameras; ++i)
            if (positions[i].page >= 0)
                EXPECT_TRUE(paneOf.count(&Cam(i))) << Sid(i) << " names a pane it does not hold";
        return;
    }
    ADD_FAILURE() << "the wall never held still for two looks";
}

void WallStress::CheckGroups() {
    AccountFile file;
    ASSERT_TRUE(file.Load(client.app.m_ConfigPath));
    for (const auto& [sid, gid] : expected_) {
        const auto entry = FindCamera(file, sid);
        EXPECT_TRUE(entry && entry->groupId == gid)
            << sid << " is in group " << (entry ? std::to_string(entry->groupId) : "none")
            << " of the account file, was put in " << gid;
        EXPECT_EQ(tree_->GroupOf(list.IndexOfSid(sid)), std::optional<int32_t>(gid))
            << sid << " in the tree";
    }
}

TEST_F(WallStress, RandomWallChangesWhileCamerasPlay) {
    const auto begun = Clock::now();
    StartWorld();
    ASSERT_FALSE(HasFailure());
    std::printf(
        "wall stress: seed %lu, %d steps, started in %lld ms\n", seed_, steps_,
        static_cast<long long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - begun).count()));
    const auto stepping = Clock::now();
    for (int step = 0; step < steps_ && !HasFailure(); ++step) Step(step);

    // Everything stops in bounded time and gives its pane back.
    watchdog_->Arm(steps_, "final stop");
    SCOPED_TRACE(testing::Message() << "seed " << seed_ << " final stop");
    for (int i = 0; i < kCameras; ++i) StopBounded(Cam(i), false);
    refresher_->Stop();
    for (int p = 0; p < CCanvas::kPanes; ++p) {
        EXPECT_EQ(canvas.Pane(p)->owner, nullptr) << "pane " << p;
        EXPECT_EQ(canvas.Surface(p)->Occupant(), nullptr) << "pane " << p;
    }
    std::printf(
        "wall stress: %d steps in %lld ms; %d stops, the longest %lld ms; %d pictures checked\n",
        steps_,
        static_cast<long long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - stepping).count()),
        stops_,
        static_cast<long long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(longestStop_).count()),
        picturesChecked_);
}

}  // namespace
}  // namespace test
}  // namespace nimbrel
