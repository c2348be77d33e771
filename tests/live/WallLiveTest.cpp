// Live views while the wall changes under them: turned and resized panes get whole pictures of
// their new size. The health overlay's looks at a view from another thread.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "ClipPictures.h"
#include "ForwardingWall.h"
#include "LiveFixture.h"
#include "wall/PaneHealth.h"

namespace nimbrel::test {
namespace {

using namespace std::chrono_literals;

using Size = PictureSize;
using ClipPictures = std::map<Size, std::set<std::string>>;

// Every picture of the simulator's default clip converted to each of `sizes` as a pane gets it.
ClipPictures PicturesOfTheClip(const std::vector<Size>& sizes) {
    ClipPictures pictures;
    ConvertTheClip(
        sizes, [&](Size size, int, std::string rows) { pictures[size].insert(std::move(rows)); });
    return pictures;
}

// Every picture published on one surface, taken on the publishing thread by its wake-up the
// way a viewer takes them: by exchange, so that the buffers go round as in the program.
class PictureLog {
  public:
    explicit PictureLog(PaneSurface& surface) : shared_(std::make_shared<Shared>()) {
        // A publisher may call the wake-up it copied after this log is gone: it keeps what it
        // writes to alive.
        surface.SetWakeup([&surface, shared = shared_] {
            std::lock_guard guard(shared->lock);
            if (surface.TakeFront(shared->spare)) shared->pictures.push_back(shared->spare);
        });
        std::lock_guard guard(shared_->lock);
        surface.TakeFront(shared_->spare);  // re-arms the wake-up
    }
    std::vector<PanePicture> Take() {
        std::lock_guard guard(shared_->lock);
        return std::exchange(shared_->pictures, {});
    }

  private:
    struct Shared {
        std::mutex lock;
        PanePicture spare;
        std::vector<PanePicture> pictures;
    };
    std::shared_ptr<Shared> shared_;
};

// The wall as the cameras see it, with one action slipped in on a camera's thread at a chosen
// moment: right after the camera has looked up its pane (before it draws into it), or when it
// gives its pane back (in the middle of its stop).
class HookedWall : public ForwardingWall {
  public:
    enum class Moment { Lookup, Release };
    explicit HookedWall(CanvasPaneHost& wall) : ForwardingWall(wall) {}
    // `action` runs once, at `moment` of `camera`.
    void Arm(Moment moment, const PaneOwner& camera, std::function<void()> action) {
        std::lock_guard guard(lock_);
        moment_ = moment;
        camera_ = &camera;
        action_ = std::move(action);
    }
    bool Fired() const { return fired_; }

    void ReleasePane(PaneOwner& owner) override {
        ForwardingWall::ReleasePane(owner);
        Run(Moment::Release, owner);
    }
    PaneSurface* SurfaceOf(const PaneOwner& owner) override {
        PaneSurface* surface = ForwardingWall::SurfaceOf(owner);
        Run(Moment::Lookup, owner);
        return surface;
    }

  private:
    void Run(Moment moment, const PaneOwner& owner) {
        std::function<void()> action;
        {
            std::lock_guard guard(lock_);
            if (moment == moment_ && &owner == camera_) action = std::exchange(action_, {});
        }
        if (!action) return;
        action();
        fired_ = true;
    }

    std::mutex lock_;
    Moment moment_ = Moment::Lookup;
    const PaneOwner* camera_ = nullptr;
    std::function<void()> action_;
    std::atomic<bool> fired_{false};
};

class WallLive : public LiveFixture {
  protected:
    // Puts a hooked wall between the cameras and the wall; call before Start. It lives as long
    // as the fixture, so the cameras' threads can still reach it while the test ends.
    HookedWall& Hooked() {
        hooked_ = std::make_unique<HookedWall>(host);
        panes = hooked_.get();
        return *hooked_;
    }
    // Waits for `count` pictures of width × height turned `rotation` times, and expects every
    // picture that came meanwhile to be one of the clip's pictures at its own size, byte for
    // byte.
    void ExpectWholePictures(PictureLog& log, const ClipPictures& clip, Size size, int rotation,
                             std::size_t count);

