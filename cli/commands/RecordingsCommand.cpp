// nimbrelctl recordings SID: the index of the recordings on a camera's card, as the playback
// window lists it — one line per day with its hours, or with --json the hours in the form a
// playback asks for them ("20140315-08") and the days with their hours.
#include <cstdio>

#include "CommandRegistry.h"
#include "DeviceOpening.h"
#include "DeviceSession.h"
#include "ExitCode.h"
#include "playback/RecordIndexRequest.h"

namespace nimbrel::cli {
namespace {

constexpr const char* kIndexFailed = "Не удалось загрузить видеоархив";

struct RecordingsOptions {
    std::string sid;
    std::string lockCode;
    AccountOptions account;
};

std::string Date(int year, int month, int day) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d", year, month, day);
    return text;
}

int Recordings(CliContext& ctx, const RecordingsOptions& options) {
    DeviceSession session(ctx);
    if (const int rc = session.Open(options.account); rc != kExitOk) return rc;
    DeviceRecord* device = session.Find(options.sid);
    if (!device) return kExitFailed;
    if (const auto refusal = CheckOpening(ctx, *device, options.lockCode))
        return ctx.Fail(kExitFailed, refusal->status, refusal->message);

    const IndexReply reply = LoadRecordIndex(ctx.g, ctx.app, options.sid);
    if (reply.outcome == IndexReply::Outcome::Message)
        return ctx.Fail(kExitFailed, reply.status, reply.message);
    if (reply.outcome != IndexReply::Outcome::Loaded)
        return ctx.Fail(kExitFailed, reply.status.empty() ? "FAILED" : reply.status, kIndexFailed);

    const RecordIndex& index = *reply.index;
    Json::Value hours(Json::arrayValue), days(Json::arrayValue);
    std::string text = options.sid + ": ";
    std::string lines;
    int dayCount = 0;
    for (int y = 0; y < index.YearCount(); ++y) {
        for (int m = 0; m < index.MonthCount(y); ++m) {
            for (int d = 0; d < index.DayCount(y, m); ++d) {
                const RecordIndex::Day& day = index.DayAt(y, m, d);
                const std::string date =
                    Date(index.YearAt(y).year, index.MonthAt(y, m).month, day.day);
                Json::Value entry(Json::objectValue);
                entry["date"] = date;
                entry["hours"] = Json::Value(Json::arrayValue);
                lines += "\n" + date.substr(0, 4) + "-" + date.substr(4, 2) + "-" + date.substr(6);
                for (int h = 0; h < day.hourCount; ++h) {
                    char hour[8];
                    std::snprintf(hour, sizeof hour, "%02d",
                                  day.hours[static_cast<std::size_t>(h)]);
                    hours.append(date + "-" + hour);
                    entry["hours"].append(day.hours[static_cast<std::size_t>(h)]);
                    lines += std::string(h == 0 ? "  " : " ") + hour;
                }
                if (day.hourCount == 0) lines += "  (no hours)";
                days.append(entry);
                ++dayCount;
            }
        }
    }
    text += std::to_string(dayCount) + " days, " + std::to_string(hours.size()) +
            " hours recorded" + lines;
    Json::Value fields(Json::objectValue);
    fields["sid"] = options.sid;
    fields["hours"] = hours;
    fields["days"] = days;
    ctx.Print(fields, "OK", text);
    return kExitOk;
}

void AddRecordingsCommand(Command& app, CliContext& ctx, int& exitCode) {
    static RecordingsOptions options;
    auto sub = app.Subcommand("recordings", "List the recordings on a camera's card");
    sub.Option("sid", options.sid, "Device id").Required();
    sub.Option("--lock-code", options.lockCode, "Digits of the video lock code");
    options.account.AddTo(sub);
    sub.OnRun([&ctx, &exitCode] { exitCode = Recordings(ctx, options); });
}

const CommandRegistration recordings(&AddRecordingsCommand);

}  // namespace
}  // namespace nimbrel::cli
