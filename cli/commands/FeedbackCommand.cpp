// nimbrelctl feedback --user NAME --text TEXT: sends a message to the service operator, with
// the messages the feedback dialog shows. The request is signed with the account name alone,
// so no login is needed.
#include <string>

#include "CommandRegistry.h"
#include "ExitCode.h"
#include "platform/FixedText.h"
#include "service/FeedbackFlow.h"

namespace nimbrel::cli {
namespace {

int RunFeedback(CliContext& ctx, const std::string& text) {
    if (ctx.user.empty()) return ctx.Fail(kExitUsage, "USAGE", "Нужен --user");
    if (text.empty()) return ctx.Fail(kExitUsage, "EMPTY", std::string(FeedbackFlow::kEmptyHint));
    if (!FeedbackFlow::EncodeMessage(text))
        return ctx.Fail(kExitUsage, "USAGE", "Текст сообщения должен быть в UTF-8");
    if (const int rc = ctx.PrepareService(); rc != kExitOk) return rc;
    if (!SetText(ctx.app.m_UserName, ctx.user))
        return ctx.Fail(kExitUsage, "USAGE", "Слишком длинное имя пользователя");

    FeedbackFlow flow(ctx.g, ctx.app, ctx.notifier);
    const FeedbackOutcome outcome = flow.Send(text);
    const std::string message(FeedbackFlow::MessageFor(outcome).text);
    Json::Value fields(Json::objectValue);
    if (outcome != FeedbackOutcome::Sent) return ctx.Fail(kExitFailed, "FAILED", message, fields);
    fields["message"] = message;
    ctx.Print(fields, "OK", message);
    return kExitOk;
}

void AddFeedbackCommand(Command& app, CliContext& ctx, int& exitCode) {
    static std::string text;
    auto sub = app.Subcommand("feedback", "Send a message to the service operator");
    sub.Option("--text", text, "The message (UTF-8; the first 299 characters are used)").Required();
    sub.OnRun([&ctx, &exitCode] { exitCode = RunFeedback(ctx, text); });
}

const CommandRegistration registration(&AddFeedbackCommand);

}  // namespace
}  // namespace nimbrel::cli
