// nimbrelctl view SID: a live view without a window, through the same camera object and video
// wall as the desktop program — a view that fails is retried and a lost session renewed as
// there — reporting how the camera was reached, what arrived and how the view ended. Only a
// view that plays at the end succeeds.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "CommandRegistry.h"
#include "DeviceOpening.h"
#include "DeviceSession.h"
#include "ExitCode.h"
#include "media/BmpFile.h"
#include "wall/SoundSwitch.h"

namespace nimbrel::cli {
namespace {

using namespace std::chrono;

struct ViewOptions {
    std::string sid;
    double seconds = 5;
    double stallSeconds = 10;
    std::string snapshot;
    std::string lockCode;
    std::string audio;  // WAV file for the camera's decoded sound
    int paneWidth = 640;
    int paneHeight = 360;
    AccountOptions account;
};

const char* ReachName(int nat) {
    switch (nat) {
        case kDeviceLan:
            return "lan";
        case kDevicePortMapping:
            return "portMapping";
        case kDeviceNatTraversal:
            return "natTraversal";
        case kDeviceRelay:
            return "relay";
        case kDeviceOffline:
            return "offline";
    }
    return "none";
}

const char* StatusName(int status) {
    switch (status) {
        case kStatusReady:
            return "ready";
        case kStatusConnecting:
            return "connecting";
        case kStatusPlaying:
            return "playing";
        case kStatusFailed:
            return "failed";
    }
    return "unknown";
}

// Why the view failed, in the words of the report.
const char* FailureText(CameraFailure failure) {
    switch (failure) {
        case CameraFailure::None:
            return "";
        case CameraFailure::Start:
            return "the camera could not be reached";
        case CameraFailure::Ended:
            return "the stream ended";
        case CameraFailure::Closed:
            return "the camera closed the view";
        case CameraFailure::Broken:
            return "the stream was broken";
        case CameraFailure::Stalled:
            return "the camera sent nothing";
        case CameraFailure::SignedOut:
            return "the service ended the session";
    }
    return "";
}

int View(CliContext& ctx, const ViewOptions& options) {
    DeviceSession session(ctx);
    if (const int rc = session.Open(options.account); rc != kExitOk) return rc;
    CCamera* camera = session.Camera(options.sid);
    if (!camera) return kExitFailed;
    if (const auto refusal = CheckOpening(ctx, *camera, options.lockCode))
        return ctx.Fail(kExitFailed, refusal->status, refusal->message);
    session.Live().stallLimit =
        duration_cast<milliseconds>(duration<double>(std::max(1.0, options.stallSeconds)));

    CCanvas& canvas = session.Canvas();
    canvas.Relayout(0, 1, 1);
    canvas.PlacePanes(options.paneWidth, options.paneHeight);

    const auto start = steady_clock::now();
    const auto until =
        start + duration_cast<steady_clock::duration>(duration<double>(options.seconds));
    std::optional<double> playingAfter;
    int reach = -1;
    std::string address;
    if (!options.audio.empty())
        session.Live().audio.SetOutput({AudioBackend::Kind::Wav, options.audio});
    int failures = 0;
    bool failed = false;
    bool wasPlaying = false;
    camera->CameraStart();
    while (steady_clock::now() < until) {
        std::this_thread::sleep_for(50ms);
        const int status = camera->m_nStatus;
        // What a playing view is connected to: after a fall-back or a reconnection, the last.
        if (status == kStatusPlaying) {
            if (camera->m_DeviceNATType > 0) reach = camera->m_DeviceNATType;
            address = camera->ConnectedAddress();
        }
        if (status == kStatusPlaying && !wasPlaying) {
            if (!playingAfter) playingAfter = duration<double>(steady_clock::now() - start).count();
            // Device audio once the camera has said which kind it sends, and again each time a
            // retried view plays: a failed view gives its sound up.
            if (!options.audio.empty()) SwitchDeviceAudioOn(canvas, *camera);
        }
        wasPlaying = status == kStatusPlaying;
        if (status == kStatusFailed && !failed) ++failures;
        failed = status == kStatusFailed;
        // A failed relayed view is not retried: nothing more will come.
        if (failed && camera->m_DeviceNATType == kDeviceRelay) break;
        // Nor anything once the service has ended the session.
        if (session.Recovery().CurrentState() == SessionRecovery::State::Ended) break;
    }
    if (const auto signedOut = session.FailIfSignedOut()) {
        camera->Shutdown();
        return *signedOut;
    }
    const double elapsed = duration<double>(steady_clock::now() - start).count();
    const int finalStatus = camera->m_nStatus;
    const CameraFailure failure = camera->Failure();
    if (reach < 0 && camera->m_DeviceNATType > 0) reach = camera->m_DeviceNATType;

    bool snapshotSaved = false;
    if (!options.snapshot.empty()) {
        if (PaneSurface* surface = canvas.SurfaceOf(*camera)) {
            PanePicture picture;
            if (surface->TakeFront(picture))
                snapshotSaved = WriteBmp24(options.snapshot, picture.width, picture.height,
                                           picture.bgrx.data(), picture.stride, 4);
        }
    }
    const ViewCounters& c = camera->counters;
    Json::Value fields(Json::objectValue);
    fields["sid"] = options.sid;
    fields["reach"] = ReachName(reach);
    fields["address"] = address;
    fields["finalStatus"] = StatusName(finalStatus);
    fields["playingAfterSeconds"] = playingAfter ? *playingAfter : -1.0;
    fields["failures"] = failures;
    if (finalStatus == kStatusFailed) fields["failure"] = CameraFailureName(failure);
    fields["seconds"] = elapsed;
    fields["width"] = camera->m_nWidth.load();
    fields["height"] = camera->m_nHeight.load();
    fields["frameGapMs"] = camera->m_nTimeGap.load();
    fields["fragments"] = static_cast<Json::UInt64>(c.fragments.load());
    fields["framesDecoded"] = static_cast<Json::UInt64>(c.framesDecoded.load());
    fields["framesShown"] = static_cast<Json::UInt64>(c.framesShown.load());
    fields["framesDropped"] = static_cast<Json::UInt64>(c.framesDropped.load());
    fields["framesSkippedBehind"] = static_cast<Json::UInt64>(c.framesSkippedBehind.load());
    const auto pictureDelay = c.publishDelay.Take();
    fields["delayMedianMs"] = pictureDelay.Quantile(0.5) / 1000.0;
    fields["delayP99Ms"] = pictureDelay.Quantile(0.99) / 1000.0;
    fields["keepAlives"] = static_cast<Json::UInt64>(c.keepAlivesSent.load());
    fields["bytesPerSecond"] = elapsed > 0 ? static_cast<double>(c.bytes.load()) / elapsed : 0.0;
    if (!options.snapshot.empty()) fields["snapshot"] = snapshotSaved ? options.snapshot : "";
    const AudioCounters& a = camera->Audio().Counters();
    if (!options.audio.empty()) {
        const auto delay = a.playDelay.Take();
        Json::Value audio(Json::objectValue);
        audio["file"] = options.audio;
        audio["kind"] = camera->m_bAudioAac ? "aac" : "speex";
        audio["framesPlayed"] = static_cast<Json::UInt64>(a.framesPlayed.load());
        audio["framesSilent"] = static_cast<Json::UInt64>(a.framesSilent.load());
        audio["framesOversized"] = static_cast<Json::UInt64>(a.framesOversized.load());
        audio["framesDropped"] = static_cast<Json::UInt64>(a.framesDropped.load());
        audio["underruns"] = static_cast<Json::UInt64>(camera->Audio().Underruns());
        audio["playingAtEnd"] = camera->AudioRunning();
        audio["delayMedianMs"] = delay.Quantile(0.5) / 1000.0;
        audio["delayP99Ms"] = delay.Quantile(0.99) / 1000.0;
        fields["audio"] = audio;
    }
    camera->Shutdown();

    const bool ok = finalStatus == kStatusPlaying;
    std::string ending = StatusName(finalStatus);
    if (finalStatus == kStatusFailed && failure != CameraFailure::None)
        ending.append(" (").append(FailureText(failure)).append(")");
    char text[640];
    std::snprintf(
        text, sizeof text,
        "%s: %s via %s %s, %dx%d every %d ms\nframes decoded %llu, shown %llu, dropped %llu, "
        "skipped to catch up %llu; picture delay median %.0f ms; %.1f KB/s; interrupted %d times; "
        "final status %s",
        options.sid.c_str(), ok ? "playing" : "not playing", ReachName(reach), address.c_str(),
        fields["width"].asInt(), fields["height"].asInt(), fields["frameGapMs"].asInt(),
        static_cast<unsigned long long>(c.framesDecoded.load()),
        static_cast<unsigned long long>(c.framesShown.load()),
        static_cast<unsigned long long>(c.framesDropped.load()),
        static_cast<unsigned long long>(c.framesSkippedBehind.load()),
        fields["delayMedianMs"].asDouble(), fields["bytesPerSecond"].asDouble() / 1024.0, failures,
        ending.c_str());
    std::string summary = text;
    if (!options.audio.empty())
        summary += "\naudio " + fields["audio"]["kind"].asString() + ": " +
                   std::to_string(a.framesPlayed.load()) + " frames played into " + options.audio;
    ctx.Print(fields, ok ? "OK" : "FAILED", summary);
    return ok ? kExitOk : kExitFailed;
}

void AddViewCommand(Command& app, CliContext& ctx, int& exitCode) {
    static ViewOptions options;
    auto sub = app.Subcommand("view", "Play a camera's live video without a window");
    sub.Option("sid", options.sid, "Device id").Required();
    sub.Option("--seconds", options.seconds, "How long to view (default 5)");
    sub.Option("--snapshot", options.snapshot, "Save the last picture as a BMP file");
    sub.Option("--lock-code", options.lockCode, "Digits of the video lock code");
    sub.Option("--stall-seconds", options.stallSeconds,
               "Seconds without data after which the view has failed (default 10)");
    sub.Option("--audio", options.audio, "Play the camera's sound into this WAV file");
    sub.Option("--pane-width", options.paneWidth, "Pane width in pixels (default 640)");
    sub.Option("--pane-height", options.paneHeight, "Pane height in pixels (default 360)");
    options.account.AddTo(sub);
    sub.OnRun([&ctx, &exitCode] { exitCode = View(ctx, options); });
}

const CommandRegistration view(&AddViewCommand);

}  // namespace
}  // namespace nimbrel::cli
