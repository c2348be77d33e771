// The live wall against its floor: N simulated LAN cameras stream H.264 over loopback into
// live views (CCamera) whose panes are the wall of a 1920 × 1080 canvas for that N, and the
// client's CPU, frames, delay and memory are set side by side with what bare decoding of the
// same streams costs in-process.
//
//   bench_live_wall [--seconds S] [--warmup W] [--cameras 1,4,9,16] [--hd-cameras 1,4]
//                   [--open 64] [--tour] [--audio-cameras 16] [--floor-seconds F]
//                   [--no-viewer] [--json FILE] [--chart FILE.svg]
//
// An open wall (--open N) has N cameras open in a 4 × 4 wall, 16 of them on the page shown and
// the rest on hidden pages; after the measured window it turns through every page once and
// times each switch to live pictures. Beside it runs the same wall with only its N - 16 hidden
// cameras (the shown page held by empty panes): what receiving them alone costs. With --tour
// the open wall runs again with its tour showing the next page every 10 s (the page after it
// warmed up a second ahead) for four switches: each switch's time to live pictures, and the
// client's CPU over the tour beside the same wall without it.
//
// Each wall runs in a child process of its own (the same executable with --one), so that its
// CPU time and resident memory are its own and nothing freed by an earlier wall hides what the
// next one allocates. The simulator (NIMBREL_SIM, else the build tree's nimbrel-sim) is a
// process of its own too: its encoding and sending are not counted.
//
// How the figures are taken:
//  - client: user + system CPU time of the client process (getrusage) over the measured window,
//    divided by the window's length: CPU seconds per second of video for the whole wall. It
//    includes every camera thread, the viewer (below) and the idle main thread.
//  - decode: the same clip the simulator streams, encoded again in-process with the
//    simulator's own encoder (identical bytes), decoded by N decoders interleaved frame by
//    frame on one thread; CPU time of that thread per second of video decoded per stream.
//  - b2b: as decode, plus one conversion of each picture straight to the BGRX picture the
//    pane shows (at the pane's size, or the stream's when the pane is larger): the least work
//    that yields what the pane shows, done back to back.
//  - floor: the same work paced as a wall does it: each stream's frame at its time, one frame
//    period apart. Between frames the decoders' data and code leave the caches, so one stream
//    costs noticeably more paced than back to back; interleaving 16 streams does the same to
//    the back-to-back figure. The ratio is the client's CPU over this floor.
//  - dropped: frames the views cleared without decoding (lost, incomplete or out of order) and
//    display ticks the frame timer skipped because it fell behind.
//  - delay: from the last fragment of a frame landing in the frame ring to its picture being
//    published to the pane surface (the views' own histograms), over all cameras.
//  - memory: anonymous resident memory (RssAnon) of the client process with every view
//    playing minus before any view started, per camera; the pages of library code that
//    decoding first reads in are the process's once, not a camera's, and are left out of it
//    (the breakdown below gives the whole resident figure, VmRSS, as well); for an open wall, the
//    hidden cameras' share is the hidden-only wall's per camera, and the rest is the shown
//    cameras'.
//  - page switch: from turning the page to every camera of the new page having published a
//    picture made after the turn (the longest of the switches).
//  - viewer: a thread stands in for the wall's window, reading each pane's picture in place on
//    its wake-up as the pane widget paints it (every row read, no painting).
//  - audio walls (--audio-cameras): the same 720p25 wall, but the first camera also sends AAC
//    (16 kHz stereo) and plays as device audio into the null output (the real rate, no device),
//    while talk sends a tone to it: output underruns (0 wanted), the delay from an audio
//    frame's arrival to its samples leaving the output (median, p99), and the sender's CPU time
//    spent encoding talk per second.
#include <fcntl.h>
#include <json/json.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ClientSession.h"
#include "LiveWallMeasure.h"
#include "LiveWallReport.h"
#include "SimProcess.h"
#include "TourRun.h"
#include "WallUser.h"
#include "camera/H264ClipEncoder.h"
#include "devices/DeviceList.h"
#include "devices/DeviceListLoader.h"
#include "devices/LanDiscovery.h"
#include "live/CCamera.h"
#include "live/LiveContext.h"
#include "platform/audio/WavFile.h"
#include "wall/CCanvas.h"
#include "wall/CanvasPaneHost.h"
#include "wall/SoundSwitch.h"

extern char** environ;

