// The root app: the subcommands in the order the help lists them, each with
// its options, and what a parse that went wrong says.
#include "commands/root.h"

#include <CLI/CLI.hpp>
#include <unistd.h>
#include <algorithm>
#include <climits>
#include <set>

#include "app/global_options.h"
#include "app/json_output.h"
#include "app/option_table.h"
#include "app/usage_errors.h"
#include "commands/commands.h"
#include "commands/completion.h"
#include "commands/help_command.h"
#include "service/result_codes.h"

namespace clipferry::cli {

namespace {
bool asksForJson(int argc, const char* const* argv) {
    return std::find_if(argv + 1, argv + argc,
                        [](const char* a) { return std::string(a) == "--json"; }) != argv + argc;
}
}  // namespace

ParseResult parseCommandLine(int argc, const char* const* argv, std::ostream& out,
                             std::ostream& err, const std::string& versionText) {
    Options options;
    std::set<std::string> needNoLogin;  // named in alphabetical order
    for (const CommandEntry& entry : commandTable()) {
        if (!entry.logsIn) needNoLogin.insert(entry.name);
    }
    std::string withoutLogin;
    for (const std::string& name : needNoLogin) withoutLogin += name + ", ";
    CLI::App app{"Publishes videos to Lumivid through the Clipferry library.\n"
                 "Every command but " + withoutLogin + "help and completion logs in first.",
                 "clipferry"};
    app.require_subcommand(1);
    app.fallthrough();  // options of the whole command may also follow the subcommand
    app.set_version_flag("--version", versionText, "Show the command's and the library's version");
    GlobalFlags globalFlags;
    ExclusiveOptions exclusive;
    addGlobalOptions(app, options, globalFlags, exclusive);

    std::vector<std::pair<const CommandEntry*, Run>> commands;
    for (const CommandEntry& entry : commandTable()) {
        commands.emplace_back(&entry, entry.attach(*app.add_subcommand(entry.name, entry.help), exclusive));
    }
    std::string helpTopic, shell;
    CLI::App* help = addHelpCommand(app, helpTopic);
    CLI::App* completion = addCompletionCommand(app, shell);
    for (CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; })) {
        sub->footer("Exit statuses and environment variables: clipferry --help");
    }
    app.footer(std::string(environmentHelp()) + "\n" + exitStatusTable());
    // The help in plain words, not the parser's.
    app.get_formatter()->label("SUBCOMMAND", "COMMAND");
    app.get_formatter()->label("TEXT", "TEXT");
    app.get_formatter()->label("REQUIRED", "(required)");

    auto usageError = [&](const std::string& message) {
        err << "clipferry: " << message << "\n";
        const std::string sub = subcommandOf(app, argc, argv);
        err << "clipferry: see clipferry help" << (sub.empty() || sub == "help" ? "" : " " + sub)
            << "\n";
        if (asksForJson(argc, argv)) {
            out << render(failureDocument("", std::nullopt, exit_status::usage, message));
        }
        return ParseResult{std::nullopt, {}, exit_status::usage};
    };
    if (argc <= 1) {
        err << wrapHelp(app.help(), helpWidth(STDERR_FILENO));
        return {std::nullopt, {}, exit_status::usage};
    }
    if (auto word = unknownSubcommand(app, argc, argv)) {
        const std::string meant = likelyCommand(app, *word);
        return usageError("unknown command " + *word +
                          (meant.empty() ? " (the commands are " + commandList(app) + ")"
                                         : "; did you mean " + meant + "?"));
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        out << wrapHelp(app.help(), helpWidth(STDOUT_FILENO));
        return {std::nullopt, {}, exit_status::ok};
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) {  // --version
            app.exit(e, out, err);
            return {std::nullopt, {}, exit_status::ok};
        }
        if (auto word = unknownLeadingOption(app, argc, argv);
            word && dynamic_cast<const CLI::RequiredError*>(&e)) {
            return usageError(unknownOptionText(*word));
        }
        return usageError(describeParseError(app, e));
    }
    // Said here rather than by the parser, whose words for it are its own.
    for (const auto& [one, other] : exclusive) {
        if (one->count() > 0 && other->count() > 0) {
            return usageError(one->get_name() + " and " + other->get_name() + " cannot be used together");
        }
    }
    if (*help) {
        if (!showHelp(app, helpTopic, out, helpWidth(STDOUT_FILENO))) {
            return usageError("unknown command " + helpTopic + " (the commands are " +
                              commandList(app) + ")");
        }
        return {std::nullopt, {}, exit_status::ok};
    }
    if (*completion) {
        out << completionScript(app, shell);
        return {std::nullopt, {}, exit_status::ok};
    }

    ParsedCommand chosen;
    for (auto& [entry, run] : commands) {
        if (*app.get_subcommand(entry->name)) chosen = {std::move(run), entry->logsIn};
    }
    takeGlobalValues(globalFlags, options);
    return {options, std::move(chosen), exit_status::ok};
}

}  // namespace clipferry::cli
