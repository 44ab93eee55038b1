// From the parsed command line to the command that was asked for.
#include "commands/root.h"

#include <cstdlib>

#include "app/failure.h"
#include "app/password.h"
#include "app/global_options.h"
#include "app/interrupt.h"
#include "text/text.h"

namespace clipferry::cli {

namespace {
// config.toml first: every command, `config` too, stops at a file with a
// mistake in it. Gives the exit status.
int readSettings(Context& context) {
    if (auto path = configFilePath(context.environment)) {
        try {
            context.config = loadConfigFile(*path);
        } catch (const ConfigError& e) {
            return fail(context.io, exit_status::badArgument,
                        std::string("config file: ") + e.what() + "; correct or remove it");
        }
    }
    for (const std::string& warning : context.config.warnings) {
        context.io.err() << "clipferry: warning: " << warning << "\n";
    }
    context.settings = resolveSettings(context.config, context.environment, context.options.given);
    return exit_status::ok;
}

// The library reads the proxy from the environment when its context is
// created; the messages name where the proxy and the user were set.
void useSettings(Context& context) {
    const Settings& settings = context.settings;
    if (settings.proxy.origin.kind != Origin::Environment) {
        if (settings.proxy.value.empty()) {
            unsetenv(kProxyVariable);
        } else {
            setenv(kProxyVariable, settings.proxy.value.c_str(), 1);
        }
    }
    context.io.proxy(settings.proxy.value, settings.proxy.origin.name);
    if (settings.user.origin.kind == Origin::Environment) context.io.userFrom(kUserVariable);
    if (settings.user.origin.kind == Origin::File) {
        context.io.userFrom("user in " + settings.user.origin.name);
    }
}

}  // namespace

int runCommand(Context& context, const ParsedCommand& command) {
    const Io& io = context.io;
    if (int status = readSettings(context); status != exit_status::ok) return status;
    if (!command.logsIn) return command.run(context);  // shows or forgets what is there
    useSettings(context);
    if (auto bad = findBadGlobalArgument(context.options, context.user())) {
        return fail(io, exit_status::badArgument, "bad argument: " + *bad);
    }
    try {
        return command.run(context);
    } catch (const PasswordError& e) {
        return fail(io, interrupted() ? exit_status::interrupted : exit_status::failure, e.what());
    } catch (const TextError& e) {
        return fail(io, exit_status::badArgument, std::string("bad argument: ") + e.what());
    } catch (const std::exception& e) {
        return fail(io, exit_status::failure, e.what());
    }
}

}  // namespace clipferry::cli
