// The root app: the subcommands in the order the help lists them, each with
// its options, and what a parse that went wrong says.
#include "commands/root.h"

#include <CLI/CLI.hpp>
#include <unistd.h>
#include <algorithm>
#include <climits>

#include "app/global_options.h"
#include "app/json_output.h"
#include "app/option_table.h"
#include "app/usage_errors.h"
#include "commands/completion.h"
#include "commands/help_command.h"
#include "commands/lists.h"
#include "commands/login.h"
#include "commands/upload/upload_options.h"
#include "service/result_codes.h"

namespace clipferry::cli {

namespace {
// The commands that run once parsed, in the order the help lists them; help
// and completion are done here and follow them.
struct CommandWord {
    const char* name;
    const char* description;
    Command command;
};
const CommandWord kCommands[] = {
    {"login", "Log in and report whether it worked", Command::Login},
    {"logout", "Forget the password kept in the keyring; needs no login", Command::Logout},
    {"file-types", "List the accepted file types", Command::FileTypes},
    {"categories", "List categories as a tree", Command::Categories},
    {"moderators", "List the moderators you may choose", Command::Moderators},
    {"upload", "Publish media files, one after the other", Command::Upload},
    {"config", "Show each setting, its value and where it came from; needs no login", Command::Config},
    {"history", "List the ledger: what the service accepted or may have received; needs no login",
     Command::History},
};

bool asksForJson(int argc, const char* const* argv) {
    return std::find_if(argv + 1, argv + argc,
                        [](const char* a) { return std::string(a) == "--json"; }) != argv + argc;
}
}  // namespace

ParseResult parseCommandLine(int argc, const char* const* argv, std::ostream& out,
                             std::ostream& err, const std::string& versionText) {
    Options options;
    CLI::App app{"Publishes videos to Lumivid through the Clipferry library.\n"
                 "Every command but config, history, logout, help and completion logs in first.",
                 "clipferry"};
    app.require_subcommand(1);
    app.fallthrough();  // options of the whole command may also follow the subcommand
    app.set_version_flag("--version", versionText, "Show the command's and the library's version");
    GlobalFlags globalFlags;
    addGlobalOptions(app, options, globalFlags);

    UploadFlags uploadFlags;
    for (const CommandWord& word : kCommands) {
        CLI::App* sub = app.add_subcommand(word.name, word.description);
        switch (word.command) {
        case Command::Login: addLoginOptions(*sub, options); break;
        case Command::Categories: addCategoriesOptions(*sub, options); break;
        case Command::Upload: addUploadOptions(*sub, options.upload, uploadFlags); break;
        default: break;
        }
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
        return ParseResult{std::nullopt, exit_status::usage};
    };
    if (argc <= 1) {
        err << wrapHelp(app.help(), helpWidth(STDERR_FILENO));
        return {std::nullopt, exit_status::usage};
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
        return {std::nullopt, exit_status::ok};
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) {  // --version
            app.exit(e, out, err);
            return {std::nullopt, exit_status::ok};
        }
        if (auto word = unknownLeadingOption(app, argc, argv);
            word && dynamic_cast<const CLI::RequiredError*>(&e)) {
            return usageError(unknownOptionText(*word));
        }
        return usageError(describeParseError(app, e));
    }
    // Said here rather than by the parser, whose words for it are its own.
    for (const auto* exclusive : {&globalFlags.exclusive, &uploadFlags.exclusive}) {
        for (const auto& [one, other] : *exclusive) {
            if (one->count() > 0 && other->count() > 0) {
                return usageError(one->get_name() + " and " + other->get_name() +
                                  " cannot be used together");
            }
        }
    }
    if (*help) {
        if (!showHelp(app, helpTopic, out, helpWidth(STDOUT_FILENO))) {
            return usageError("unknown command " + helpTopic + " (the commands are " +
                              commandList(app) + ")");
        }
        return {std::nullopt, exit_status::ok};
    }
    if (*completion) {
        out << completionScript(app, shell);
        return {std::nullopt, exit_status::ok};
    }

    for (const CommandWord& word : kCommands) {
        if (*app.get_subcommand(word.name)) options.command = word.command;
    }
    takeGlobalValues(globalFlags, options);
    options.upload.fields = givenFields(uploadFlags);
    takeUploadValues(uploadFlags, options.upload);
    return {options, exit_status::ok};
}

std::optional<std::string> findBadArgument(const Options& options, const std::string& user) {
    if (options.command == Command::Config || options.command == Command::History) {
        return std::nullopt;  // shows the settings or the ledger, whatever they are
    }
    if (auto bad = findBadGlobalArgument(options, user)) return bad;
    if (options.command == Command::Upload) {
        return findBadUploadArgument(options.upload, options.passwordFromStdin);
    }
    return std::nullopt;
}

}  // namespace clipferry::cli