namespace nimbrel::bench {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kFramePeriodMs = 40;
constexpr int kCanvasWidth = 1920;
constexpr int kCanvasHeight = 1080;
constexpr const char* kUser = "wall_user";
constexpr const char* kPassword = "wall1234";

struct StreamKind {
    const char* name;
    int width;
    int height;
    int bitRate;
};

constexpr StreamKind k720p{"720p25", 1280, 720, 1200000};
constexpr StreamKind k1080p{"1080p25", 1920, 1080, 3000000};
// The page of an open wall: 4 × 4.
constexpr int kShownOfOpen = 16;
// The client's CPU over the floor that a wall of shown cameras may reach.
constexpr double kTargetRatio = 1.10;

struct Options {
    double seconds = 10;
    double warmup = 3;
    double floorSeconds = 4;
    std::vector<int> cameras{1, 4, 9, 16};
    std::vector<int> hdCameras{1, 4};
    std::vector<int> audioCameras{16};
    std::vector<int> open{64};
    bool tour = false;  // each open wall again with its tour running
    bool viewer = true;
    std::string json;   // where the rows go as JSON too
    std::string chart;  // where the client/floor chart goes (SVG)
    // --one: a single wall, in this process.
    bool one = false;
    int oneCameras = 1;
    int oneShown = -1;  // cameras on the page shown; -1: all
    bool oneHd = false;
    bool oneAudio = false;
    int oneTourSwitches = 0;  // the wall runs its tour for this many switches instead
};

// The tour of an open wall: a switch every 10 s, four of them.
constexpr std::chrono::seconds kTourInterval{10};
constexpr int kTourSwitches = 4;

std::vector<int> ParseList(const std::string& text) {
    std::vector<int> values;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ','))
        if (!item.empty()) values.push_back(std::atoi(item.c_str()));
    return values;
}

int Usage(const char* self) {
    std::fprintf(stderr,
                 "usage: %s [--seconds S] [--warmup W] [--cameras 1,4,9,16] [--hd-cameras 1,4]\n"
                 "          [--open 64] [--tour] [--audio-cameras 16] [--floor-seconds F]\n"
                 "          [--no-viewer] [--json FILE] [--chart FILE.svg]\n"
                 "  --seconds        measured window of each wall (default 10)\n"
                 "  --warmup         playing time before the window (default 3)\n"
                 "  --cameras        720p25 walls to run, by camera count (1..16; empty: none)\n"
                 "  --hd-cameras     1080p25 walls to run (default 1,4; empty: none)\n"
                 "  --open           720p25 cameras open in a 4x4 wall, 16 shown, the rest on\n"
                 "                   hidden pages, with paging (17..64, default 64; empty: none)\n"
                 "  --tour           each open wall again with its tour: a switch every 10 s\n"
                 "  --audio-cameras  720p25 walls with device audio and talk on one camera\n"
                 "                   (default 16; empty: none)\n"
                 "  --floor-seconds  video per stream decoded for the floor (default 4)\n"
                 "  --no-viewer      nobody takes the pictures from the panes\n"
                 "  --json FILE      also write the rows as JSON\n"
                 "  --chart FILE     also draw client/floor per row as SVG\n",
                 self);
    return 2;
}

bool ParseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
        if (arg == "--seconds")
            o.seconds = std::atof(value().c_str());
        else if (arg == "--warmup")
            o.warmup = std::atof(value().c_str());
        else if (arg == "--floor-seconds")
            o.floorSeconds = std::atof(value().c_str());
        else if (arg == "--cameras")
            o.cameras = ParseList(value());
        else if (arg == "--hd-cameras")
            o.hdCameras = ParseList(value());
        else if (arg == "--no-viewer")
            o.viewer = false;
        else if (arg == "--one")
            o.one = true, o.oneCameras = std::atoi(value().c_str());
        else if (arg == "--shown")
            o.oneShown = std::atoi(value().c_str());
        else if (arg == "--open")
            o.open = ParseList(value());
        else if (arg == "--tour")
            o.tour = true;
        else if (arg == "--tour-switches")
            o.oneTourSwitches = std::atoi(value().c_str());
        else if (arg == "--json")
            o.json = value();
        else if (arg == "--chart")
            o.chart = value();
        else if (arg == "--hd")
            o.oneHd = true;
        else if (arg == "--audio-cameras")
            o.audioCameras = ParseList(value());
        else if (arg == "--audio")
            o.oneAudio = true;
        else
            return false;
    }
    auto valid = [](const std::vector<int>& list) {
        return std::all_of(list.begin(), list.end(), [](int n) { return n >= 1 && n <= 16; });
    };
    const bool validOpen = std::all_of(o.open.begin(), o.open.end(), [](int n) {
        return n > kShownOfOpen && n <= kShownOfOpen * 4;
    });
    const bool validOne = !o.one || (o.oneCameras >= 1 && o.oneCameras <= CCanvas::kPanes &&
                                     o.oneShown <= std::min(o.oneCameras, kShownOfOpen));
    return o.seconds > 0 && o.warmup >= 0 && o.floorSeconds > 0 && valid(o.cameras) &&
           valid(o.hdCameras) && valid(o.audioCameras) && validOpen && validOne;
}

// The grid of a 1920 × 1080 wall that shows n cameras on one page.
int GridFor(int cameras) {
    int side = 1;
    while (side * side < cameras) ++side;
    return side;
}

std::string SimPath() {
    const char* env = std::getenv("NIMBREL_SIM");
    if (env && *env) return env;
    return NIMBREL_SIM_BUILT;
}

