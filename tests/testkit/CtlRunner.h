// Runs nimbrelctl (the path in NIMBREL_CTL) as a script would, capturing stdout and the exit code.
// Threading: the test's thread.
#pragma once

#include <string>

namespace nimbrel::test {

struct CtlResult {
    int exitCode = -1;
    std::string out;  // stdout only; stderr is dropped
};

// `args` is appended to the command line as it stands (quote arguments with spaces yourself).
CtlResult RunCtl(const std::string& args);

}  // namespace nimbrel::test
