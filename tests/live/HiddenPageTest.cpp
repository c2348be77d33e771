// Cameras on a page that is not shown: they receive and record every frame but decode none, and
// shown again they catch up from the kept frames to the newest picture at once; warmed up as the
// page that comes next they catch up before it is shown; a stop while they catch up ends in
// bounded time.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <map>
#include <memory>
#include <thread>
#include <vector>

#include "ClipPictures.h"
#include "LiveFixture.h"
#include "Mp4Probe.h"
#include "platform/SerialPool.h"

namespace nimbrel::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kFramesPerSecond = 25;  // the simulator's default clip: 40 ms a frame
constexpr int kGop = 50;

// Each picture of the simulator's default clip, converted at 640 × 360 as a pane gets it, with
// its place in the clip.
struct ClipIndex {
    std::map<std::string, int> places;
    int frames = 0;
};

ClipIndex IndexTheClip() {
    ClipIndex index;
    index.frames = ConvertTheClip({{640, 360}}, [&](PictureSize, int place, std::string rows) {
        index.places.emplace(std::move(rows), place);
    });
    return index;
}

class HiddenPage : public LiveFixture {
  protected:
    // One pane a page: NB0000000001 on page 0, NB0000000006 on page 1 (hidden).
    void StartTwoPages() {
        Start("demo.json", "demo_user", "demo1234");
        canvas.Relayout(0, 1, 1);
        canvas.PlacePanes(640, 360);
        Camera("NB0000000001").CameraStart();
        Camera("NB0000000006").CameraStart();
        ASSERT_EQ(Hidden().m_nPage, 1);
    }
    CCamera& Hidden() { return Camera("NB0000000006"); }

    // Waits for the next picture published to the hidden camera's pane; its place in the clip
    // (-1: not one of the clip's pictures) and when it was seen.
    std::pair<int, Clock::time_point> NextPicture(const ClipIndex& clip) {
        PaneSurface& surface = *canvas.SurfaceOf(Hidden());
        const uint64_t before = surface.Published();
        EXPECT_TRUE(WaitUntil([&] { return surface.Published() > before; }, 20s));
        const Clock::time_point seen = Clock::now();
        PanePicture p;
        EXPECT_TRUE(surface.TakeFront(p));
        const auto place = clip.places.find(PictureRows(p));
        return {place == clip.places.end() ? -1 : place->second, seen};
    }
};

TEST_F(HiddenPage, ShownAgainACameraShowsTheNewestPictureOfTheClipAtOnce) {
    const ClipIndex clip = IndexTheClip();
    ASSERT_EQ(clip.frames % kGop, 0);
    StartTwoPages();
    CCamera& hidden = Hidden();
    ASSERT_TRUE(WaitUntil([&] { return hidden.counters.fragments >= 20; }));
    EXPECT_EQ(hidden.counters.framesDecoded, 0u) << "a camera on a hidden page decoded";

    // Shown, it plays; one picture pins the clip's place to the clock.
    ASSERT_TRUE(canvas.NextPage());
    ASSERT_TRUE(WaitUntil([&] { return hidden.counters.framesShown >= 5; }));
    const auto [placeA, timeA] = NextPicture(clip);
    ASSERT_GE(placeA, 0) << "a picture that is not the clip's";
    auto placeAt = [&, placeA = placeA, timeA = timeA](Clock::time_point t) {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(t - timeA).count();
        return static_cast<int>((placeA + ms * kFramesPerSecond / 1000) % clip.frames);
    };

    // Hidden for more than a second, up to a moment well past a key frame, so that showing the
    // kept key frame (or any older picture) cannot pass for the newest one.
    ASSERT_TRUE(canvas.PrevPage());
    const auto hiddenSince = Clock::now();
    ASSERT_TRUE(WaitUntil([&] {
        return Clock::now() - hiddenSince > 1200ms && placeAt(Clock::now()) % kGop >= 25 &&
               placeAt(Clock::now()) % kGop < 35;
    }));
    const uint64_t decodedWhileHidden = hidden.counters.framesDecoded;
    const uint64_t catchUps = hidden.counters.catchUps;

    ASSERT_TRUE(canvas.NextPage());
    const auto [placeB, timeB] = NextPicture(clip);
    ASSERT_GE(placeB, 0) << "the first picture after the switch is not one of the clip's";
    // The newest frame, give or take the ring's reserve and a loaded machine's lateness.
    const int expected = placeAt(timeB);
    const int behind = (expected - placeB + clip.frames) % clip.frames;
    EXPECT_TRUE(behind <= 8 || behind >= clip.frames - 2)
        << "showed clip picture " << placeB << ", the newest was about " << expected;
    EXPECT_EQ(hidden.counters.catchUps, catchUps + 1);
    // Every frame since the last key frame was decoded in the catch-up (never fewer than 25).
    EXPECT_GE(hidden.counters.framesDecoded, decodedWhileHidden + 25);
    // Then it plays on from there (a slow machine may publish twice between two looks).
    const auto [placeC, timeC] = NextPicture(clip);
    const int ahead = (placeC - placeB + clip.frames) % clip.frames;
    EXPECT_TRUE(ahead >= 1 && ahead <= 4) << placeB << " then " << placeC;
    EXPECT_EQ(hidden.counters.framesDropped, 0u);
}

