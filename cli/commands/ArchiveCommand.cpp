// nimbrelctl archive list|index|play|export|prune|keep: the recordings on this computer, through
// the same index, player, export and retention as the desktop program's archive window. The
// folder is --dir (as `record --dir` takes it), else the account's recording folder; the index
// lives beside the account files. Nothing is sent anywhere.
#include <chrono>
#include <cstdio>
#include <thread>

#include "CommandRegistry.h"
#include "ExitCode.h"
#include "archive/ArchiveExport.h"
#include "archive/ArchiveKeeper.h"
#include "archive/ArchivePlayer.h"
#include "archive/ArchiveSpans.h"
#include "archive/LocalTime.h"
#include "service/AccountFile.h"
#include "service/AccountFolder.h"
#include "settings/RetentionSetting.h"
#include "settings/SettingKeys.h"
#include "text/Translation.h"

namespace nimbrel::cli {
namespace {

using namespace std::chrono;
using namespace archive;

struct ArchiveOptions {
    std::string dir;
    std::string configDir;
    std::string sid;
    std::string day;
    std::string from;
    std::string to;
    std::string output;
    std::string file;
    double seconds = 5;
    double speed = 1;
    std::string days;
    std::string size;
    bool dryRun = false;
    bool off = false;
    bool progress = false;
};

// The account, its folder and its settings; the keeper started on them.
struct Archive {
    std::string user;
    std::filesystem::path accountFile;
    std::string folder;  // the recording folder
    std::unique_ptr<ArchiveKeeper> keeper;
};

int OpenArchive(CliContext& ctx, const ArchiveOptions& o, RetentionLimits limits, Archive& a) {
    const AccountFolder folder =
        o.configDir.empty() ? AccountFolder::Default() : AccountFolder(o.configDir);
    a.user = ctx.user;
    if (a.user.empty()) {
        const auto recent = folder.RecentAccounts(1);
        if (recent.empty())
            return ctx.Fail(kExitUsage, "NOACCOUNT",
                            "Нет файлов учетных записей: укажите --user");
        a.user = recent.front().name;
    }
    const auto file = folder.FileFor(a.user);
    if (!file) return ctx.Fail(kExitUsage, "USAGE", "Неверное имя учетной записи: " + a.user);
    a.accountFile = *file;
    AccountFile account;
    if (account.Load(a.accountFile)) account.ReadSettings(ctx.app);
    a.folder = ctx.app.VideoPath;
    if (!o.dir.empty()) {
        // Read as `record --dir` reads it: "~" expanded, a relative folder refused.
        if (auto why = RefuseSettingValue("VideoPath", o.dir))
            return ctx.Fail(kExitUsage, "USAGE", *why);
        a.folder = StoredSettingValue("VideoPath", o.dir);
    }
    if (a.folder.empty())
        return ctx.Fail(kExitFailed, "NOFOLDER",
                        "Пожалуйста, выберите папку для сохранения видеофайлов");
    if (!limits.Any()) limits = RetentionFromSettings(ctx.app.ArchiveDays, ctx.app.ArchiveSize);
    ArchiveKeeper::Options options;
    options.database = ArchiveKeeper::DatabaseFor(a.accountFile);
    options.user = a.user;
    options.limits = [limits] { return limits; };
    options.period = hours(24);  // this run prunes only when asked
    a.keeper = std::make_unique<ArchiveKeeper>(options);
    std::string error;
    if (!a.keeper->Start(error))
        return ctx.Fail(kExitFailed, "DATABASE", "Не удалось открыть индекс записей: " + error);
    return kExitOk;
}

// Brings the index in step with the folder; with --progress it says how far it is.
ArchiveIndex::SyncReport Sync(Archive& a, bool progress) {
    // A new keeper syncs the folder it is given, once: asking again could make the report the
    // second sync's, which found nothing new.
    a.keeper->SetFolder(a.folder);
    while (!a.keeper->WaitIdle(milliseconds(500)))
        if (progress) {
            const auto& p = a.keeper->SyncProgress();
            std::printf("progress %lld/%lld\n", static_cast<long long>(p.done.load()),
                        static_cast<long long>(p.total.load()));
            std::fflush(stdout);
        }
    return a.keeper->LastSync();
}

int Time(CliContext& ctx, const std::string& text, const char* what, int64_t& ms) {
    const auto parsed = ParseTimeText(text);
    if (!parsed)
        return ctx.Fail(kExitUsage, "USAGE",
                        std::string(what) + ": время в виде \"ГГГГ-ММ-ДД чч:мм:сс\": " + text);
    ms = *parsed;
    return kExitOk;
}

int List(CliContext& ctx, Archive& a, const ArchiveOptions& o) {
    Sync(a, false);
    int64_t from = INT64_MIN, to = INT64_MAX;
    if (!o.day.empty()) {
        const auto day = ParseTimeText(o.day);
        if (!day || o.day.size() != 10)
            return ctx.Fail(kExitUsage, "USAGE", "--day: ГГГГ-ММ-ДД: " + o.day);
        from = *day;
        to = *day + kDayMs;
    }
    const auto rows = a.keeper->Index().Files(a.keeper->Root(), o.sid, from, to);
    Json::Value cameras(Json::arrayValue);
    std::string text;
    for (const CameraSpans& c : JoinSpans(rows)) {
        Json::Value cj(Json::objectValue);
        cj["sid"] = c.sid;
        cj["damaged"] = c.damaged;
        cj["spans"] = Json::Value(Json::arrayValue);
        text += c.sid + (c.damaged ? "  (" + std::to_string(c.damaged) + " damaged)" : "") + "\n";
        for (const Span& s : c.spans) {
            Json::Value sj(Json::objectValue);
            sj["start"] = TimeText(s.startMs);
            sj["end"] = TimeText(s.endMs);
            sj["files"] = s.files;
            sj["recording"] = s.open;
            sj["kept"] = s.kept;
            cj["spans"].append(sj);
            text += "  " + TimeText(s.startMs) + " — " + TimeText(s.endMs) + "  " +
                    std::to_string(s.files) + " file(s)" + (s.open ? "  recording" : "") +
                    (s.kept ? "  kept" : "") + "\n";
        }
        cameras.append(cj);
    }
    if (!text.empty()) text.pop_back();
    Json::Value fields(Json::objectValue);
    fields["folder"] = a.keeper->Root().string();
    fields["cameras"] = cameras;
    ctx.Print(fields, "OK", text.empty() ? "no recordings" : text);
    return kExitOk;
}

int Index(CliContext& ctx, Archive& a, const ArchiveOptions& o) {
    const auto start = steady_clock::now();
    const auto report = Sync(a, o.progress);
    const double seconds = duration<double>(steady_clock::now() - start).count();
    Json::Value fields(Json::objectValue);
    fields["folder"] = a.keeper->Root().string();
    fields["files"] = static_cast<Json::Int64>(report.files);
    fields["read"] = static_cast<Json::Int64>(report.read);
    fields["removed"] = static_cast<Json::Int64>(report.removed);
    fields["damaged"] = static_cast<Json::Int64>(report.damaged);
    fields["seconds"] = seconds;
    char text[200];
    std::snprintf(text, sizeof text, "%lld files, %lld read, %lld gone, %lld damaged in %.2f s",
                  static_cast<long long>(report.files), static_cast<long long>(report.read),
                  static_cast<long long>(report.removed), static_cast<long long>(report.damaged),
                  seconds);
    ctx.Print(fields, "OK", text);
    return kExitOk;
}

int Play(CliContext& ctx, Archive& a, const ArchiveOptions& o) {
    int64_t from = 0;
    if (const int rc = Time(ctx, o.from, "--from", from); rc != kExitOk) return rc;
    Sync(a, false);
    ArchivePlayer player(a.keeper->Index());
    // Pictures are made at a video area's size, as the window makes them.
    player.Surface().SetDrawSize(640, 360);
    player.SetSpeed(o.speed);
    player.Play(a.keeper->Root(), o.sid, from);
    const auto until = steady_clock::now() + duration_cast<milliseconds>(duration<double>(o.seconds));
    while (steady_clock::now() < until && player.State() == ArchivePlayer::kPlaying)
        std::this_thread::sleep_for(milliseconds(20));
    const int state = player.State();
    const uint64_t decoded = player.Stats().framesDecoded;
    const uint64_t shown = player.Stats().framesShown;
    const int64_t reached = player.PositionMs();
    const uint64_t files = player.Stats().filesOpened;
    player.Stop();
    Json::Value fields(Json::objectValue);
    fields["sid"] = o.sid;
    fields["framesDecoded"] = static_cast<Json::UInt64>(decoded);
    fields["framesShown"] = static_cast<Json::UInt64>(shown);
    fields["filesOpened"] = static_cast<Json::UInt64>(files);
    fields["reached"] = reached > 0 ? TimeText(reached) : "";
    fields["ended"] = state == ArchivePlayer::kEnded;
    if (decoded == 0)
        return ctx.Fail(kExitFailed, "NOTHING", text::Tr("Core", export_text::kNothing), fields);
    char text[240];
    std::snprintf(text, sizeof text, "%s: %llu frames decoded, %llu shown, %llu file(s), reached %s%s",
                  o.sid.c_str(), static_cast<unsigned long long>(decoded),
                  static_cast<unsigned long long>(shown), static_cast<unsigned long long>(files),
                  TimeText(reached).c_str(),
                  state == ArchivePlayer::kEnded ? " (end of the recordings)" : "");
    ctx.Print(fields, "OK", text);
    return kExitOk;
}

int Export(CliContext& ctx, Archive& a, const ArchiveOptions& o) {
    ExportRequest request;
    if (const int rc = Time(ctx, o.from, "--from", request.fromMs); rc != kExitOk) return rc;
    if (const int rc = Time(ctx, o.to, "--to", request.toMs); rc != kExitOk) return rc;
    Sync(a, false);
    request.root = a.keeper->Root();
    request.sid = o.sid;
    request.output = o.output;
    ExportProgress progress;
    ExportResult result;
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        result = ExportSpan(a.keeper->Index(), request, &progress);
        finished = true;
    });
    int64_t printed = -1;
    while (o.progress && !finished) {
        if (progress.doneMs != printed) {
            printed = progress.doneMs;
            std::printf("progress %lld/%lld ms\n", static_cast<long long>(printed),
                        static_cast<long long>(progress.totalMs.load()));
            std::fflush(stdout);
        }
        std::this_thread::sleep_for(milliseconds(200));
    }
    worker.join();
    Json::Value fields(Json::objectValue);
    fields["sid"] = o.sid;
    fields["output"] = o.output;
    if (!result.ok) return ctx.Fail(kExitFailed, "FAILED", text::Tr("Core", result.error), fields);
    fields["frames"] = static_cast<Json::Int64>(result.frames);
    fields["durationMs"] = static_cast<Json::Int64>(result.durationMs);
    fields["first"] = TimeText(result.firstMs);
    fields["last"] = TimeText(result.lastMs);
    fields["files"] = result.files;
    char text[300];
    std::snprintf(text, sizeof text, "%s: %lld frames, %.2f s from %s (%d file(s))",
                  o.output.c_str(), static_cast<long long>(result.frames),
                  result.durationMs / 1000.0, TimeText(result.firstMs).c_str(), result.files);
    ctx.Print(fields, "OK", text);
    return kExitOk;
}

