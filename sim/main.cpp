// nimbrel-sim: the simulated service on loopback. Prints one JSON line naming its servers
// once they listen, then serves until SIGINT, SIGTERM or the --seconds limit.
#include <signal.h>
#include <unistd.h>
#include <CLI/CLI.hpp>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iostream>

#include "EarlierPorts.h"
#include "Scenario.h"
#include "Simulator.h"
#include "text/JsonText.h"

int main(int argc, char** argv) {
    CLI::App app{"Simulated service for Nimbrel on 127.0.0.1"};
    std::string scenarioPath;
    double seconds = 0;
    std::string logPath;
    app.add_option("--scenario", scenarioPath, "Scenario file (JSON)")->required();
    app.add_option("--seconds", seconds, "Stop after this many seconds (0: run until a signal)")
        ->check(CLI::NonNegativeNumber);
    app.add_option("--log", logPath, "Request log file (JSON lines)");
    std::string portsPath;
    app.add_option("--ports", portsPath,
                   "Listen where an earlier run listened: a file holding its start-up line");
    CLI11_PARSE(app, argc, argv);

    // Signals are taken synchronously by this thread; every server thread inherits the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    auto scenario = nimbrel::sim::LoadScenarioFile(scenarioPath);
    if (!scenario) {
        std::cerr << "nimbrel-sim: bad scenario: " << scenario.error() << "\n";
        return 2;
    }
    if (!portsPath.empty()) {
        std::ifstream file(portsPath);
        std::string line;
        std::getline(file, line);
        const auto earlier = nimbrel::ParseJsonObject(line);
        auto taken = earlier ? nimbrel::sim::TakeEarlierPorts(scenario.value(), *earlier)
                             : nimbrel::sim::Result<bool>::Fail("no start-up line in the file");
        if (!taken) {
            std::cerr << "nimbrel-sim: bad --ports " << portsPath << ": " << taken.error() << "\n";
            return 2;
        }
    }
    if (logPath.empty()) logPath = "/tmp/nimbrel-sim-" + std::to_string(getpid()) + ".jsonl";

    nimbrel::sim::Simulator simulator(std::move(scenario.value()), logPath);
    auto info = simulator.Start();
    if (!info) {
        std::cerr << "nimbrel-sim: " << info.error() << "\n";
        return 3;
    }
    std::printf("%s\n", info->Dump().c_str());
    std::fflush(stdout);

    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(seconds));
    while (true) {
        timespec wait{0, 200'000'000};
        if (sigtimedwait(&stopSignals, nullptr, &wait) > 0) break;
        if (seconds > 0 && std::chrono::steady_clock::now() >= deadline) break;
    }
    simulator.Stop();
    return 0;
}
