// nimbrelctl's view of its command-line parser: commands, subcommands, options and flags with
// their checks. The parser library is header-only and costs seconds of compilation in every
// file that includes it, so it is included by CommandLine.cpp alone.
// Threading: the main thread of nimbrelctl, before and during parsing.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace nimbrel::cli {

// An option or flag just added; its checks chain.
class CommandOption {
  public:
    explicit CommandOption(CLI::Option* option) : option_(option) {}
    CommandOption& Required();
    // Whole numbers from `low` to `high`.
    CommandOption& Range(int low, int high);
    CommandOption& OneOf(const std::vector<std::string>& values);
    // A list option whose values may also be given as one text split at `separator`.
    CommandOption& Delimiter(char separator);

  private:
    CLI::Option* option_;
};

// A command (or the program itself): what it accepts and what runs when it is chosen.
class Command {
  public:
    explicit Command(CLI::App* app) : app_(app) {}
    Command Subcommand(const std::string& name, const std::string& description);
    // Options named "--x" are optional by default; names without dashes are positional.
    CommandOption Option(const std::string& name, std::string& into,
                         const std::string& description);
    CommandOption Option(const std::string& name, std::optional<std::string>& into,
                         const std::string& description);
    CommandOption Option(const std::string& name, std::vector<std::string>& into,
                         const std::string& description);
    CommandOption Option(const std::string& name, int& into, const std::string& description);
    CommandOption Option(const std::string& name, double& into, const std::string& description);
    CommandOption Flag(const std::string& name, bool& into, const std::string& description);
    // Exactly one subcommand must be given.
    void RequireSubcommand();
    // Options of this command are also accepted after its subcommand.
    void Fallthrough();
    void OnRun(std::function<void()> run);

  private:
    CLI::App* app_;
};

// The parser of the whole command line.
class CommandLine {
  public:
    explicit CommandLine(const std::string& description);
    ~CommandLine();
    Command& Root() { return root_; }
    // Parses `argv` and runs the chosen commands. Nothing when they ran; otherwise the exit code
    // of a command line that was refused or only asked for help (which is printed).
    std::optional<int> Run(int argc, char** argv, int usageExitCode);

  private:
    std::unique_ptr<CLI::App> app_;
    Command root_;
};

}  // namespace nimbrel::cli
