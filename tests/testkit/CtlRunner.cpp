#include "CtlRunner.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>

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

}  // namespace nimbrel::test
