// The commands of nimbrelctl. Each adds its subcommand to the application; its callback leaves
// the exit code in `exitCode`.
#pragma once

#include <CLI/CLI.hpp>

#include "CliContext.h"

namespace nimbrel::cli {

void AddHandshakeCommand(CLI::App& app, CliContext& ctx, int& exitCode);

}  // namespace nimbrel::cli