TEST_F(HiddenPage, AWarmedCameraCatchesUpBeforeItsPageComesAndDrawsAtOnceWhenShown) {
    const ClipIndex clip = IndexTheClip();
    StartTwoPages();
    CCamera& hidden = Hidden();
    ASSERT_TRUE(WaitUntil([&] { return hidden.counters.fragments >= 20; }));
    ASSERT_EQ(hidden.counters.framesDecoded, 0u);

    // Its page comes next: it decodes what it kept, then every frame, and draws nothing.
    canvas.SetWarmPage(1);
    ASSERT_TRUE(WaitUntil([&] { return hidden.counters.catchUps == 1; }));
    const uint64_t afterCatchUp = hidden.counters.framesDecoded;
    ASSERT_TRUE(WaitUntil([&] { return hidden.counters.framesDecoded >= afterCatchUp + 10; }));
    EXPECT_EQ(hidden.counters.framesShown, 0u);
    EXPECT_EQ(canvas.SurfaceOf(hidden)->Published(), 0u);
    EXPECT_EQ(hidden.m_nStatus, kStatusConnecting) << "playing says a picture was shown";

    // The tour moved on elsewhere: it goes back to keeping its frames.
    canvas.SetWarmPage(-1);
    std::this_thread::sleep_for(200ms);
    const uint64_t cold = hidden.counters.framesDecoded;
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(hidden.counters.framesDecoded, cold);

    // Warmed again a second ahead, then shown: the first picture needs no catching up and is
    // the newest.
    canvas.SetWarmPage(1);
    ASSERT_TRUE(WaitUntil([&] { return hidden.counters.catchUps == 2; }));
    std::this_thread::sleep_for(1s);
    const uint64_t catchUps = hidden.counters.catchUps;
    ASSERT_TRUE(canvas.NextPage());
    const auto [first, seen] = NextPicture(clip);
    EXPECT_GE(first, 0) << "not one of the clip's pictures";
    EXPECT_EQ(hidden.counters.catchUps, catchUps) << "the first picture had to catch up";
    EXPECT_EQ(canvas.WarmPage(), 1) << "the wall leaves the warm page to the tour";
    EXPECT_FALSE(canvas.IsWarming(hidden)) << "a shown page is not warming";
    EXPECT_TRUE(WaitUntil([&] { return hidden.m_nStatus == kStatusPlaying; }));
    EXPECT_EQ(hidden.counters.framesDropped, 0u);
}

