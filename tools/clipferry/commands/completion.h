// `clipferry completion bash|zsh|fish`: the shell's completion script, made
// from the parser's own table of subcommands and options, so it cannot drift
// from what the command accepts.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

namespace clipferry::cli {

// Adds the `completion SHELL` subcommand to `app`; the shell named lands in `shell`.
CLI::App* addCompletionCommand(CLI::App& app, std::string& shell);

// The script for "bash", "zsh" or "fish"; empty for any other shell.
std::string completionScript(const CLI::App& app, const std::string& shell);

}  // namespace clipferry::cli
