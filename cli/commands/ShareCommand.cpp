// nimbrelctl share list|add|remove --sid SID [--name NAME] [--yes] [--menu]: the accounts a
// camera is shared with, as the sharing dialog shows and changes them, after signing in with
// --user and --password. remove asks the dialog's confirmation: --yes answers it, otherwise it
// is asked on a terminal and refused elsewhere.
#include <unistd.h>

#include <iostream>
#include <mutex>
#include <utility>

#include "AccountSession.h"
#include "CommandRegistry.h"
#include "ExitCode.h"
#include "SilentNotifier.h"
#include "service/SharingFlow.h"

namespace nimbrel::cli {
namespace {

constexpr const char* kAdminKept = "Администратора устройства удалить нельзя";

struct ShareArgs {
    AccountOptions account;
    std::string sid;
    std::string name;
    bool yes = false;
    bool menu = false;
};

// The sharing dialog's requests for one device, each run to its end, with what they reported.
class ShareSession {
  public:
    ShareSession(CliContext& ctx, const std::string& sid) : flow_(ctx.g, ctx.app, silent_, sid) {
        flow_.SetEventHandler([this](const SharingEvent& e) {
            std::lock_guard guard(lock_);
            events_.push_back(e);
        });
    }
    SharingFlow& Flow() { return flow_; }
    // Waits for every request; the events reported since the last call.
    std::vector<SharingEvent> Settle() {
        flow_.WaitIdle(kFlowWait);
        std::lock_guard guard(lock_);
        return std::exchange(events_, {});
    }

  private:
    SilentNotifier silent_;
    SharingFlow flow_;
    std::mutex lock_;
    std::vector<SharingEvent> events_;
};

const SharingEvent* Find(const std::vector<SharingEvent>& events, SharingEvent::Kind kind) {
    for (const auto& e : events)
        if (e.kind == kind) return &e;
    return nullptr;
}

int FailEvent(const CliContext& ctx, const SharingEvent* event, const char* fallback) {
    if (!event) return ctx.Fail(kExitFailed, "NETWORK", fallback);
    return ctx.Fail(kExitFailed, event->status.empty() ? "NETWORK" : event->status, event->message);
}

// Prints the list as the dialog's three columns.
int PrintUsers(const CliContext& ctx, const std::vector<SharedUser>& users, Json::Value fields) {
    fields["users"] = Json::Value(Json::arrayValue);
    std::string text = std::string(sharing_text::kColumnUser) + "\t" + sharing_text::kColumnNick +
                       "\t" + sharing_text::kColumnAdmin;
    for (const auto& u : users) {
        Json::Value row(Json::objectValue);
        row["uid"] = u.uid;
        row["nickName"] = u.nickName;
        row["admin"] = u.admin;
        fields["users"].append(row);
        text += "\n" + u.uid + "\t" + u.nickName + "\t" + u.AdminText();
    }
    ctx.Print(fields, "OK", text);
    return kExitOk;
}

// The list after a request that changed it: the event of that list request.
int PrintListAfter(const CliContext& ctx, ShareSession& session,
                   const std::vector<SharingEvent>& events, Json::Value fields) {
    if (!Find(events, SharingEvent::Kind::ListLoaded))
        return FailEvent(ctx, Find(events, SharingEvent::Kind::ListFailed),
                         sharing_text::kListFailed);
    return PrintUsers(ctx, session.Flow().Users(), std::move(fields));
}

bool Confirmed(const ShareArgs& args, const DeletePrompt& prompt) {
    if (args.yes) return true;
    if (!::isatty(STDIN_FILENO)) return false;
    std::cerr << "[" << prompt.caption << "] " << prompt.text << " (OK: y) " << std::flush;
    std::string answer;
    std::getline(std::cin, answer);
    return answer == "y" || answer == "Y";
}

int Share(CliContext& ctx, const ShareArgs& args, const std::string& action) {
    if (args.sid.empty()) return ctx.Fail(kExitUsage, "USAGE", "--sid is required");
    if (const int rc = SignInAsDialog(ctx, args.account); rc != kExitOk) return rc;
    ShareSession session(ctx, args.sid);
    SharingFlow& flow = session.Flow();

    if (action == "add") {
        const auto check = flow.Add(args.name);
        if (!check.started) {
            if (check.hint.empty())
                return ctx.Fail(kExitFailed, "NETWORK", sharing_text::kAddFailed);
            return ctx.Fail(kExitFailed, "INVALID", check.hint);
        }
        const auto events = session.Settle();
        if (!Find(events, SharingEvent::Kind::Added))
            return FailEvent(ctx, Find(events, SharingEvent::Kind::AddFailed),
                             sharing_text::kAddFailed);
        Json::Value fields(Json::objectValue);
        fields["added"] = args.name;
        return PrintListAfter(ctx, session, events, fields);
    }

    // The list first: the dialog opens with it, and removing picks a row of it.
    flow.RequestList();
    const auto listed = session.Settle();
    if (action == "list")
        return PrintListAfter(ctx, session, listed, Json::Value(Json::objectValue));
    if (!Find(listed, SharingEvent::Kind::ListLoaded))
        return FailEvent(ctx, Find(listed, SharingEvent::Kind::ListFailed),
                         sharing_text::kListFailed);

    std::optional<std::size_t> row;
    const auto users = flow.Users();
    for (std::size_t i = 0; i < users.size(); ++i)
        if (users[i].uid == args.name) row = i;
    const DeletePrompt prompt =
        flow.PrepareDelete(row, args.menu ? DeleteSource::Menu : DeleteSource::Button);
    if (prompt.action == DeletePrompt::Action::Hint)
        return ctx.Fail(kExitFailed, "NOSELECTION", prompt.text);
    if (prompt.action == DeletePrompt::Action::Ignore)
        return ctx.Fail(kExitFailed, "ADMIN", kAdminKept);
    if (!Confirmed(args, prompt)) {
        Json::Value fields(Json::objectValue);
        fields["caption"] = prompt.caption;
        return ctx.Fail(kExitFailed, "UNCONFIRMED", prompt.text, fields);
    }
    if (!flow.Delete(prompt.name))
        return ctx.Fail(kExitFailed, "NETWORK", sharing_text::kDeleteFailed);
    const auto events = session.Settle();
    if (!Find(events, SharingEvent::Kind::Deleted))
        return FailEvent(ctx, Find(events, SharingEvent::Kind::DeleteFailed),
                         sharing_text::kDeleteFailed);
    Json::Value fields(Json::objectValue);
    fields["removed"] = prompt.name;
    fields["confirmation"] = prompt.text;
    return PrintListAfter(ctx, session, events, fields);
}

void AddShareCommand(Command& app, CliContext& ctx, int& exitCode) {
    auto share = app.Subcommand("share", "The accounts a camera is shared with");
    share.RequireSubcommand();
    auto args = std::make_shared<ShareArgs>();
    for (const char* action : {"list", "add", "remove"}) {
        auto sub = share.Subcommand(action, std::string("share ") + action);
        args->account.AddTo(sub);
        sub.Option("--sid", args->sid, "The device's service id").Required();
        if (std::string(action) != "list") sub.Option("--name", args->name, "The account name");
        if (std::string(action) == "remove") {
            sub.Flag("--yes", args->yes, "Answer the confirmation with OK");
            sub.Flag("--menu", args->menu, "Remove as the list's menu command does");
        }
        sub.OnRun([&ctx, &exitCode, args, action] { exitCode = Share(ctx, *args, action); });
    }
}

const CommandRegistration registration(&AddShareCommand);

}  // namespace
}  // namespace nimbrel::cli
