// nimbrelctl record SID --seconds N: records N seconds of a camera's live video into MP4 files
// in the account's recording folder (or --dir), cut after the recording length, and prints the
// files with their frames and any gaps a slow disk made. A killed run leaves what it wrote
// playable.
#include <cmath>
#include <cstdio>

#include "CommandRegistry.h"
#include "ExitCode.h"
#include "LiveCommandView.h"
#include "archive/ArchiveKeeper.h"
#include "platform/FixedText.h"
#include "service/AccountFile.h"
#include "service/MediaSettings.h"
#include "settings/RetentionSetting.h"
#include "settings/SettingKeys.h"

namespace nimbrel::cli {
namespace {

using namespace std::chrono;

constexpr const char* kNoFolderNotice = "Пожалуйста, выберите папку для сохранения видеофайлов";

struct RecordOptions {
    std::string sid;
    double seconds = 10;
    std::string dir;
    double lengthMinutes = -1;  // below 0: the account's setting
    bool progress = false;
    AccountOptions account;
};

// The recording folder and length: the options, else the account file's settings. False, with
// the reason in `refusal`, when --dir names no folder.
bool ApplySettings(CliContext& ctx, LiveContext& live, const RecordOptions& options,
                   std::string& refusal) {
    AccountFile file;
    if (!ctx.app.m_ConfigPath.empty() && file.Load(ctx.app.m_ConfigPath))
        file.ReadSettings(ctx.app);
    if (!options.dir.empty()) {
        // The folder is read as the settings read it: "~" expanded, a relative one refused.
        if (auto why = RefuseSettingValue("VideoPath", options.dir)) {
            refusal = std::move(*why);
            return false;
        }
        ctx.app.VideoPath = StoredSettingValue("VideoPath", options.dir);
    }
    if (options.lengthMinutes == 0) {
        ctx.app.FileLength = 0;
    } else if (options.lengthMinutes > 0) {
        // Fractions of a minute: one "minute" of the setting lasts as long as asked.
        ctx.app.FileLength = 1;
        live.recordMinute = milliseconds(std::llround(options.lengthMinutes * 60000.0));
    }
    return true;
}

int Record(CliContext& ctx, const RecordOptions& options) {
    LiveCommandView view(ctx);
    if (const int rc = view.Open(options.account, options.sid); rc != kExitOk) return rc;
    std::string refusal;
    if (!ApplySettings(ctx, view.Session().Live(), options, refusal))
        return ctx.Fail(kExitUsage, "USAGE", refusal);
    if (ctx.app.VideoPath.empty()) return ctx.Fail(kExitFailed, "NOFOLDER", kNoFolderNotice);

    CCamera& camera = view.Camera();
    // The files go into the account's archive index as they are written, and its retention runs
    // before each new file, as in the desktop program.
    archive::ArchiveKeeper::Options archiveOptions;
    archiveOptions.database = archive::ArchiveKeeper::DatabaseFor(ctx.app.m_ConfigPath);
    archiveOptions.user = GetText(ctx.app.m_UserName);
    archiveOptions.limits = [&ctx] {
        const MediaSettings s = ReadMediaSettings(ctx.app);
        return RetentionFromSettings(s.archiveDays, s.archiveSize);
    };
    archive::ArchiveKeeper keeper(archiveOptions);
    std::string archiveError;
    if (!ctx.app.m_ConfigPath.empty() && keeper.Start(archiveError)) {
        keeper.SetFolder(ctx.app.VideoPath);
        camera.Recorder().SetEvents(&keeper);
    }
    camera.m_bRecord = 1;
    if (const int rc = view.StartAndWaitPlaying(); rc != kExitOk) return rc;
    const int gap = camera.m_nTimeGap;
    if (gap <= 0) return ctx.Fail(kExitFailed, "FAILED", "Воспроизведение не удалось");
    const auto frames = static_cast<uint64_t>(std::llround(options.seconds * 1000.0 / gap));
    camera.Recorder().StopAfter(frames);

    // The frames are paced by the camera's frame period; a generous margin covers a busy machine.
    const auto limit = duration_cast<milliseconds>(duration<double>(options.seconds * 3 + 30));
    uint64_t printed = 0;
    PollUntil(
        [&] {
            const uint64_t done = camera.Recorder().FramesOffered();
            if (options.progress && done != printed) {
                std::printf("progress %llu\n", static_cast<unsigned long long>(done));
                std::fflush(stdout);
                printed = done;
            }
            // A recording whose first file cannot be made ends at once.
            const bool neverStarted =
                camera.Recorder().OpenFailures() > 0 && camera.Recorder().Files().empty();
            return camera.m_bRecord == 0 || camera.m_nStatus == kStatusFailed || neverStarted;
        },
        limit);
    camera.m_bRecord = 0;
    camera.Shutdown();  // ends the open file
    // The writer finishes the last file on its own thread: the report and the archive's index
    // wait for it (a disk that holds it longer leaves the file reported as not complete).
    camera.Recorder().Flush(limit);
    camera.Recorder().SetEvents(nullptr);
    keeper.WaitIdle(std::chrono::seconds(30));

    const auto files = camera.Recorder().Files();
    Json::Value list(Json::arrayValue);
    std::string text;
    uint64_t written = 0;
    bool failed = false;
    for (const auto& f : files) {
        Json::Value j(Json::objectValue);
        j["path"] = f.path.string();
        j["frames"] = static_cast<Json::UInt64>(f.frames);
        j["complete"] = f.closed && !f.failed;
        j["gapFrames"] = static_cast<Json::UInt64>(f.gapFrames);
        j["gaps"] = static_cast<Json::UInt64>(f.gaps);
        list.append(j);
        written += f.frames;
        failed = failed || f.failed || !f.closed;
        text += "\n" + f.path.string() + ": " + std::to_string(f.frames) + " frames";
        if (f.gapFrames > 0)
            text += " (" + std::to_string(f.gapFrames) + " left out in " +
                    std::to_string(f.gaps) + " gap(s))";
    }
    Json::Value fields(Json::objectValue);
    fields["sid"] = options.sid;
    fields["frameGapMs"] = gap;
    fields["framesOffered"] = static_cast<Json::UInt64>(camera.Recorder().FramesOffered());
    fields["framesWritten"] = static_cast<Json::UInt64>(written);
    fields["framesLeftOut"] = static_cast<Json::UInt64>(camera.Recorder().FramesLeftOut());
    fields["files"] = list;
    const bool ok = !files.empty() && !failed && written == frames;
    char head[160];
    std::snprintf(head, sizeof head, "%s: %llu frames of %d ms in %zu file(s)", options.sid.c_str(),
                  static_cast<unsigned long long>(written), gap, files.size());
    ctx.Print(fields, ok ? "OK" : "FAILED", head + text);
    return ok ? kExitOk : kExitFailed;
}

void AddRecordCommand(Command& app, CliContext& ctx, int& exitCode) {
    static RecordOptions options;
    auto sub = app.Subcommand("record", "Record a camera's live video into MP4 files");
    sub.Option("sid", options.sid, "Device id").Required();
    sub.Option("--seconds", options.seconds, "Seconds of video to record (default 10)");
    sub.Option("--dir", options.dir, "Recording folder (default: the account's)");
    sub.Option("--length-minutes", options.lengthMinutes,
               "Minutes after which a file is cut (fractions allowed; 0: never)");
    sub.Flag("--progress", options.progress, "Print the frames recorded so far as they grow");
    options.account.AddTo(sub);
    sub.OnRun([&ctx, &exitCode] { exitCode = Record(ctx, options); });
}

const CommandRegistration record(&AddRecordCommand);

}  // namespace
}  // namespace nimbrel::cli
