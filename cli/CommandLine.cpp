#include "CommandLine.h"

#include <CLI/CLI.hpp>

namespace nimbrel::cli {

CommandOption& CommandOption::Required() {
    option_->required();
    return *this;
}

CommandOption& CommandOption::Range(int low, int high) {
    option_->check(CLI::Range(low, high));
    return *this;
}

CommandOption& CommandOption::OneOf(const std::vector<std::string>& values) {
    option_->check(CLI::IsMember(values));
    return *this;
}

CommandOption& CommandOption::Delimiter(char separator) {
    option_->delimiter(separator);
    return *this;
}

Command Command::Subcommand(const std::string& name, const std::string& description) {
    return Command(app_->add_subcommand(name, description));
}

CommandOption Command::Option(const std::string& name, std::string& into,
                              const std::string& description) {
    return CommandOption(app_->add_option(name, into, description));
}

CommandOption Command::Option(const std::string& name, std::optional<std::string>& into,
                              const std::string& description) {
    return CommandOption(app_->add_option(name, into, description));
}

CommandOption Command::Option(const std::string& name, std::vector<std::string>& into,
                              const std::string& description) {
    return CommandOption(app_->add_option(name, into, description));
}

CommandOption Command::Option(const std::string& name, int& into, const std::string& description) {
    return CommandOption(app_->add_option(name, into, description));
}

CommandOption Command::Option(const std::string& name, double& into,
                              const std::string& description) {
    return CommandOption(app_->add_option(name, into, description));
}

CommandOption Command::Flag(const std::string& name, bool& into, const std::string& description) {
    return CommandOption(app_->add_flag(name, into, description));
}

void Command::RequireSubcommand() {
    app_->require_subcommand(1);
}

void Command::Fallthrough() {
    app_->fallthrough();
}

void Command::OnRun(std::function<void()> run) {
    app_->callback(std::move(run));
}

CommandLine::CommandLine(const std::string& description)
    : app_(std::make_unique<CLI::App>(description)), root_(app_.get()) {}

CommandLine::~CommandLine() = default;

std::optional<int> CommandLine::Run(int argc, char** argv, int usageExitCode) {
    try {
        app_->parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app_->exit(e) == 0 ? 0 : usageExitCode;
    }
    return std::nullopt;
}

}  // namespace nimbrel::cli
