// The nimbrel-sim executable: its start-up line, its request log and its exit codes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "SimProcess.h"

extern char** environ;

namespace nimbrel::sim::test {
namespace {

std::string SimPath() {
    const char* path = std::getenv("NIMBREL_SIM");
    return path && *path ? path : "nimbrel-sim";
}

// Runs the simulator to its end; returns its exit code, with its stderr in `errors`.
int RunToEnd(std::vector<std::string> args, std::string& errors) {
    args.insert(args.begin(), SimPath());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string errPath =
        std::filesystem::temp_directory_path() / ("nimbrel-sim-stderr-" + std::to_string(getpid()));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    std::ifstream err(errPath);
    errors.assign(std::istreambuf_iterator<char>(err), {});
    std::filesystem::remove(errPath);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(SimProcessTest, StartUpLineNamesTheServersAndTheLog) {
    nimbrel::test::SimProcess sim("demo.json");
    const Json::Value& info = sim.Info();
    const std::string service = info["service"].asString();
    EXPECT_EQ(service.rfind("http://127.0.0.1:", 0), 0u) << service;
    EXPECT_EQ(service, "http://127.0.0.1:" + std::to_string(info["servicePort"].asInt()));
    EXPECT_TRUE(std::filesystem::exists(info["log"].asString()));
    EXPECT_EQ(info["keyValue"].asString().size(), 4u);
}

TEST(SimProcessTest, LogOptionChoosesTheLogFile) {
    const auto logPath = std::filesystem::temp_directory_path() /
                         ("nimbrel-sim-chosen-" + std::to_string(getpid()) + ".jsonl");
    {
        nimbrel::test::SimProcess sim("demo.json", {"--log", logPath.string()});
        EXPECT_EQ(sim.Info()["log"].asString(), logPath.string());
    }
    EXPECT_TRUE(std::filesystem::exists(logPath));
    std::filesystem::remove(logPath);
}

TEST(SimProcessTest, BadScenarioExitsNonZeroWithAMessage) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("nimbrel-sim-bad-" + std::to_string(getpid()) + ".json");
    std::ofstream(path) << R"({"accounts": [{"name": "alice"}]})";
    std::string errors;
    EXPECT_NE(RunToEnd({"--scenario", path.string()}, errors), 0);
    EXPECT_NE(errors.find("accounts[0].password"), std::string::npos) << errors;
    std::filesystem::remove(path);

    EXPECT_NE(RunToEnd({"--scenario", "/nonexistent.json"}, errors), 0);
    EXPECT_NE(errors.find("cannot open"), std::string::npos) << errors;
}

TEST(SimProcessTest, SecondsLimitEndsTheRunCleanly) {
    std::string errors;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(
        RunToEnd({"--scenario", (nimbrel::test::SimProcess::ScenarioDir() / "demo.json").string(),
                  "--seconds", "0.5"},
                 errors),
        0)
        << errors;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

}  // namespace
}  // namespace nimbrel::sim::test