TEST_F(HiddenPage, AHiddenCameraRecordsEveryFrameWithoutDecodingAny) {
    const fs::path folder = fs::temp_directory_path() / ("hidden-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    client.app.VideoPath = folder.string() + "/";
    client.app.FileLength = 10;
    Start("demo.json", "demo_user", "demo1234");
    canvas.Relayout(0, 1, 1);
    canvas.PlacePanes(640, 360);
    Camera("NB0000000001").CameraStart();
    CCamera& hidden = Hidden();
    hidden.m_bRecord = 1;
    hidden.CameraStart();
    ASSERT_EQ(hidden.m_nPage, 1);
    ASSERT_TRUE(WaitUntil([&] { return hidden.Recorder().FramesOffered() >= 60; }));
    hidden.StopCleanCameraTCP_UDT();
    EXPECT_EQ(hidden.counters.framesDecoded, 0u);
    EXPECT_EQ(hidden.counters.framesDropped, 0u);
    ASSERT_TRUE(hidden.Recorder().Flush(std::chrono::seconds(20)));
    const auto files = hidden.Recorder().Files();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_TRUE(files[0].closed);
    EXPECT_EQ(files[0].frames, hidden.Recorder().FramesOffered());
    const auto facts = ProbeMp4(files[0].path);
    ASSERT_TRUE(facts.read) << facts.error;
    EXPECT_EQ(facts.frames, static_cast<long>(files[0].frames));
    fs::remove_all(folder);
}

// Every decoding worker busy with other work for a while, as when a page of cameras catches up:
// the hidden camera's ticks wait, and its ring fills behind them. It takes the whole backlog at
// its next tick, so waits that come again and again never fill its ring (a full ring loses the
// next frame, and with it the recording's continuity and the picture until the next key frame).
TEST_F(HiddenPage, AHiddenCameraWhoseTicksWaitedBehindOtherWorkLosesNoFrame) {
    StartTwoPages();
    CCamera& hidden = Hidden();
    ASSERT_TRUE(WaitUntil([&] { return hidden.counters.fragments >= 40; }));
    const uint64_t skippedBefore = hidden.counters.ticksSkipped;
    const int workers = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    std::vector<std::unique_ptr<SerialPool::Lane>> lanes;
    for (int i = 0; i < workers; ++i) {
        lanes.push_back(std::make_unique<SerialPool::Lane>());
        SerialPool::Shared().Open(*lanes.back());
    }
    // Each round holds every worker for 600 ms (15 frames), then lets them go for 200 ms (5
    // ticks): a camera taking one frame a tick would be 10 frames further behind each round and
    // overflow its 32 slots by the fourth.
    for (int round = 0; round < 5; ++round) {
        std::atomic<int> done{0};
        for (auto& lane : lanes)
            ASSERT_TRUE(SerialPool::Shared().Post(*lane, [&done] {
                std::this_thread::sleep_for(600ms);
                ++done;
            }));
        ASSERT_TRUE(WaitUntil([&] { return done == workers; }));
        std::this_thread::sleep_for(200ms);
    }
    for (auto& lane : lanes) SerialPool::Shared().Close(*lane);
    // A frame lost to a full ring shows as a gap once the 32 frames before it have been taken.
    std::this_thread::sleep_for(2s);
    EXPECT_GT(hidden.counters.ticksSkipped, skippedBefore) << "the ticks never had to wait";
    EXPECT_EQ(hidden.counters.framesDropped, 0u);
    // Shown, it catches up from what it kept to a picture of the clip.
    const ClipIndex clip = IndexTheClip();
    ASSERT_TRUE(canvas.NextPage());
    EXPECT_GE(NextPicture(clip).first, 0);
}

TEST_F(HiddenPage, AStopWhileCatchingUpEndsInBoundedTime) {
    StartTwoPages();
    CCamera& hidden = Hidden();
    for (int round = 0; round < 3; ++round) {
        // Hidden long enough to keep most of a key-frame interval.
        ASSERT_TRUE(WaitUntil([&] { return hidden.m_nStatus == kStatusConnecting; }));
        const uint64_t fragments = hidden.counters.fragments;
        ASSERT_TRUE(WaitUntil([&] { return hidden.counters.fragments >= fragments + 40; }));
        ASSERT_TRUE(canvas.NextPage());
        const auto start = Clock::now();
        hidden.StopCleanCameraTCP_UDT();
        EXPECT_LT(Clock::now() - start, 10s);
        EXPECT_EQ(hidden.m_nStatus, kStatusReady);
        ASSERT_TRUE(canvas.Relayout(0, 1, 1));  // page 0 again; the restart takes page 1
        hidden.CameraStart();
        ASSERT_EQ(hidden.m_nPage, 1);
    }
}

}  // namespace
}  // namespace nimbrel::test
