#include "CtlRunner.h"

#include <json/reader.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace nimbrel::test {

CtlResult RunCtl(const std::string& args) {
    const char* ctl = std::getenv("NIMBREL_CTL");
    const std::string command = std::string(ctl ? ctl : "nimbrelctl") + " " + args + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return {};
    CtlResult result;
    char buf[4096];
    while (std::size_t n = fread(buf, 1, sizeof buf, pipe)) result.out.append(buf, n);
    const int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

Json::Value ParseJson(const std::string& text) {
    Json::Value root;
    std::istringstream in(text);
    std::string why;
    Json::parseFromStream(Json::CharReaderBuilder(), in, &root, &why);
    return root;
}

long RecordThenKill(const std::string& args, long frames) {
    const char* ctl = std::getenv("NIMBREL_CTL");
    const std::string command =
        std::string(ctl ? ctl : "nimbrelctl") + " " + args + " 2>/dev/null";
    int out[2];
    if (pipe(out) != 0) return 0;
    const pid_t pid = fork();
    if (pid < 0) return 0;
    if (pid == 0) {
        dup2(out[1], 1);
        close(out[0]);
        close(out[1]);
        execl("/bin/sh", "sh", "-c", ("exec " + command).c_str(), nullptr);
        _exit(127);
    }
    close(out[1]);
    FILE* lines = fdopen(out[0], "r");
    long recorded = 0;
    char line[256];
    while (recorded < frames && std::fgets(line, sizeof line, lines))
        if (std::strncmp(line, "progress ", 9) == 0) recorded = std::atol(line + 9);
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    fclose(lines);
    return recorded;
}

}  // namespace nimbrel::test
