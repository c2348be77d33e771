// nimbrelctl groups list|add|rename|delete|move: the device tree's groups, kept in the account
// file exactly as the desktop program keeps them.
#include "CommandRegistry.h"
#include "DeviceSession.h"
#include "ExitCode.h"
#include "devices/DeviceTreeModel.h"

namespace nimbrel::cli {
namespace {

struct GroupOptions {
    std::string action;
    std::vector<std::string> args;
    AccountOptions account;
};

Json::Value GroupsJson(const DeviceTreeModel& tree, const DeviceList& list, std::string& text) {
    Json::Value groups(Json::arrayValue);
    const auto all = tree.Groups();
    for (std::size_t slot = 0; slot < all.size(); ++slot) {
        const TreeGroup& g = all[slot];
        const auto [online, total] = tree.Counts(static_cast<int>(slot));
        Json::Value j(Json::objectValue);
        j["gid"] = g.gid;
        j["name"] = g.name;
        j["expanded"] = g.expanded;
        j["online"] = online;
        j["total"] = total;
        j["devices"] = Json::Value(Json::arrayValue);
        text += std::to_string(g.gid) + "  " + g.name + "  [" + std::to_string(online) + "/" +
                std::to_string(total) + "]\n";
        for (int index : g.devices) {
            const DeviceRecord* d = list.At(index);
            if (!d) continue;
            j["devices"].append(std::string(d->Sid()));
            text += "    " + std::string(d->Sid()) + "  " + d->Name() + "\n";
        }
        groups.append(j);
    }
    if (!text.empty()) text.pop_back();
    return groups;
}

int Groups(CliContext& ctx, const GroupOptions& o) {
    DeviceSession session(ctx);
    if (const int rc = session.Open(o.account); rc != kExitOk) return rc;
    DeviceTreeModel tree(session.List(), ctx.app.m_ConfigPath);
    if (!tree.Fill())
        return ctx.Fail(kExitFailed, "FAILED", "Не удалось прочитать файл учетной записи");
    auto gidArg = [&](std::size_t i) {
        return i < o.args.size() ? std::atoi(o.args[i].c_str()) : -1;
    };
    const auto need = [&](std::size_t n) { return o.args.size() >= n; };
    bool ok = true;
    std::string failure = "Не удалось сохранить информацию, попробуйте еще раз";
    if (o.action == "add") {
        if (tree.Groups().size() >= DeviceTreeModel::kMaxGroups) {
            ok = false;
            failure = DeviceTreeModel::kTooManyGroupsMessage;
        } else {
            ok = tree.AddGroup().has_value();
            if (ok && need(1)) ok = tree.RenameGroup(tree.Groups().back().gid, o.args[0]);
        }
    } else if (o.action == "rename") {
        if (!need(2)) return ctx.Fail(kExitUsage, "USAGE", "groups rename GID NAME");
        ok = tree.RenameGroup(gidArg(0), o.args[1]);
    } else if (o.action == "delete") {
        if (!need(1)) return ctx.Fail(kExitUsage, "USAGE", "groups delete GID");
        if (gidArg(0) == 0)
            return ctx.Fail(kExitFailed, "REFUSED", "Группу по умолчанию удалить нельзя");
        ok = tree.DeleteGroup(gidArg(0));
    } else if (o.action == "move") {
        if (!need(2)) return ctx.Fail(kExitUsage, "USAGE", "groups move SID GID");
        ok = tree.MoveDevice(session.List().IndexOfSid(o.args[0]), gidArg(1));
    } else if (o.action != "list") {
        return ctx.Fail(kExitUsage, "USAGE",
                        "groups list|add [NAME]|rename GID NAME|delete GID|move SID GID");
    }
    if (!ok) return ctx.Fail(kExitFailed, "FAILED", failure);
    tree.SaveExpansion();
    std::string text;
    Json::Value fields(Json::objectValue);
    fields["groups"] = GroupsJson(tree, session.List(), text);
    ctx.Print(fields, "OK", text);
    return kExitOk;
}

void AddGroupsCommand(Command& app, CliContext& ctx, int& exitCode) {
    static GroupOptions options;
    auto sub = app.Subcommand("groups", "List and change the device groups");
    sub.Option("action", options.action, "list, add, rename, delete or move").Required();
    sub.Option("args", options.args, "The action's arguments");
    options.account.AddTo(sub);
    sub.OnRun([&ctx, &exitCode] { exitCode = Groups(ctx, options); });
}

const CommandRegistration registration(&AddGroupsCommand);

}  // namespace
}  // namespace nimbrel::cli
