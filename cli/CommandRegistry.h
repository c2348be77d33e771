// The commands of nimbrelctl. Each command file registers a function that adds its subcommand;
// the subcommand's callback leaves the exit code in `exitCode`.
// Threading: registration happens during static initialisation; use on the main thread.
#pragma once

#include "CommandLine.h"

#include <functional>
#include <vector>

#include "CliContext.h"

namespace nimbrel::cli {

using AddCommand = std::function<void(Command& app, CliContext& ctx, int& exitCode)>;

std::vector<AddCommand>& CommandRegistry();

// `static const CommandRegistration reg(&AddFooCommand);` in a command file adds it.
struct CommandRegistration {
    explicit CommandRegistration(AddCommand add) { CommandRegistry().push_back(std::move(add)); }
};

}  // namespace nimbrel::cli
