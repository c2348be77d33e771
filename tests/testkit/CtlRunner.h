// Runs nimbrelctl (the path in NIMBREL_CTL) as a script would, capturing stdout and the exit code;
// reads what it printed with --json; kills a recording it runs once it has recorded enough.
// Threading: the test's thread.
#pragma once

#include <json/value.h>

#include <string>

namespace nimbrel::test {

struct CtlResult {
    int exitCode = -1;
    std::string out;  // stdout only; stderr is dropped
};

// `args` is appended to the command line as it stands (quote arguments with spaces yourself).
CtlResult RunCtl(const std::string& args);

// The JSON document `text` (a null value when it does not read).
Json::Value ParseJson(const std::string& text);

// Runs `args` (a `record … --progress` command line) and kills it with SIGKILL once its
// progress lines say that `frames` frames were recorded, or once it ends. Returns the frames
// the last progress line said.
long RecordThenKill(const std::string& args, long frames);

}  // namespace nimbrel::test
