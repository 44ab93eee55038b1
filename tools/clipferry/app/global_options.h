// The options of the whole command (--user, --proxy, --retry, --json, ...):
// their table entries, what parsing them gives, and the environment the
// help describes beside them.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>
#include "app/command_entry.h"
#include "app/options.h"

namespace clipferry::cli {

// The global flags as given, before they become Options.
struct GlobalFlags {
    std::string user, proxy;
    int retries = 0;
    CLI::Option *userOption = nullptr, *proxyOption = nullptr, *retryOption = nullptr;
};

// Adds the options of the whole command to `app`; the flags land in `options`
// and `flags`.
void addGlobalOptions(CLI::App& app, Options& options, GlobalFlags& flags, ExclusiveOptions& exclusive);

// What the flags given say, into `options`.
void takeGlobalValues(const GlobalFlags& flags, Options& options);

// What is wrong with the global settings for a command that logs in; empty when nothing is.
std::optional<std::string> findBadGlobalArgument(const Options& options, const std::string& user);

// The environment variables and the configuration file, for the end of the help.
const char* environmentHelp();

}  // namespace clipferry::cli
