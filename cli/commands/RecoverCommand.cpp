// nimbrelctl recover --account NAME [--answers A1[,A2]] [--new-password P [--confirm P]]:
// password recovery by security questions, the three steps of the recovery dialog without
// asking. It prints the two questions offered; the first is answered with A1 and, when that
// answer is refused, the second with A2 (as a user would switch questions); then the new
// password is set. Without --answers it stops after showing the questions.
#include <iostream>

#include "AccountSession.h"
#include "CommandRegistry.h"
#include "ExitCode.h"
#include "SilentNotifier.h"
#include "service/PasswordRecoveryFlow.h"
#include "service/SecurityQuestions.h"
#include "service/StatusWord.h"

namespace nimbrel::cli {
namespace {

struct RecoverArgs {
    std::string account;
    std::vector<std::string> answers;
    std::string newPassword;
    std::optional<std::string> confirm;
};

// Runs one step to its end; the step's result, or nothing when it did not start (its refusal
// is in `check`).
std::optional<RecoveryResult> RunStep(PasswordRecoveryFlow& flow, const RecoveryCheck& check) {
    if (!check.started || !flow.WaitIdle(kFlowWait)) return std::nullopt;
    return flow.LastResult();
}

int Recover(CliContext& ctx, const RecoverArgs& args) {
    if (const int rc = ctx.PrepareService(); rc != kExitOk) return rc;
    SilentNotifier silent;
    PasswordRecoveryFlow flow(ctx.g, silent);
    Json::Value fields(Json::objectValue);
    fields["step"] = 1;

    // The refusal of a check, or the failure of a step's request.
    const auto fail = [&](const RecoveryCheck& check, const std::optional<RecoveryResult>& result) {
        if (!check.started && !check.message.empty())
            return ctx.Fail(kExitFailed, "INVALID", check.message, fields);
        if (!result) return ctx.Fail(kExitFailed, "NETWORK", "", fields);
        const std::string word = result->status.empty() ? "NETWORK" : result->status;
        return ctx.Fail(kExitFailed, StatusIs(word, kStatusOk) ? "REFUSED" : word, result->message,
                        fields);
    };

    RecoveryCheck check = flow.SubmitAccount(args.account);
    auto result = RunStep(flow, check);
    if (!result || !result->ok) return fail(check, result);

    const auto numbers = flow.Questions();
    fields["accountId"] = flow.AccountId();
    fields["questions"] = Json::Value(Json::arrayValue);
    std::string text = "Секретные вопросы:";
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        const std::string question(SecurityQuestionText(numbers[i]).value_or(""));
        Json::Value q(Json::objectValue);
        q["number"] = numbers[i];
        q["text"] = question;
        fields["questions"].append(q);
        text += "\n" + std::to_string(i + 1) + ". " + question;
    }
    if (args.answers.empty()) {
        ctx.Print(fields, "QUESTIONS", text);
        return kExitOk;
    }
    if (!ctx.json) std::cout << text << std::endl;

    fields["step"] = 2;
    for (std::size_t choice = 0; choice < 2 && choice < args.answers.size(); ++choice) {
        fields["question"] = numbers[choice];
        check = flow.SubmitAnswer(static_cast<int>(choice), args.answers[choice]);
        result = RunStep(flow, check);
        if (result && result->ok) break;
        const bool wrongAnswer = result && StatusIs(result->status, kStatusWrongAnswer);
        if (!wrongAnswer || choice + 1 >= args.answers.size()) return fail(check, result);
    }
    if (args.newPassword.empty()) {
        fields["accountId"] = flow.AccountId();
        ctx.Print(fields, "ANSWERED", "Ответ принят");
        return kExitOk;
    }

    fields["step"] = 3;
    check = flow.SubmitNewPassword(args.newPassword, args.confirm.value_or(args.newPassword));
    result = RunStep(flow, check);
    if (!result || !result->ok) return fail(check, result);
    fields["message"] = result->message;
    ctx.Print(fields, "OK", result->message);
    return kExitOk;
}

void AddRecoverCommand(Command& app, CliContext& ctx, int& exitCode) {
    auto sub = app.Subcommand("recover", "Recover a forgotten password by security questions");
    auto args = std::make_shared<RecoverArgs>();
    sub.Option("--account", args->account, "Account name (default: --user)");
    sub.Option("--answers", args->answers, "Answers to the offered questions, in their order")
        .Delimiter(',');
    sub.Option("--new-password", args->newPassword, "The new password");
    sub.Option("--confirm", args->confirm, "The new password again (default: --new-password)");
    sub.OnRun([&ctx, &exitCode, args] {
        if (args->account.empty()) args->account = ctx.user;
        exitCode = Recover(ctx, *args);
    });
}

const CommandRegistration registration(&AddRecoverCommand);

}  // namespace
}  // namespace nimbrel::cli