// A scenario with one account and `cameras` LAN cameras streaming the given video, no audio
// but on the first camera of an audio wall (AAC, a 1000 Hz tone).
std::filesystem::path WriteScenario(const StreamKind& kind, int cameras, bool audio) {
    Json::Value scenario(Json::objectValue);
    Json::Value account(Json::objectValue);
    account["name"] = kUser;
    account["password"] = kPassword;
    scenario["accounts"].append(account);
    scenario["devices"] = Json::Value(Json::arrayValue);
    for (int i = 1; i <= cameras; ++i) {
        char sid[17];
        std::snprintf(sid, sizeof sid, "LW%010d", i);
        Json::Value device(Json::objectValue);
        device["sid"] = sid;
        device["name"] = "Wall " + std::to_string(i);
        device["owner"] = kUser;
        device["reach"] = "lan";
        device["lanReply"] = false;
        Json::Value media(Json::objectValue);
        media["width"] = kind.width;
        media["height"] = kind.height;
        media["framePeriodMs"] = kFramePeriodMs;
        media["bitRate"] = kind.bitRate;
        media["gop"] = 50;
        media["audio"] = "none";
        if (audio && i == 1) {
            media["audio"] = "aac";
            media["audioSample"] = 16000;
            media["toneHz"] = 1000;
        }
        device["media"] = media;
        scenario["devices"].append(device);
    }
    const auto path = std::filesystem::temp_directory_path() /
                      ("nimbrel-wall-" + std::to_string(getpid()) + ".json");
    std::ofstream(path) << Json::writeString(Json::StreamWriterBuilder(), scenario);
    return path;
}

struct CameraTotals {
    uint64_t decoded = 0, shown = 0, dropped = 0, skipped = 0, shifts = 0, bytes = 0;
    DelayHistogram::Snapshot delay;
};

CameraTotals Totals(const std::vector<CCamera*>& cameras) {
    CameraTotals t;
    for (const CCamera* c : cameras) {
        t.decoded += c->counters.framesDecoded;
        t.shown += c->counters.framesShown;
        t.dropped += c->counters.framesDropped;
        t.skipped += c->counters.ticksSkipped;
        t.shifts += c->counters.tickShifts;
        t.bytes += c->counters.bytes;
        const auto delay = c->counters.publishDelay.Take();
        for (int b = 0; b < DelayHistogram::kBuckets; ++b) t.delay.counts[b] += delay.counts[b];
    }
    return t;
}