  private:
    std::unique_ptr<HookedWall> hooked_;
};

void WallLive::ExpectWholePictures(PictureLog& log, const ClipPictures& clip, Size size,
                                   int rotation, std::size_t count) {
    std::size_t matching = 0;
    const bool arrived = WaitUntil([&] {
        for (const PanePicture& p : log.Take()) {
            if (!p.Whole()) {
                ADD_FAILURE() << "a picture larger than its buffer";
                continue;
            }
            const auto reference = clip.find({p.width, p.height});
            EXPECT_TRUE(reference != clip.end() && reference->second.count(PictureRows(p)))
                << "a garbled " << p.width << "x" << p.height << " picture, rotation "
                << p.overlay.rotation;
            if (Size{p.width, p.height} == size && p.overlay.rotation == rotation) ++matching;
        }
        return matching >= count;
    });
    EXPECT_TRUE(arrived) << matching << " pictures of " << size.first << "x" << size.second;
}

TEST_F(WallLive, TurnedAndResizedPanesGetWholePicturesOfTheirNewSize) {
    // The clip is 640 × 360: a picture is never made larger than that on either side; the
    // painter stretches it over the rest of its pane.
    const ClipPictures clip = PicturesOfTheClip({{640, 360}, {360, 360}, {257, 360}});
    Start("demo.json", "demo_user", "demo1234");
    CCamera& camera = Camera("NB0000000001");
    camera.CameraStart();
    ASSERT_TRUE(WaitUntil([&] { return camera.m_nStatus == kStatusPlaying; }));
    PictureLog log(*canvas.SurfaceOf(camera));
    ExpectWholePictures(log, clip, {640, 360}, 0, 3);

    // A quarter turn: the picture is made 360 wide for the pane's 360 rows, and as high as the
    // stream (not the pane's 640 columns), then turned and stretched by the painter.
    camera.m_nRotation = 1;
    ExpectWholePictures(log, clip, {360, 360}, 1, 5);
    camera.m_nRotation = 2;
    ExpectWholePictures(log, clip, {640, 360}, 2, 5);

    // A smaller wall with odd cell sizes, turned again.
    canvas.PlacePanes(866, 514);
    camera.m_nRotation = 3;
    ExpectWholePictures(log, clip, {257, 360}, 3, 5);
}

TEST_F(WallLive, ACameraThatLostItsPaneDrawsNothingIntoIt) {
    HookedWall& wall = Hooked();
    Start("demo.json", "demo_user", "demo1234");
    CCamera& camera = Camera("NB0000000001");
    camera.CameraStart();
    ASSERT_TRUE(WaitUntil([&] { return camera.m_nStatus == kStatusPlaying; }));
    ASSERT_EQ(canvas.SurfaceOf(camera), canvas.Surface(0));
    PaneOwner other;  // an occupant that draws nothing itself
    ASSERT_TRUE(canvas.AcquirePane(other));
    ASSERT_EQ(canvas.SurfaceOf(other), canvas.Surface(1));

    // Just after the camera found pane 0, the user drags the other pane before it and the wall
    // is laid out again: pane 0 goes to the other occupant, pane 1 to the camera.
    std::atomic<uint64_t> publishedThen{0};
    wall.Arm(HookedWall::Moment::Lookup, camera, [&] {
        ASSERT_TRUE(canvas.PressPane(1, 960, 180));
        for (int i = 0; i < 4; ++i) canvas.MovePointer(320, 180);
        canvas.ReleasePointer(320, 180);
        ASSERT_TRUE(canvas.Relayout(SplitLayout::kGrid, 2, 2));
        publishedThen = canvas.Surface(0)->Published();
    });
    ASSERT_TRUE(WaitUntil([&] { return wall.Fired(); }));
    ASSERT_EQ(canvas.SurfaceOf(other), canvas.Surface(0));
    ASSERT_EQ(canvas.SurfaceOf(camera), canvas.Surface(1));
    const uint64_t shown = camera.counters.framesShown;
    ASSERT_TRUE(WaitUntil([&] { return camera.counters.framesShown >= shown + 5; }));
    EXPECT_EQ(canvas.Surface(0)->Published(), publishedThen.load())
        << "the camera drew into the pane it had lost";
    PanePicture picture;
    if (canvas.Surface(0)->TakeFront(picture))
        EXPECT_EQ(picture.overlay.statusText.find("Прихожая"), std::string::npos);
    ASSERT_TRUE(canvas.Surface(1)->TakeFront(picture));
    EXPECT_EQ(picture.owner, &camera);
    camera.StopCleanCameraTCP_UDT();
    canvas.ReleasePane(other);
}

TEST_F(WallLive, WithEveryPaneTakenACameraDoesNotStartAndTheUserIsTold) {
    Start("demo.json", "demo_user", "demo1234");
    std::array<PaneOwner, CCanvas::kPanes> others;
    for (PaneOwner& other : others) ASSERT_TRUE(canvas.AcquirePane(other));
    CCamera& camera = Camera("NB0000000001");
    EXPECT_FALSE(camera.CameraStart());
    EXPECT_EQ(camera.m_nStatus, kStatusReady);
    EXPECT_EQ(camera.m_nPage, -1);
    const auto shown = client.notifier.Messages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Нет свободного окна для видео");
    EXPECT_EQ(shown[0].caption, "");  // a fading notice, not a message box

    // Once a pane is free the same camera starts and plays in it.
    ASSERT_TRUE(canvas.ReleasePane(others[2]));
    EXPECT_TRUE(camera.CameraStart());
    EXPECT_EQ(canvas.SurfaceOf(camera), canvas.Surface(2));
    ASSERT_TRUE(WaitUntil([&] { return camera.m_nStatus == kStatusPlaying; }));
    camera.StopCleanCameraTCP_UDT();
    for (PaneOwner& other : others) canvas.ReleasePane(other);
}

TEST_F(WallLive, AStartDuringARetryIsServedByTheRetryAndTheNextStopStops) {
    HookedWall& wall = Hooked();
    Start("live-faults.json", "live_user", "live1234",
          [](LiveContext& l) { l.checkPeriod = 1500ms; });
    CCamera& camera = Camera("LF0000000004");  // breaks its stream 2 s after startup
    camera.CameraStart();
    ASSERT_TRUE(WaitUntil([&] { return camera.m_nStatus == kStatusFailed; }));
    // The user starts the camera while the check thread stops the failed view to retry it.
    wall.Arm(HookedWall::Moment::Release, camera, [&] { EXPECT_TRUE(camera.CameraStart()); });
    ASSERT_TRUE(WaitUntil([&] { return wall.Fired() && camera.m_nStatus == kStatusPlaying; }));

    // The retry served that start: the user's next stop leaves the camera stopped.
    camera.StopCleanCameraTCP_UDT();
    EXPECT_EQ(camera.m_nStatus, kStatusReady);
    EXPECT_EQ(camera.m_nPage, -1);
}

TEST_F(WallLive, TheHealthOfAViewIsReadFromAnotherThreadWhileItPlays) {
    Start("health.json", "health_user", "health123");
    CCamera& camera = Camera("HL0000000002");  // through a mapped port
    camera.CameraStart();
    ASSERT_TRUE(WaitUntil([&] { return camera.m_nStatus == kStatusPlaying; }));

    // As the overlay's timer does on the UI thread: looks at the counters, windows apart.
    PaneHealthMeter meter;
    PaneHealth h;
    ASSERT_TRUE(WaitUntil([&] {
        h = meter.Update(SampleView(camera), PaneHealthMeter::Clock::now());
        return h.framesPerSecond && *h.framesPerSecond > 0 && h.delayMs && h.kbitPerSecond > 0;
    }));
    EXPECT_EQ(h.reach, kDevicePortMapping);
    EXPECT_EQ(HealthLines(h).front(), "Маршрут: Проброс порта");
    // 25 pictures a second: a window of half a second or more shows no more than that.
    EXPECT_LE(*h.framesPerSecond, 1000.0 / camera.m_nTimeGap + 10);
    EXPECT_GT(h.kbitPerSecond, 30);  // 300 kbit/s of video and the packets' headers
    EXPECT_LT(h.kbitPerSecond, 3000);
    EXPECT_LT(*h.delayMs, 5000);
    EXPECT_LE(h.framesDropped, camera.counters.framesDropped.load());
    EXPECT_FALSE(h.stalled);
    camera.StopCleanCameraTCP_UDT();
}

}  // namespace
}  // namespace nimbrel::test