int Prune(CliContext& ctx, Archive& a, const ArchiveOptions& o) {
    Sync(a, false);
    const auto report = a.keeper->Prune(0, o.dryRun);
    Json::Value fields(Json::objectValue);
    fields["deleted"] = Json::Value(Json::arrayValue);
    for (const auto& p : report.deleted) fields["deleted"].append(p);
    fields["failed"] = Json::Value(Json::arrayValue);
    for (const auto& p : report.failed) fields["failed"].append(p);
    fields["bytes"] = static_cast<Json::UInt64>(report.bytes);
    fields["dryRun"] = o.dryRun;
    std::string text = std::string(o.dryRun ? "would delete " : "deleted ") +
                       std::to_string(report.deleted.size()) + " file(s), " +
                       std::to_string(report.bytes) + " bytes";
    for (const auto& p : report.deleted) text += "\n  " + p;
    ctx.Print(fields, report.failed.empty() ? "OK" : "PARTIAL", text);
    return report.failed.empty() ? kExitOk : kExitFailed;
}

int Keep(CliContext& ctx, Archive& a, const ArchiveOptions& o) {
    Sync(a, false);
    const std::string path = std::filesystem::absolute(o.file).lexically_normal().string();
    if (!a.keeper->Index().SetKept(path, !o.off))
        return ctx.Fail(kExitFailed, "FAILED", "Файл не найден в архиве: " + path);
    Json::Value fields(Json::objectValue);
    fields["file"] = path;
    fields["kept"] = !o.off;
    ctx.Print(fields, "OK", path + (o.off ? ": not kept" : ": kept"));
    return kExitOk;
}

