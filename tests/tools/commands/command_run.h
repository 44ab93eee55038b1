// Runs one command line through runCommand as main does, but with string
// streams, a scripted service, a made-up environment and scripted passwords.
#pragma once

#include <chrono>
#include <deque>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/context.h"
#include "app/password.h"
#include "commands/root.h"
#include "support/fake_service.h"

namespace clipferry::cli {

struct CommandRun {
    int status = -1;
    std::string out;
    std::string err;
    std::vector<std::chrono::milliseconds> pauses;  // the retry waits asked for
    std::vector<std::string> offeredToKeep;         // the accepted passwords offered to the keyring
};

struct CommandSetup {
    std::map<std::string, std::string> environment;  // nothing else is set
    std::deque<std::string> typed;                   // the passwords typed at the prompt, in turn
    std::optional<std::string> remembered;           // in the keyring
    Kept keeps = Kept::Declined;                     // what offering a password to the keyring comes to
};

inline CommandRun runCommandLine(std::vector<std::string> arguments, ServiceScript& script,
                                 CommandSetup setup = {}) {
    arguments.insert(arguments.begin(), "clipferry");
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    std::ostringstream out;
    std::ostringstream err;
    std::istringstream in;
    CommandRun run;
    ParseResult parsed = parseCommandLine(static_cast<int>(argv.size()), argv.data(), out, err);
    if (!parsed.options) {
        ADD_FAILURE() << "the command line did not parse: " << err.str();
        return run;
    }
    const Options& options = *parsed.options;
    Io io({out, err, in}, {options.json, options.quiet, options.verbose});
    Context context{
        io,
        options,
        [&](const std::string& name) -> std::optional<std::string> {
            auto found = setup.environment.find(name);
            if (found == setup.environment.end()) return std::nullopt;
            return found->second;
        },
        [&] { return std::make_unique<FakeService>(script); },
        {[&](const std::string&) {
             return setup.remembered ? std::optional<Secret>(Secret(*setup.remembered)) : std::nullopt;
         },
         [&](const std::string&) {
             if (setup.typed.empty()) throw NoTerminal("no password typed");
             Secret password(setup.typed.front());
             setup.typed.pop_front();
             return password;
         },
         [&](const std::string&, const Secret& password, bool) {
             run.offeredToKeep.emplace_back(password.view());
             return setup.keeps;
         }},
        [&](std::chrono::milliseconds delay) {
            run.pauses.push_back(delay);
            return true;
        },
        {},
        {}};
    run.status = runCommand(context, parsed.command);
    run.out = out.str();
    run.err = err.str();
    return run;
}

}  // namespace clipferry::cli
