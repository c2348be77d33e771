#include "SimProcess.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <thread>

#include <curl/curl.h>

#include "text/JsonText.h"

extern char** environ;

namespace nimbrel::test {
namespace {

std::string EnvOr(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

}  // namespace

std::filesystem::path SimProcess::ScenarioDir() {
    return EnvOr("NIMBREL_SCENARIOS", "sim/scenarios");
}

SimProcess::SimProcess(const std::string& scenario, const std::vector<std::string>& extraArgs)
    : scenarioPath_(scenario), extraArgs_(extraArgs) {
    if (!scenarioPath_.has_parent_path()) scenarioPath_ = ScenarioDir() / scenarioPath_;
    {
        std::ifstream file(scenarioPath_);
        const std::string text((std::istreambuf_iterator<char>(file)), {});
        scenario_ = ParseJsonObject(text).value_or(Json::Value());
    }
    Spawn(extraArgs_);
}

void SimProcess::Kill() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

void SimProcess::StartAgain() {
    Kill();
    // The earlier run's start-up line names its ports; the new run takes them.
    const auto ports = std::filesystem::temp_directory_path() /
                       ("nimbrel-sim-ports-" + std::to_string(getpid()) + ".json");
    {
        std::ofstream file(ports);
        file << CompactJson(info_) << "\n";
    }
    std::vector<std::string> args = extraArgs_;
    args.insert(args.end(), {"--ports", ports.string()});
    Spawn(args);
    std::filesystem::remove(ports);
}

void SimProcess::Freeze() {
    if (pid_ > 0) kill(pid_, SIGSTOP);
}

void SimProcess::Thaw() {
    if (pid_ > 0) kill(pid_, SIGCONT);
}

bool SimProcess::Control(const std::string& control) const {
    CURL* easy = curl_easy_init();
    if (!easy) return false;
    const std::string url = ServiceUrl() + "/sim/" + control;
    std::string body;
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, 30000L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION,
                     +[](char* data, size_t size, size_t count, void* user) {
                         static_cast<std::string*>(user)->append(data, size * count);
                         return size * count;
                     });
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body);
    long status = 0;
    const bool done = curl_easy_perform(easy) == CURLE_OK &&
                      curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK;
    curl_easy_cleanup(easy);
    return done && status == 200 && body == "OK\n";
}

void SimProcess::Spawn(std::vector<std::string> extraArgs) {
    std::vector<std::string> args{EnvOr("NIMBREL_SIM", "nimbrel-sim"), "--scenario",
                                  scenarioPath_.string()};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const int rc = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (rc != 0) {
        close(out[0]);
        throw std::runtime_error("cannot start " + args[0]);
    }

    // The first line on stdout names the servers; it comes once everything listens.
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        pollfd p{out[0], POLLIN, 0};
        if (poll(&p, 1, 200) <= 0) continue;
        char buf[4096];
        const ssize_t n = read(out[0], buf, sizeof buf);
        if (n <= 0) break;
        line.append(buf, static_cast<std::size_t>(n));
    }
    close(out[0]);
    auto parsed = ParseJsonObject(line.substr(0, line.find('\n')));
    if (!parsed) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
        throw std::runtime_error("simulator printed no start-up line: " + line);
    }
    info_ = *parsed;
}

SimProcess::~SimProcess() {
    if (pid_ <= 0) return;
    kill(pid_, SIGCONT);  // a frozen simulator cannot act on SIGTERM
    kill(pid_, SIGTERM);
    for (int i = 0; i < 100; ++i) {
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
}

std::vector<Json::Value> SimProcess::RequestLog() const {
    std::vector<Json::Value> lines;
    std::ifstream file(info_["log"].asString());
    std::string line;
    while (std::getline(file, line))
        if (auto parsed = ParseJsonObject(line)) lines.push_back(*parsed);
    return lines;
}

std::vector<Json::Value> SimProcess::Requests(const std::string& path) const {
    std::vector<Json::Value> matching;
    for (auto& line : RequestLog())
        if (line["path"].asString() == path) matching.push_back(line);
    return matching;
}

std::vector<std::pair<std::string, std::string>> PayloadPairs(const Json::Value& logLine) {
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const auto& pair : logLine["payload"])
        if (pair.isArray() && pair.size() == 2)
            pairs.emplace_back(pair[0].asString(), pair[1].asString());
    return pairs;
}

}  // namespace nimbrel::test