void AddArchiveCommand(Command& app, CliContext& ctx, int& exitCode) {
    static ArchiveOptions o;
    auto archive = app.Subcommand("archive", "The recordings on this computer");
    archive.Option("--dir", o.dir, "Recording folder (default: the account's)");
    archive.Option("--config-dir", o.configDir, "Folder of the account files (and the index)");
    archive.RequireSubcommand();
    archive.Fallthrough();
    const auto run = [&ctx, &exitCode](int (*action)(CliContext&, Archive&, const ArchiveOptions&),
                                       RetentionLimits limits = {}) {
        Archive a;
        exitCode = OpenArchive(ctx, o, limits, a);
        if (exitCode == kExitOk) exitCode = action(ctx, a, o);
    };

    auto list = archive.Subcommand("list", "Each camera's recorded spans");
    list.Option("sid", o.sid, "Only this camera");
    list.Option("--day", o.day, "Only this day (YYYY-MM-DD)");
    list.OnRun([run] { run(List); });

    auto index = archive.Subcommand("index", "Bring the index in step with the folder");
    index.Flag("--progress", o.progress, "Print how many files are read so far");
    index.OnRun([run] { run(Index); });

    auto play = archive.Subcommand("play", "Play recordings without a window");
    play.Option("sid", o.sid, "Device id").Required();
    play.Option("--from", o.from, "Local time, \"YYYY-MM-DD hh:mm:ss\"").Required();
    play.Option("--seconds", o.seconds, "Seconds to play (default 5)");
    play.Option("--speed", o.speed, "0.5, 1, 2, 4 or 8 (default 1)");
    play.OnRun([run] { run(Play); });

    auto exp = archive.Subcommand("export", "Save a span of recordings as one MP4 file");
    exp.Option("sid", o.sid, "Device id").Required();
    exp.Option("--from", o.from, "Local time, \"YYYY-MM-DD hh:mm:ss\"").Required();
    exp.Option("--to", o.to, "Local time, \"YYYY-MM-DD hh:mm:ss\"").Required();
    exp.Option("--output", o.output, "The MP4 file to write").Required();
    exp.Flag("--progress", o.progress, "Print how far the export is");
    exp.OnRun([run] { run(Export); });

    auto prune = archive.Subcommand("prune", "Delete the oldest recordings beyond the limits");
    prune.Option("--days", o.days, "Keep the last N days (default: the account's setting)");
    prune.Option("--size", o.size, "Keep at most N GB, or N% of the disk");
    prune.Flag("--dry-run", o.dryRun, "Only say what would be deleted");
    prune.OnRun([&ctx, &exitCode, run] {
        RetentionLimits limits;
        if (!o.days.empty()) {
            const auto days = ParseRetentionDays(o.days);
            if (!days) {
                exitCode = ctx.Fail(kExitUsage, "USAGE", "--days: 0 … 3650");
                return;
            }
            limits.days = *days;
        }
        if (!o.size.empty() && !ParseRetentionSize(o.size, limits)) {
            exitCode = ctx.Fail(kExitUsage, "USAGE", "--size: N (GB) or N%");
            return;
        }
        run(Prune, limits);
    });

    auto keep = archive.Subcommand("keep", "Mark a recording so that retention never deletes it");
    keep.Option("file", o.file, "The recording").Required();
    keep.Flag("--off", o.off, "Take the mark away");
    keep.OnRun([run] { run(Keep); });
}

const CommandRegistration registration(&AddArchiveCommand);

}  // namespace
}  // namespace nimbrel::cli