// Runs one wall and prints its figures as one "RESULT key=value ..." line.
int RunOne(const Options& o) {
    const StreamKind& kind = o.oneHd ? k1080p : k720p;
    const int n = o.oneCameras;
    const int shownCount = o.oneShown < 0 ? n : o.oneShown;
    // A wall without shown cameras keeps an open wall's page: empty panes hold the page shown.
    const int grid = GridFor(shownCount > 0 ? shownCount : kShownOfOpen);
    std::ostringstream out;
    out << "RESULT stream=" << kind.name << " cameras=" << n << " shownCameras=" << shownCount
        << " grid=" << grid << " audio=" << (o.oneAudio ? 1 : 0)
        << " tour=" << (o.oneTourSwitches > 0 ? 1 : 0);
    auto fail = [&](const std::string& why) {
        std::printf("%s error=%s\n", out.str().c_str(), why.c_str());
        return 1;
    };
    setenv("NIMBREL_SIM", SimPath().c_str(), 0);
    setenv("NIMBREL_ADAPTER", "lo", 1);
    const auto scenario = WriteScenario(kind, n, o.oneAudio);
    // Talk's input: a second of a 440 Hz tone, looped.
    const auto talkInput = std::filesystem::temp_directory_path() /
                           ("nimbrel-wall-talk-" + std::to_string(getpid()) + ".wav");
    if (o.oneAudio) {
        WavData tone{{16000, 1}, std::vector<int16_t>(16000)};
        for (int i = 0; i < 16000; ++i)
            tone.samples[i] = static_cast<int16_t>(12000 * std::sin(2 * M_PI * 440 * i / 16000));
        if (!WriteWav(talkInput.string(), tone)) return fail("talk input not written");
    }
    uint64_t underrunsBefore = 0, underrunsAfter = 0, encodeBefore = 0, encodeAfter = 0;
    uint64_t audioPlayed = 0, talkPackets = 0;
    DelayHistogram::Snapshot audioBefore, audioAfter;
    const double loadStart = LoadAverage();

    CameraTotals before, after;
    double cpu = 0, window = 0;
    int64_t rssBefore = 0, rssAfter = 0, anonBefore = 0, anonAfter = 0;
    int paneWidth = 0, paneHeight = 0;
    uint64_t viewerTaken = 0;
    std::vector<double> switchMs, tourMs;
    std::map<std::string, int64_t> threadsBefore, threadsAfter;
    {
        std::unique_ptr<test::SimProcess> sim;
        try {
            sim = std::make_unique<test::SimProcess>(scenario.string());
        } catch (const std::exception& e) {
            std::filesystem::remove(scenario);
            return fail(std::string("simulator: ") + e.what());
        }
        std::filesystem::remove(scenario);
        test::ClientSession client;
        std::string why;
        if (!client.SignIn(*sim, kUser, kPassword, &why)) return fail("sign-in: " + why);
        CCanvas canvas;
        CanvasPaneHost host{canvas};
        LiveContext live{
            .g = client.g, .app = client.app, .notifier = client.notifier, .panes = host};
        LanDiscovery lan;
        live.audio = AudioBackends({AudioBackend::Kind::Null, {}},
                                   {AudioBackend::Kind::Wav, talkInput.string()});
        DeviceList list;
        list.SetRecordFactory([&live] { return std::make_unique<CCamera>(live); });
        if (!FetchDeviceList(DeviceServiceContext{client.g, client.app, client.notifier, {}}, list,
                             lan))
            return fail("device list not loaded");
        std::vector<CCamera*> cameras;
        for (int i = 0; i < list.Count(); ++i)
            if (auto* camera = dynamic_cast<CCamera*>(list.At(i))) cameras.push_back(camera);
        if (int(cameras.size()) != n)
            return fail("device list has " + std::to_string(cameras.size()));
        canvas.Relayout(SplitLayout::kGrid, grid, grid);
        canvas.PlacePanes(kCanvasWidth, kCanvasHeight);
        std::vector<PaneOwner> placeholders(shownCount == 0 ? grid * grid : 0);
        for (PaneOwner& p : placeholders) canvas.AcquirePane(p);
        std::unique_ptr<Viewer> viewer;
        if (o.viewer) viewer = std::make_unique<Viewer>(canvas);

        rssBefore = ResidentBytes();
        anonBefore = ResidentAnonymousBytes();
        for (CCamera* camera : cameras) camera->CameraStart();
        const auto until = Clock::now() + std::chrono::seconds(60);
        // Cameras on the page shown play; hidden ones receive.
        auto allPlaying = [&] {
            return std::all_of(cameras.begin(), cameras.end(), [&](const CCamera* c) {
                if (c->m_nPage != canvas.CurrentPage()) return c->counters.fragments > 0;
                return c->m_nStatus == kStatusPlaying && c->counters.framesShown > 0;
            });
        };
        while (!allPlaying() && Clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (!allPlaying()) {
            for (CCamera* camera : cameras) camera->Shutdown();
            return fail("not every view plays");
        }
        if (PaneSurface* surface = canvas.SurfaceOf(*cameras.front()); surface && shownCount > 0)
            std::tie(paneWidth, paneHeight) = surface->DrawSize();
        CCamera& speaker = *cameras.front();
        if (o.oneAudio) {
            SwitchDeviceAudioOn(canvas, speaker);
            SwitchTalkOn(canvas, speaker);
        }
        std::this_thread::sleep_for(std::chrono::duration<double>(o.warmup));
        if (o.oneAudio && speaker.Audio().Counters().framesPlayed < 8)
            return fail("device audio does not play");

        underrunsBefore = speaker.Audio().Underruns();
        encodeBefore = speaker.Talk().Counters().encodeCpuNs;
        audioBefore = speaker.Audio().Counters().playDelay.Take();
        before = Totals(cameras);
        threadsBefore = ThreadRunTimeByName();
        const double cpuStart = ProcessCpuSeconds();
        const double start = MonotonicSeconds();
        if (o.oneTourSwitches > 0)
            tourMs = RunTour(canvas, cameras, o.oneTourSwitches, kTourInterval);
        else
            std::this_thread::sleep_for(std::chrono::duration<double>(o.seconds));
        cpu = ProcessCpuSeconds() - cpuStart;
        window = MonotonicSeconds() - start;
        threadsAfter = ThreadRunTimeByName();
        after = Totals(cameras);
        underrunsAfter = speaker.Audio().Underruns();
        encodeAfter = speaker.Talk().Counters().encodeCpuNs;
        audioAfter = speaker.Audio().Counters().playDelay.Take();
        audioPlayed = speaker.Audio().Counters().framesPlayed;
        talkPackets = speaker.Talk().Counters().packetsSent;
        rssAfter = ResidentBytes();
        anonAfter = ResidentAnonymousBytes();
        const bool stillPlaying = allPlaying();
        if (shownCount > 0 && n > shownCount && tourMs.empty())
            switchMs = TurnEveryPage(canvas, cameras);

        for (CCamera* camera : cameras) camera->RequestStop();
        for (CCamera* camera : cameras) camera->Shutdown();
        for (PaneOwner& p : placeholders) canvas.ReleasePane(p);
        if (viewer) viewerTaken = viewer->Taken();
        viewer.reset();
        if (!stillPlaying) out << " warning=a_view_stopped_playing";
    }
    const double loadEnd = LoadAverage();
    std::filesystem::remove(talkInput);
    if (o.oneAudio) {
        const auto audioDelay = audioAfter.Since(audioBefore);
        out << " audioUnderruns=" << underrunsAfter - underrunsBefore
            << " audioDelayCount=" << audioDelay.Count()
            << " audioDelayMedianMs=" << audioDelay.Quantile(0.5) / 1000
            << " audioDelayP99Ms=" << audioDelay.Quantile(0.99) / 1000
            << " audioPlayed=" << audioPlayed << " talkPackets=" << talkPackets
            << " talkEncodeCpu=" << double(encodeAfter - encodeBefore) * 1e-9 / window;
    }

    // The floor: the very clip the simulator streamed, decoded here.
    sim::VideoClipKey key;
    key.width = kind.width;
    key.height = kind.height;
    key.framePeriodMs = kFramePeriodMs;
    key.bitRate = kind.bitRate;
    key.gop = 50;
    const auto encoded = sim::H264ClipEncoder::Encode(key);
    if (!encoded.ok()) return fail("clip: " + encoded.error());
    FloorClip clip;
    clip.sps = encoded.value().sps;
    clip.pps = encoded.value().pps;
    clip.width = kind.width;
    clip.height = kind.height;
    for (const auto& frame : encoded.value().frames) clip.frames.push_back(frame.bytes);
    const int floorFrames = std::max(1, int(std::lround(o.floorSeconds * 1000 / kFramePeriodMs)));
    // The floor is that of the cameras shown: hidden ones make no pictures.
    const FloorFigures floor = shownCount > 0 ? MeasureFloor(clip, shownCount, floorFrames,
                                                             paneWidth, paneHeight, kFramePeriodMs)
                                              : FloorFigures{};
    const double floorVideo = floorFrames * kFramePeriodMs / 1000.0;

    const auto delay = after.delay.Since(before.delay);
    const double periodMs = kFramePeriodMs;
    out << " paneW=" << paneWidth << " paneH=" << paneHeight << " window=" << window
        << " client=" << cpu / window << " decode=" << floor.decodeCpu / floorVideo
        << " b2b=" << floor.decodeScaleCpu / floorVideo << " floor=" << floor.pacedCpu / floorVideo
        << " floorPictures=" << floor.pictures
        << " floorExpected=" << int64_t(shownCount) * floorFrames
        << " expected=" << std::llround(shownCount * window * 1000 / periodMs)
        << " decoded=" << after.decoded - before.decoded << " shown=" << after.shown - before.shown
        << " dropped=" << after.dropped - before.dropped
        << " skipped=" << after.skipped - before.skipped << " droppedTotal=" << after.dropped
        << " skippedTotal=" << after.skipped << " tickShifts=" << after.shifts - before.shifts
        << " tickShiftsTotal=" << after.shifts
        << " mbits=" << double(after.bytes - before.bytes) * 8 / window / 1e6 / n
        << " delayCount=" << delay.Count() << " delayMedianMs=" << delay.Quantile(0.5) / 1000
        << " delayP99Ms=" << delay.Quantile(0.99) / 1000
        << " delayMaxMs=" << delay.Quantile(1.0) / 1000 << " rssBefore=" << rssBefore
        << " rssAfter=" << rssAfter << " anonBefore=" << anonBefore << " anonAfter=" << anonAfter
        << " viewerTaken=" << viewerTaken << " loadStart=" << loadStart << " loadEnd=" << loadEnd;
    if (!switchMs.empty()) {
        out << " pageSwitchMs=" << *std::max_element(switchMs.begin(), switchMs.end())
            << " pageSwitches=";
        for (std::size_t i = 0; i < switchMs.size(); ++i) out << (i ? "," : "") << switchMs[i];
    }
    if (!tourMs.empty()) {
        std::vector<double> sorted = tourMs;
        std::sort(sorted.begin(), sorted.end());
        out << " tourSwitchMedianMs=" << sorted[sorted.size() / 2]
            << " tourSwitchMaxMs=" << sorted.back() << " tourSwitches=";
        for (std::size_t i = 0; i < tourMs.size(); ++i) out << (i ? "," : "") << tourMs[i];
    }
    // Each thread name's share of the window, in CPU seconds per second.
    for (const auto& [name, ns] : threadsAfter) {
        const auto found = threadsBefore.find(name);
        const int64_t spent = ns - (found == threadsBefore.end() ? 0 : found->second);
        std::string label = name;
        std::replace(label.begin(), label.end(), ' ', '_');
        out << " thread." << label << "=" << double(spent) * 1e-9 / window;
    }
    std::printf("%s\n", out.str().c_str());
    return 0;
}

using Result = std::map<std::string, std::string>;

// Runs one wall in a child process and returns its figures.
Result RunChild(const Options& o, int cameras, int shown, bool hd, bool audio, bool tour) {
    std::vector<std::string> args{
        "/proc/self/exe",         "--one",           std::to_string(cameras),       "--shown",
        std::to_string(shown),    "--seconds",       std::to_string(o.seconds),     "--warmup",
        std::to_string(o.warmup), "--floor-seconds", std::to_string(o.floorSeconds)};
    if (hd) args.push_back("--hd");
    if (audio) args.push_back("--audio");
    if (tour) {
        args.push_back("--tour-switches");
        args.push_back(std::to_string(kTourSwitches));
    }
    if (!o.viewer) args.push_back("--no-viewer");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    int out[2];
    Result result;
    if (pipe2(out, O_CLOEXEC) != 0) return {{"error", "pipe"}};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    // A group of its own, so that a simulator left behind by a wall that crashed can be ended.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(out[1]);
    if (rc != 0) {
        close(out[0]);
        return {{"error", "cannot start a wall"}};
    }
    std::string text;
    char buf[4096];
    for (ssize_t got; (got = read(out[0], buf, sizeof buf)) > 0;)
        text.append(buf, std::size_t(got));
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    kill(-pid, SIGTERM);
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("RESULT ", 0) != 0) continue;
        std::istringstream words(line.substr(7));
        std::string word;
        while (words >> word) {
            const auto eq = word.find('=');
            if (eq != std::string::npos) result[word.substr(0, eq)] = word.substr(eq + 1);
        }
    }
    if (result.empty())
        result["error"] = "the wall printed no figures (exit " + std::to_string(status) + ")";
    return result;
}

