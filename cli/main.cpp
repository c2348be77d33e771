// nimbrelctl: the headless client on the same core as the desktop program.
#include "CliContext.h"
#include "CommandLine.h"
#include "CommandRegistry.h"
#include "ExitCode.h"
#include "platform/Log.h"
#include "platform/RequestWorker.h"
#include "service/AppRecord.h"
#include "service/HttpTransport.h"
#include "service/SessionRecovery.h"

int main(int argc, char** argv) {
    using namespace nimbrel;
    InitLogging();
    InitAppRecord(app);
    HttpTransportInit();

    cli::CliContext ctx;
    cli::CommandLine commandLine("Nimbrel command-line client");
    cli::Command& root = commandLine.Root();
    root.Fallthrough();  // global options are accepted after the command too
    root.RequireSubcommand();
    root.Option("--service", ctx.service, "Service URL, e.g. http://127.0.0.1:8080");
    root.Option("--adapter", ctx.adapter, "Network adapter to use (e.g. lo)");
    root.Option("--user", ctx.user, "Account name");
    root.Option("--password", ctx.password, "Account password");
    root.Flag("--json", ctx.json, "Print results as JSON");

    int exitCode = cli::kExitOk;
    for (const auto& add : cli::CommandRegistry()) add(root, ctx, exitCode);

    const auto refused = commandLine.Run(argc, argv, cli::kExitUsage);
    // A request a command no longer waits for may still be ending; let it end before the
    // libraries it uses are torn down.
    RequestWorker::WaitForAllThreads(std::chrono::seconds(5));
    WipeSignIn(ctx.g, ctx.app);
    return refused ? *refused : exitCode;
}
