// nimbrelctl playback SID --hour YYYYMMDD-HH: plays a recorded hour of the camera's card without
// a window, through the same playback stream as the playback window, giving it the window's
// commands at set times (a seek, pause and resume, fast forward), and reports the frames
// decoded, the timeline positions seen and how the playback ended; the sound may go to a WAV file.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "CommandRegistry.h"
#include "DeviceOpening.h"
#include "DeviceSession.h"
#include "ExitCode.h"
#include "media/BmpFile.h"
#include "playback/PlaybackStream.h"

namespace nimbrel::cli {
namespace {

using namespace std::chrono;

struct PlaybackOptions {
    std::string sid;
    std::string hour;
    double seconds = 5;
    int seek = -1;
    double pauseAt = -1;
    double resumeAt = -1;
    double forwardAt = -1;
    std::string snapshot;
    std::string audio;  // WAV file for the recording's sound
    std::string lockCode;
    int width = 640;
    int height = 360;
    AccountOptions account;
};

const char* StateName(int state) {
    switch (state) {
        case PlaybackStream::kIdle:
            return "idle";
        case PlaybackStream::kStarting:
            return "starting";
        case PlaybackStream::kPlaying:
            return "playing";
        case PlaybackStream::kFailed:
            return "failed";
    }
    return "unknown";
}

bool IsRequestHour(const std::string& text) {
    if (text.size() != 11 || text[8] != '-') return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (i != 8 && (text[i] < '0' || text[i] > '9')) return false;
    return true;
}

// A command given once, when its time (seconds after the start) has come.
struct Scheduled {
    double at;
    bool done = false;
    bool Due(double elapsed) {
        if (done || at < 0 || elapsed < at) return false;
        done = true;
        return true;
    }
};

int Playback(CliContext& ctx, const PlaybackOptions& options) {
    if (!IsRequestHour(options.hour))
        return ctx.Fail(kExitUsage, "USAGE", "--hour takes the form YYYYMMDD-HH");
    DeviceSession session(ctx);
    if (const int rc = session.Open(options.account); rc != kExitOk) return rc;
    DeviceRecord* device = session.Find(options.sid);
    if (!device) return kExitFailed;
    if (const auto refusal = CheckOpening(ctx, *device, options.lockCode))
        return ctx.Fail(kExitFailed, refusal->status, refusal->message);

    if (!options.audio.empty())
        session.Live().audio.SetOutput({AudioBackend::Kind::Wav, options.audio});
    PlaybackStream stream(session.Live(), options.sid);
    stream.Surface().SetDrawSize(options.width, options.height);
    const auto begun = steady_clock::now();
    const bool started = stream.Start(options.hour);
    if (started && options.seek >= 0) stream.Jump(options.seek);

    std::optional<int> firstPosition;
    int lastPosition = 0;
    Scheduled pause{options.pauseAt}, resume{options.resumeAt}, forward{options.forwardAt};
    const auto until =
        begun + duration_cast<steady_clock::duration>(duration<double>(options.seconds));
    while (started && steady_clock::now() < until) {
        std::this_thread::sleep_for(20ms);
        const double elapsed = duration<double>(steady_clock::now() - begun).count();
        if (pause.Due(elapsed)) stream.Pause();
        if (resume.Due(elapsed)) stream.Play();
        if (forward.Due(elapsed))
            if (const auto timeline = stream.Timeline())
                stream.Jump(timeline->Forward(stream.Position()));
        if (stream.State() == PlaybackStream::kPlaying) {
            if (!firstPosition) firstPosition = stream.Position();
            lastPosition = stream.Position();
        }
        if (stream.State() == PlaybackStream::kFailed) break;
    }
    const int finalState = stream.State();
    bool snapshotSaved = false;
    if (!options.snapshot.empty()) {
        PanePicture picture;
        if (stream.Surface().TakeFront(picture))
            snapshotSaved = WriteBmp24(options.snapshot, picture.width, picture.height,
                                       picture.bgrx.data(), picture.stride, 4);
    }
    const auto timeline = stream.Timeline();
    const auto& c = stream.Stats();
    Json::Value fields(Json::objectValue);
    fields["sid"] = options.sid;
    fields["hour"] = options.hour;
    fields["address"] = stream.ConnectedAddress();
    fields["finalStatus"] = StateName(finalState);
    fields["closedByCamera"] = stream.Closed();
    fields["startTime"] = timeline ? timeline->StartText() : "";
    fields["endTime"] = timeline ? timeline->EndText() : "";
    fields["length"] = timeline ? timeline->Length() : 0;
    fields["timelineStart"] = firstPosition.value_or(-1);
    fields["timelineEnd"] = firstPosition ? lastPosition : -1;
    fields["lastFrameMs"] = static_cast<Json::Int64>(stream.VideoTimeMs());
    fields["framesDecoded"] = static_cast<Json::UInt64>(c.framesDecoded.load());
    fields["framesShown"] = static_cast<Json::UInt64>(c.framesShown.load());
    fields["keepAlives"] = static_cast<Json::UInt64>(c.keepAlivesSent.load());
    fields["commandsSent"] = static_cast<Json::UInt64>(c.commandsSent.load());
    if (!options.snapshot.empty()) fields["snapshot"] = snapshotSaved ? options.snapshot : "";
    const int sampleRate = stream.Sound().SampleRate();  // the stop forgets it
    const auto stopBegun = steady_clock::now();
    stream.Stop();
    fields["stopSeconds"] = duration<double>(steady_clock::now() - stopBegun).count();
    // Counted after the stop: every frame played has then reached the file.
    const AudioCounters& a = stream.Sound().Counters();
    const uint64_t audioFrames = a.framesPlayed;
    // An AAC frame is 1024 samples a channel.
    const double audioSeconds = sampleRate > 0 ? audioFrames * 1024.0 / sampleRate : 0.0;
    if (!options.audio.empty()) {
        Json::Value audio(Json::objectValue);
        audio["file"] = options.audio;
        audio["sampleRate"] = sampleRate;
        audio["framesPlayed"] = static_cast<Json::UInt64>(audioFrames);
        audio["seconds"] = audioSeconds;
        audio["framesSilent"] = static_cast<Json::UInt64>(a.framesSilent.load());
        audio["framesOutOfStep"] = static_cast<Json::UInt64>(a.framesOutOfStep.load());
        audio["framesRefused"] = static_cast<Json::UInt64>(stream.Sound().FramesRefused());
        fields["audio"] = audio;
    }

    const bool ok = finalState == PlaybackStream::kPlaying;
    char text[640];
    std::snprintf(text, sizeof text,
                  "%s %s: %s via %s, %s to %s; frames decoded %llu; timeline %d s to %d s%s",
                  options.sid.c_str(), options.hour.c_str(), StateName(finalState),
                  fields["address"].asCString(), fields["startTime"].asCString(),
                  fields["endTime"].asCString(),
                  static_cast<unsigned long long>(c.framesDecoded.load()),
                  fields["timelineStart"].asInt(), fields["timelineEnd"].asInt(),
                  stream.Closed() ? "; the recording ended" : "");
    std::string summary = text;
    if (!options.audio.empty()) {
        char sound[256];
        std::snprintf(sound, sizeof sound, "\naudio: %llu frames (%.1f s) played into %s",
                      static_cast<unsigned long long>(audioFrames), audioSeconds,
                      options.audio.c_str());
        summary += sound;
    }
    ctx.Print(fields, ok ? "OK" : "FAILED", summary);
    return ok ? kExitOk : kExitFailed;
}

void AddPlaybackCommand(Command& app, CliContext& ctx, int& exitCode) {
    static PlaybackOptions options;
    auto sub = app.Subcommand("playback", "Play a recorded hour of a camera's card");
    sub.Option("sid", options.sid, "Device id").Required();
    sub.Option("--hour", options.hour, "The hour as YYYYMMDD-HH (see recordings --json)")
        .Required();
    sub.Option("--seconds", options.seconds, "How long to play");
    sub.Option("--seek", options.seek, "Jump to this second of the recording at the start");
    sub.Option("--pause-at", options.pauseAt, "Pause after this many seconds");
    sub.Option("--resume-at", options.resumeAt, "Resume after this many seconds");
    sub.Option("--forward-at", options.forwardAt, "Fast forward (10 s) after this many seconds");
    sub.Option("--snapshot", options.snapshot, "Save the last picture as a BMP file");
    sub.Option("--audio", options.audio, "Play the recording's sound into this WAV file");
    sub.Option("--lock-code", options.lockCode, "Digits of the video lock code");
    sub.Option("--width", options.width, "Width of the pictures made");
    sub.Option("--height", options.height, "Height of the pictures made");
    options.account.AddTo(sub);
    sub.OnRun([&ctx, &exitCode] { exitCode = Playback(ctx, options); });
}

const CommandRegistration playback(&AddPlaybackCommand);

}  // namespace
}  // namespace nimbrel::cli