double Num(const Result& r, const std::string& key) {
    const auto found = r.find(key);
    return found == r.end() ? 0 : std::atof(found->second.c_str());
}

std::string Str(const Result& r, const std::string& key) {
    const auto found = r.find(key);
    return found == r.end() ? "" : found->second;
}

// The rows of the results: memory per shown and per hidden camera (an open wall's hidden share
// comes from its hidden-only companion), the longest page switch.
std::vector<WallRow> MakeRows(const std::vector<Result>& results) {
    auto mib = [](const Result& r) {
        return (Num(r, "anonAfter") - Num(r, "anonBefore")) / (1024.0 * 1024.0);
    };
    std::vector<WallRow> rows;
    for (const Result& r : results) {
        if (r.count("error")) continue;
        WallRow row;
        row.stream = Str(r, "stream");
        row.open = int(Num(r, "cameras"));
        row.shown = int(Num(r, "shownCameras"));
        row.audio = Num(r, "audio") != 0;
        row.tour = Num(r, "tour") != 0;
        if (r.count("tourSwitchMedianMs")) {
            row.tourSwitchMedianMs = Num(r, "tourSwitchMedianMs");
            row.tourSwitchMaxMs = Num(r, "tourSwitchMaxMs");
        }
        row.client = Num(r, "client");
        row.floor = Num(r, "floor");
        row.ratio = row.floor > 0 ? row.client / row.floor : 0;
        row.dropped = long(Num(r, "dropped") + Num(r, "skipped"));
        row.delayMedianMs = Num(r, "delayMedianMs");
        row.delayP99Ms = Num(r, "delayP99Ms");
        if (r.count("pageSwitchMs")) row.pageSwitchMs = Num(r, "pageSwitchMs");
        const int hidden = row.open - row.shown;
        if (hidden == 0) {
            row.mibPerShownCamera = mib(r) / row.open;
        } else if (row.shown == 0) {
            row.mibPerHiddenCamera = mib(r) / row.open;
        } else {
            for (const Result& h : results)
                if (!row.tour && !h.count("error") && Str(h, "stream") == row.stream &&
                    int(Num(h, "cameras")) == hidden && int(Num(h, "shownCameras")) == 0) {
                    row.mibPerHiddenCamera = mib(h) / hidden;
                    row.mibPerShownCamera = (mib(r) - mib(h)) / row.shown;
                }
        }
        rows.push_back(row);
    }
    return rows;
}

