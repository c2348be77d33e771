// nimbrelctl probe: signs in as the login dialog does, runs the UDP and TCP network probes against
// the detection servers the login named, and prints both results (0..5) and the warning the main
// window would show.
#include <mutex>
#include <string>

#include "AccountSession.h"
#include "CommandRegistry.h"
#include "ExitCode.h"
#include "service/NetworkProbes.h"

namespace nimbrel::cli {
namespace {

// Keeps the message the warning step shows, so that it is printed like every other outcome.
class CapturedMessage : public UserNotifier {
  public:
    void MessageBox(std::string_view text, std::string_view, Icon) override {
        std::lock_guard guard(lock_);
        text_ = text;
    }
    void ShowTip(std::string_view text, int) override { MessageBox(text, {}, Icon::None); }
    std::string Text() const {
        std::lock_guard guard(lock_);
        return text_;
    }

  private:
    mutable std::mutex lock_;
    std::string text_;
};

int RunProbe(CliContext& ctx, const AccountOptions& account) {
    if (const int rc = SignInAsDialog(ctx, account); rc != kExitOk) return rc;
    if (!StartNetworkProbes(ctx.g)) {
        StopNetworkProbes(ctx.g);
        return ctx.Fail(kExitFailed, "FAILED", "Не удалось запустить сетевые пробы");
    }
    // Both probes end by themselves within a few seconds. Their results are read once both are
    // final, before the warning step turns a 5 into 0.
    WaitForProbes(ctx.g);
    Json::Value fields(Json::objectValue);
    fields["udp"] = ctx.g.m_UdpProbeResult.load();
    fields["tcp"] = ctx.g.m_TcpProbeResult.load();
    const std::string line =
        "UDP: " + fields["udp"].asString() + ", TCP: " + fields["tcp"].asString();

    CapturedMessage warning;
    if (WaitForUdpProbe(ctx.g, warning)) {
        ctx.Print(fields, "OK", line);
        return kExitOk;
    }
    if (!ctx.json) ctx.Print(fields, "ABNORMAL", line);
    return ctx.Fail(kExitFailed, "ABNORMAL", warning.Text(), fields);
}

void AddProbeCommand(Command& app, CliContext& ctx, int& exitCode) {
    auto sub = app.Subcommand("probe", "Classify the network with the two detection servers");
    auto account = std::make_shared<AccountOptions>();
    account->AddTo(sub);
    sub.OnRun([&ctx, &exitCode, account] { exitCode = RunProbe(ctx, *account); });
}

const CommandRegistration registration(&AddProbeCommand);

}  // namespace
}  // namespace nimbrel::cli
