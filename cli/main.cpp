// nimbrelctl: the headless client on the same core as the desktop program.
#include <CLI/CLI.hpp>

#include "CliContext.h"
#include "CommandRegistry.h"
#include "ExitCode.h"
#include "platform/Log.h"
#include "service/AppRecord.h"
#include "service/HttpTransport.h"

int main(int argc, char** argv) {
    using namespace nimbrel;
    InitLogging();
    InitAppRecord(app);
    HttpTransportInit();

    cli::CliContext ctx;
    CLI::App cliApp{"Nimbrel command-line client"};
    cliApp.fallthrough();  // global options are accepted after the command too
    cliApp.require_subcommand(1);
    cliApp.add_option("--service", ctx.service, "Service URL, e.g. http://127.0.0.1:8080");
    cliApp.add_option("--adapter", ctx.adapter, "Network adapter to use (e.g. lo)");
    cliApp.add_option("--user", ctx.user, "Account name");
    cliApp.add_option("--password", ctx.password, "Account password");
    cliApp.add_flag("--json", ctx.json, "Print results as JSON");

    int exitCode = cli::kExitOk;
    for (const auto& add : cli::CommandRegistry()) add(cliApp, ctx, exitCode);

    try {
        cliApp.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int rc = cliApp.exit(e);
        return rc == 0 ? cli::kExitOk : cli::kExitUsage;
    }
    return exitCode;
}