std::string Figure(const std::optional<double>& v, const char* format) {
    if (!v) return "-";
    char text[32];
    std::snprintf(text, sizeof text, format, *v);
    return text;
}

int RunAll(const Options& o) {
    struct Wall {
        int n;
        int shown;
        bool hd;
        bool audio;
        bool tour = false;
    };
    std::vector<Wall> walls;
    for (int n : o.cameras) walls.push_back({n, n, false, false});
    for (int n : o.hdCameras) walls.push_back({n, n, true, false});
    for (int n : o.open) {
        walls.push_back({n, kShownOfOpen, false, false});
        walls.push_back({n - kShownOfOpen, 0, false, false});  // receiving the hidden ones alone
        if (o.tour) walls.push_back({n, kShownOfOpen, false, false, true});
    }
    for (int n : o.audioCameras) walls.push_back({n, n, false, true});
    std::fprintf(stderr,
                 "live wall: %zu walls, %.0f s warm-up + %.0f s measured each; load average %.2f\n",
                 walls.size(), o.warmup, o.seconds, LoadAverage());
    std::vector<Result> results;
    for (const auto& [n, shown, hd, audio, tour] : walls) {
        std::fprintf(stderr, "  %s x %d open, %d shown%s ...\n", hd ? k1080p.name : k720p.name, n,
                     shown, audio ? " with sound" : tour ? " touring" : "");
        results.push_back(RunChild(o, n, shown, hd, audio, tour));
        if (results.back().count("error"))
            std::fprintf(stderr, "    failed: %s\n", Str(results.back(), "error").c_str());
    }
    const std::vector<WallRow> rows = MakeRows(results);

    const double period = kFramePeriodMs;
    std::printf(
        "\nLive wall, %g s measured after %g s of warm-up; CPU in CPU seconds per second of video "
        "for the whole wall\n(client: getrusage of the client process; decode, b2b, floor: thread "
        "CPU time of in-process decoding of the shown cameras' clip: bare and back to back, with "
        "the conversion back to back, with the conversion paced at the frame period; ratio = "
        "client / floor;\nMiB: anonymous resident memory).\n\n",
        o.seconds, o.warmup);
    std::printf(
        "%-8s %4s %5s %4s %9s | %6s %6s %6s %6s %6s | %9s %7s %7s | %15s %15s | %7s %7s | "
        "%8s | %5s\n",
        "stream", "open", "shown", "grid", "pane", "client", "decode", "b2b", "floor", "ratio",
        "shown/exp", "dropped", "skipped", "delay med ms/T", "delay p99 ms/T", "MiB/shn", "MiB/hid",
        "switch", "load");
    int failures = 0;
    std::size_t rowIndex = 0;
    for (const Result& r : results) {
        if (r.count("error")) {
            std::printf("%-8s %4s  failed: %s\n", Str(r, "stream").c_str(),
                        Str(r, "cameras").c_str(), Str(r, "error").c_str());
            ++failures;
            continue;
        }
        const WallRow& row = rows[rowIndex++];
        char grid[16], pane[24], shown[24], med[24], p99[24];
        std::snprintf(grid, sizeof grid, "%dx%d", int(Num(r, "grid")), int(Num(r, "grid")));
        std::snprintf(pane, sizeof pane, "%dx%d", int(Num(r, "paneW")), int(Num(r, "paneH")));
        std::snprintf(shown, sizeof shown, "%d/%d", int(Num(r, "shown")), int(Num(r, "expected")));
        std::snprintf(med, sizeof med, "%.1f / %.2f", row.delayMedianMs,
                      row.delayMedianMs / period);
        std::snprintf(p99, sizeof p99, "%.1f / %.2f", row.delayP99Ms, row.delayP99Ms / period);
        std::printf(
            "%-8s %4d %5d %4s %9s | %6.3f %6.3f %6.3f %6.3f %6.2f | %9s %7d %7d | %15s %15s | "
            "%7s %7s | %8s | %5.2f\n",
            row.stream.c_str(), row.open, row.shown, grid, pane, row.client, Num(r, "decode"),
            Num(r, "b2b"), row.floor, row.ratio, shown, int(Num(r, "dropped")),
            int(Num(r, "skipped")), med, p99, Figure(row.mibPerShownCamera, "%.1f").c_str(),
            Figure(row.mibPerHiddenCamera, "%.1f").c_str(),
            Figure(row.pageSwitchMs, "%.0f ms").c_str(),
            std::max(Num(r, "loadStart"), Num(r, "loadEnd")));
        if (r.count("pageSwitches"))
            std::printf("    page switches to live pictures (ms): %s\n",
                        Str(r, "pageSwitches").c_str());
    }
    if (!o.json.empty() && !WriteTextFile(o.json, RowsAsJson(rows))) {
        std::fprintf(stderr, "cannot write %s\n", o.json.c_str());
        ++failures;
    }
    if (!o.chart.empty() && !WriteTextFile(o.chart, RatioChartSvg(rows, kTargetRatio))) {
        std::fprintf(stderr, "cannot write %s\n", o.chart.c_str());
        ++failures;
    }

    // Where the client's CPU went, by thread name.
    std::printf(
        "\nClient CPU by thread (CPU s/s): recv = cam-recv, tick = the frame timers and the "
        "decoding workers (decode, convert, publish), viewer = taking pictures, other = the "
        "rest\n");
    for (const Result& r : results) {
        if (r.count("error")) continue;
        double recv = 0, tick = 0, viewer = 0, other = 0;
        for (const auto& [key, value] : r) {
            if (key.rfind("thread.", 0) != 0) continue;
            const std::string name = key.substr(7);
            const double v = std::atof(value.c_str());
            if (name == "cam-recv")
                recv += v;
            else if (name == "timer" || name.rfind("decode-", 0) == 0)
                tick += v;
            else if (name == "viewer")
                viewer += v;
            else
                other += v;
        }
        std::printf(
            "  %-8s x %2d: recv %.3f  tick %.3f  viewer %.3f  other %.3f   (tick - floor "
            "%+.3f; stream %.2f Mbit/s per camera; frames dropped since start %d, ticks "
            "skipped %d; ticks moved %d, %d in the window; resident with library pages %.1f MiB "
            "per camera)\n",
            Str(r, "stream").c_str(), int(Num(r, "cameras")), recv, tick, viewer, other,
            tick - Num(r, "floor"), Num(r, "mbits"), int(Num(r, "droppedTotal")),
            int(Num(r, "skippedTotal")), int(Num(r, "tickShiftsTotal")), int(Num(r, "tickShifts")),
            (Num(r, "rssAfter") - Num(r, "rssBefore")) / (1024.0 * 1024.0) / Num(r, "cameras"));
        if (Num(r, "floorPictures") != Num(r, "floorExpected"))
            std::printf("    floor made %d pictures of %d: the floor is not trustworthy\n",
                        int(Num(r, "floorPictures")), int(Num(r, "floorExpected")));
        if (Str(r, "warning").size()) std::printf("    warning: %s\n", Str(r, "warning").c_str());
    }

    // The targets.
    std::printf("\nTargets (T = frame period, %d ms)\n", kFramePeriodMs);
    auto verdict = [](bool met) { return met ? "met" : "NOT met"; };
    const double p99Limit = 2 * period + 5;
    for (const WallRow& row : rows) {
        if (row.audio || row.tour) continue;  // the sound and tour walls: below
        const bool hd = row.stream == k1080p.name;
        std::printf("  %-8s %2d of %2d:", row.stream.c_str(), row.shown, row.open);
        if (row.shown == 16 && row.open == 16 && !hd)
            std::printf(" CPU %.2f x floor <= %.2f %s; %ld dropped %s;", row.ratio, kTargetRatio,
                        verdict(row.ratio <= kTargetRatio), row.dropped, verdict(row.dropped == 0));
        if (row.shown > 0 && row.open > row.shown) {
            // The hidden-only companion: what receiving the hidden cameras alone costs.
            double receiving = -1;
            for (const WallRow& h : rows)
                if (h.stream == row.stream && h.shown == 0 && h.open == row.open - row.shown)
                    receiving = h.client;
            if (receiving >= 0) {
                const double limit = kTargetRatio * row.floor + receiving;
                std::printf(" CPU %.3f <= %.2f x floor + receiving %.3f = %.3f %s;", row.client,
                            kTargetRatio, receiving, limit, verdict(row.client <= limit));
            }
            std::printf(" %ld dropped %s; page switch %s <= 300 ms %s;", row.dropped,
                        verdict(row.dropped == 0), Figure(row.pageSwitchMs, "%.0f ms").c_str(),
                        verdict(row.pageSwitchMs && *row.pageSwitchMs <= 300));
        }
        if (row.shown > 0)
            std::printf(" delay p99 %.1f ms <= %.0f ms %s;", row.delayP99Ms, p99Limit,
                        verdict(row.delayP99Ms <= p99Limit));
        if (!hd && row.mibPerShownCamera)
            std::printf(" %.1f MiB/shown camera <= 15 %s;", *row.mibPerShownCamera,
                        verdict(*row.mibPerShownCamera <= 15));
        if (row.mibPerHiddenCamera)
            std::printf(" %.1f MiB/hidden camera <= 6 %s;", *row.mibPerHiddenCamera,
                        verdict(*row.mibPerHiddenCamera <= 6));
        std::printf("\n");
    }

    // Tours: each switch's time to live pictures, and the tour's CPU against the same wall
    // standing on one page.
    for (const WallRow& row : rows) {
        if (!row.tour || !row.tourSwitchMedianMs) continue;
        double still = -1;
        std::optional<double> manual;
        for (const WallRow& h : rows)
            if (!h.tour && !h.audio && h.stream == row.stream && h.open == row.open &&
                h.shown == row.shown) {
                still = h.client;
                manual = h.pageSwitchMs;
            }
        std::printf(
            "\nTour, %s x %d open, %d shown, a switch every %lld s: switch to live pictures median "
            "%.0f ms, worst %.0f ms (<= 100 ms %s; a manual page switch: %s)\n",
            row.stream.c_str(), row.open, row.shown, static_cast<long long>(kTourInterval.count()),
            *row.tourSwitchMedianMs, *row.tourSwitchMaxMs,
            verdict(*row.tourSwitchMaxMs <= 100), Figure(manual, "%.0f ms").c_str());
        if (still > 0)
            std::printf("  CPU %.3f with the tour against %.3f without (%+.1f%%)\n", row.client,
                        still, (row.client / still - 1) * 100);
    }

    // Sound: device audio on one camera of a playing wall, and talk to it.
    for (const Result& r : results) {
        if (r.count("error") || Num(r, "audio") == 0) continue;
        std::printf(
            "\nSound, %s x %d with device audio (AAC 16 kHz) and talk on one camera: CPU %.3f "
            "(%.2f x floor), %d frames dropped\n",
            Str(r, "stream").c_str(), int(Num(r, "cameras")), Num(r, "client"),
            Num(r, "client") / std::max(1e-9, Num(r, "floor")), int(Num(r, "dropped")));
        std::printf(
            "  audio underruns %d (0 wanted): %s; arrival to output delay median %.0f ms, p99 "
            "%.0f ms over %d frames\n",
            int(Num(r, "audioUnderruns")), verdict(Num(r, "audioUnderruns") == 0),
            Num(r, "audioDelayMedianMs"), Num(r, "audioDelayP99Ms"),
            int(Num(r, "audioDelayCount")));
        std::printf("  talk encoding %.4f CPU s/s (%d packets sent)\n", Num(r, "talkEncodeCpu"),
                    int(Num(r, "talkPackets")));
    }
    return failures == 0 ? 0 : 1;
}

}  // namespace
}  // namespace nimbrel::bench

int main(int argc, char** argv) {
    using namespace nimbrel::bench;
    signal(SIGPIPE, SIG_IGN);
    Options options;
    if (!ParseOptions(argc, argv, options)) return Usage(argv[0]);
    return options.one ? RunOne(options) : RunAll(options);
}
