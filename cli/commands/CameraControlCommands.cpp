// nimbrelctl snapshot, ptz and bitrate: a camera's live view is started, and once it plays the
// command acts on it as the desktop program's buttons do — a snapshot of the next picture into
// a BMP file, turns through the pane's pan/tilt requests, a bit-rate choice whose effect shows in
// the bytes received per second.
#include <cstdio>
#include <thread>

#include "CommandRegistry.h"
#include "ExitCode.h"
#include "LiveCommandView.h"

namespace nimbrel::cli {
namespace {

using namespace std::chrono;

struct SnapshotOptions {
    std::string sid;
    std::string file;
    AccountOptions account;
};

int Snapshot(CliContext& ctx, const SnapshotOptions& options) {
    LiveCommandView view(ctx);
    if (const int rc = view.Open(options.account, options.sid); rc != kExitOk) return rc;
    if (const int rc = view.StartAndWaitPlaying(); rc != kExitOk) return rc;
    CCamera& camera = view.Camera();
    camera.RequestSnapshot(options.file);
    const bool taken = PollUntil(
        [&] { return camera.Snapshots().Taken() > 0 || camera.Snapshots().Failed() > 0; }, 30s);
    Json::Value fields(Json::objectValue);
    fields["sid"] = options.sid;
    fields["file"] = options.file;
    fields["width"] = camera.m_nWidth.load();
    fields["height"] = camera.m_nHeight.load();
    if (!taken || camera.Snapshots().Taken() == 0)
        return ctx.Fail(kExitFailed, "FAILED", "Не удалось сохранить скриншот", fields);
    ctx.Print(fields, "OK",
              options.sid + ": " + std::to_string(fields["width"].asInt()) + "x" +
                  std::to_string(fields["height"].asInt()) + " snapshot in " + options.file);
    return kExitOk;
}

struct PtzOptions {
    std::string sid;
    std::string direction;
    int times = 1;
    AccountOptions account;
};

int Ptz(CliContext& ctx, const PtzOptions& options) {
    using D = PtzRequests::Direction;
    const D direction = options.direction == "left"    ? D::Left
                        : options.direction == "right" ? D::Right
                        : options.direction == "up"    ? D::Up
                                                       : D::Down;
    LiveCommandView view(ctx);
    if (const int rc = view.Open(options.account, options.sid); rc != kExitOk) return rc;
    if (const int rc = view.StartAndWaitPlaying(); rc != kExitOk) return rc;
    CCamera& camera = view.Camera();
    if (camera.m_DeviceNATType == kDeviceNatTraversal)
        return ctx.Fail(kExitFailed, "REFUSED", "a view over UDT cannot turn the camera");
    PtzRequests* requests = view.Session().Live().panes.Ptz(camera.m_nPage, camera.m_nSlot);
    if (!requests) return ctx.Fail(kExitFailed, "FAILED", "the camera has no pane");
    // One request at a time, as presses of the pane's arrow: each is sent before the next.
    int sent = 0;
    for (; sent < options.times; ++sent) {
        const uint64_t before = camera.counters.turnsSent;
        requests->Request(direction);
        if (!PollUntil([&] { return camera.counters.turnsSent > before; }, 10s)) break;
    }
    Json::Value fields(Json::objectValue);
    fields["sid"] = options.sid;
    fields["direction"] = options.direction;
    fields["sent"] = sent;
    const bool ok = sent == options.times;
    ctx.Print(fields, ok ? "OK" : "FAILED",
              options.sid + ": " + std::to_string(sent) + " turn " + options.direction);
    return ok ? kExitOk : kExitFailed;
}

struct BitRateOptions {
    std::string sid;
    int bitRate = 0;
    double seconds = 3;
    AccountOptions account;
};

// Bytes per second received over `seconds`.
double MeasureRate(CCamera& camera, double seconds) {
    const uint64_t before = camera.counters.bytes;
    const auto start = steady_clock::now();
    std::this_thread::sleep_for(duration<double>(seconds));
    const double elapsed = duration<double>(steady_clock::now() - start).count();
    return static_cast<double>(camera.counters.bytes - before) / elapsed;
}

int BitRate(CliContext& ctx, const BitRateOptions& options) {
    LiveCommandView view(ctx);
    if (const int rc = view.Open(options.account, options.sid); rc != kExitOk) return rc;
    if (const int rc = view.StartAndWaitPlaying(); rc != kExitOk) return rc;
    CCamera& camera = view.Camera();
    const int announced = camera.m_nBitRate;
    const double before = MeasureRate(camera, options.seconds);
    if (!camera.ResetBitRate(options.bitRate))
        return ctx.Fail(kExitFailed, "FAILED", "Устройство не работает");
    // The camera switches at its next key frame; the measurement starts a moment later.
    std::this_thread::sleep_for(duration<double>(options.seconds / 2));
    const double after = MeasureRate(camera, options.seconds);
    Json::Value fields(Json::objectValue);
    fields["sid"] = options.sid;
    fields["announcedBitRate"] = announced;
    fields["bitRate"] = camera.m_nBitRate.load();
    fields["bytesPerSecondBefore"] = before;
    fields["bytesPerSecondAfter"] = after;
    char text[200];
    std::snprintf(text, sizeof text, "%s: bit rate %d -> %d; %.1f KB/s -> %.1f KB/s",
                  options.sid.c_str(), announced, camera.m_nBitRate.load(), before / 1024,
                  after / 1024);
    ctx.Print(fields, "OK", text);
    return kExitOk;
}

void AddControlCommands(Command& app, CliContext& ctx, int& exitCode) {
    static SnapshotOptions snapshot;
    auto s = app.Subcommand("snapshot", "Save the next picture of a camera as a BMP file");
    s.Option("sid", snapshot.sid, "Device id").Required();
    s.Option("file", snapshot.file, "BMP file to write").Required();
    snapshot.account.AddTo(s);
    s.OnRun([&ctx, &exitCode] { exitCode = Snapshot(ctx, snapshot); });

    static PtzOptions ptz;
    auto p = app.Subcommand("ptz", "Turn a camera (pan and tilt)");
    p.Option("sid", ptz.sid, "Device id").Required();
    p.Option("direction", ptz.direction, "left, right, up or down")
        .Required()
        .OneOf({"left", "right", "up", "down"});
    p.Option("--times", ptz.times, "How many turns (default 1)").Range(1, 1000);
    ptz.account.AddTo(p);
    p.OnRun([&ctx, &exitCode] { exitCode = Ptz(ctx, ptz); });

    static BitRateOptions rate;
    auto b = app.Subcommand("bitrate", "Choose a camera's video bit rate");
    b.Option("sid", rate.sid, "Device id").Required();
    b.Option("bits", rate.bitRate, "88000, 480000 or 1200000")
        .Required()
        .OneOf({"88000", "480000", "1200000"});
    b.Option("--seconds", rate.seconds, "Seconds to measure before and after (default 3)");
    rate.account.AddTo(b);
    b.OnRun([&ctx, &exitCode] { exitCode = BitRate(ctx, rate); });
}

const CommandRegistration controls(&AddControlCommands);

}  // namespace
}  // namespace nimbrel::cli
