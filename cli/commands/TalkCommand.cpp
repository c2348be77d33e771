// nimbrelctl talk SID --input FILE.wav --seconds N: opens a live view of the camera and talks
// to it with the sound of a WAV file (played in a loop, converted to the camera's rate), then
// reports what was captured and sent.
#include <chrono>
#include <cstdio>
#include <thread>

#include "CommandRegistry.h"
#include "DeviceSession.h"
#include "ExitCode.h"
#include "wall/SoundSwitch.h"

namespace nimbrel::cli {
namespace {

using namespace std::chrono;

struct TalkOptions {
    std::string sid;
    std::string input;
    double seconds = 5;
    double connectSeconds = 20;
    AccountOptions account;
};

int Talk(CliContext& ctx, const TalkOptions& options) {
    DeviceSession session(ctx);
    if (const int rc = session.Open(options.account); rc != kExitOk) return rc;
    CCamera* camera = session.Camera(options.sid);
    if (!camera) return kExitFailed;
    session.Live().audio.SetInput({AudioBackend::Kind::Wav, options.input});
    CCanvas& canvas = session.Canvas();
    canvas.Relayout(0, 1, 1);
    canvas.PlacePanes(320, 180);

    camera->CameraStart();
    const auto connectUntil = steady_clock::now() + duration_cast<steady_clock::duration>(
                                                        duration<double>(options.connectSeconds));
    while (camera->m_nStatus != kStatusPlaying && camera->m_nStatus != kStatusFailed &&
           steady_clock::now() < connectUntil)
        std::this_thread::sleep_for(50ms);
    if (camera->m_nStatus != kStatusPlaying) {
        camera->Shutdown();
        return ctx.Fail(kExitFailed, "FAILED", options.sid + ": the live view did not start");
    }

    // Talk needs the view's stream and the camera's audio kind, which the handshake gave.
    SwitchTalkOn(canvas, *camera);
    const auto start = steady_clock::now();
    const auto until =
        start + duration_cast<steady_clock::duration>(duration<double>(options.seconds));
    while (steady_clock::now() < until && camera->m_nStatus != kStatusFailed)
        std::this_thread::sleep_for(50ms);
    const double elapsed = duration<double>(steady_clock::now() - start).count();
    const TalkCounters& t = camera->Talk().Counters();
    const bool aac = camera->m_bAudioAac != 0;
    const bool talked = camera->TalkRunning();
    SwitchTalkOff(canvas);
    camera->Shutdown();

    Json::Value fields(Json::objectValue);
    fields["sid"] = options.sid;
    fields["input"] = options.input;
    fields["kind"] = aac ? "aac" : "speex";
    fields["sampleRate"] = aac ? camera->m_nAudioSample.load() : 8000;
    fields["seconds"] = elapsed;
    fields["blocksCaptured"] = static_cast<Json::UInt64>(t.blocksCaptured.load());
    fields["blocksDropped"] = static_cast<Json::UInt64>(t.blocksDropped.load());
    fields["packetsSent"] = static_cast<Json::UInt64>(t.packetsSent.load());
    fields["bytesSent"] = static_cast<Json::UInt64>(t.bytesSent.load());
    fields["samplesSent"] = static_cast<Json::UInt64>(t.samplesSent.load());
    fields["encodeCpuSecondsPerSecond"] = elapsed > 0 ? t.encodeCpuNs.load() / 1e9 / elapsed : 0.0;
    fields["sendFailed"] = t.sendFailed.load();
    const bool ok = talked && t.packetsSent > 0 && !t.sendFailed;
    char text[256];
    std::snprintf(text, sizeof text,
                  "%s: talked %.1f s in %s: %llu packets, %llu bytes, %llu samples sent",
                  options.sid.c_str(), elapsed, aac ? "aac" : "speex",
                  static_cast<unsigned long long>(t.packetsSent.load()),
                  static_cast<unsigned long long>(t.bytesSent.load()),
                  static_cast<unsigned long long>(t.samplesSent.load()));
    ctx.Print(fields, ok ? "OK" : "FAILED", text);
    return ok ? kExitOk : kExitFailed;
}

void AddTalkCommand(Command& app, CliContext& ctx, int& exitCode) {
    static TalkOptions options;
    auto sub =
        app.Subcommand("talk", "Talk to a camera with the sound of a WAV file over a live view");
    sub.Option("sid", options.sid, "Device id").Required();
    sub.Option("--input", options.input, "WAV file of 16-bit PCM to send (played in a loop)")
        .Required();
    sub.Option("--seconds", options.seconds, "How long to talk (default 5)");
    sub.Option("--connect-seconds", options.connectSeconds,
               "Longest wait for the view (default 20)");
    options.account.AddTo(sub);
    sub.OnRun([&ctx, &exitCode] { exitCode = Talk(ctx, options); });
}

const CommandRegistration talk(&AddTalkCommand);

}  // namespace
}  // namespace nimbrel::cli
