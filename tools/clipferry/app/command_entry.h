// One command of the command line as one value: its word, its help, whether
// it logs in, and how it adds its own options and runs with them. The table
// of them is commands/commands.cpp; a command adds itself there, nowhere else.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "app/context.h"

namespace clipferry::cli {

// A parsed command, bound to its options: gives the exit status.
using Run = std::function<int(Context& context)>;

// Options that cannot be given together, said by the command rather than by CLI11.
using ExclusiveOptions = std::vector<std::pair<const CLI::Option*, const CLI::Option*>>;

// The command a command line asked for.
struct ParsedCommand {
    Run run;
    bool logsIn = false;
};

struct CommandEntry {
    const char* name;
    const char* help;
    // Logs in first: the settings go into effect and the user name is checked
    // before it runs. The others (config, history, logout) run on what is given.
    bool logsIn;
    // Adds the command's options to its subcommand, into a struct of its own,
    // and gives the run bound to that struct.
    std::function<Run(CLI::App& command, ExclusiveOptions& exclusive)> attach;
};

// A command with options of its own: `addOptions(app, options[, exclusive])`
// fills them while parsing, `run(context, options)` runs with them.
template <typename Options, typename AddOptions>
CommandEntry command(const char* name, const char* help, bool logsIn, AddOptions addOptions,
                    int (*run)(Context&, const Options&)) {
    return {name, help, logsIn, [addOptions, run](CLI::App& app, ExclusiveOptions& exclusive) -> Run {
                auto options = std::make_shared<Options>();
                if constexpr (std::is_invocable_v<AddOptions, CLI::App&, Options&, ExclusiveOptions&>) {
                    addOptions(app, *options, exclusive);
                } else {
                    addOptions(app, *options);
                }
                return [options, run](Context& context) { return run(context, *options); };
            }};
}

// A command without options of its own.
inline CommandEntry command(const char* name, const char* help, bool logsIn, int (*run)(Context&)) {
    return {name, help, logsIn, [run](CLI::App&, ExclusiveOptions&) -> Run { return run; }};
}

}  // namespace clipferry::cli
