#include "app/options.h"

#include <CLI/CLI.hpp>
#include <unistd.h>
#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include "app/json_output.h"
#include "commands/upload/metadata.h"
#include "text/text.h"
#include "service/result_codes.h"
#include "app/values.h"
#include "commands/completion.h"
#include "commands/help_command.h"

namespace clipferry::cli {

namespace {
// The command words, in the order the app was given them.
std::vector<std::string> commandNames(const CLI::App& app) {
    std::vector<std::string> names;
    for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; })) {
        names.push_back(sub->get_name());
    }
    return names;
}

// The command `word` was most likely meant to be: one it begins, else one at
// most two letters away (a letter left out, added, changed or two swapped);
// empty when none is.
std::string likelyCommand(const CLI::App& app, const std::string& word) {
    std::string best;
    size_t bestDistance = 3;
    const std::vector<std::string> commands = commandNames(app);
    for (const std::string& command : commands) {  // a command's first letters
        if (word.size() >= 3 && command.rfind(word, 0) == 0) return command;
    }
    for (const std::string& name : commands) {
        std::vector<std::vector<size_t>> d(word.size() + 1, std::vector<size_t>(name.size() + 1));
        for (size_t i = 0; i <= word.size(); ++i) d[i][0] = i;
        for (size_t j = 0; j <= name.size(); ++j) d[0][j] = j;
        for (size_t i = 1; i <= word.size(); ++i) {
            for (size_t j = 1; j <= name.size(); ++j) {
                const size_t change = word[i - 1] == name[j - 1] ? 0 : 1;
                d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
                if (i > 1 && j > 1 && word[i - 1] == name[j - 2] && word[i - 2] == name[j - 1]) {
                    d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
                }
            }
        }
        const size_t distance = d[word.size()][name.size()];
        if (distance < bestDistance && distance < name.size() / 2 + 1) {
            best = name;
            bestDistance = distance;
        }
    }
    return best;
}

// "login, file-types, ... and completion": every command, for the messages that list them.
std::string commandList(const CLI::App& app) {
    const std::vector<std::string> commands = commandNames(app);
    std::string list;
    for (size_t i = 0; i < commands.size(); ++i) {
        list += (i == 0 ? "" : i + 1 == commands.size() ? " and " : ", ") + commands[i];
    }
    return list;
}

// The subcommand the command line names, if any, for the hint after a mistake.
std::string subcommandOf(const CLI::App& app, int argc, const char* const* argv) {
    const std::vector<std::string> commands = commandNames(app);
    for (int i = 1; i < argc; ++i) {
        if (std::find(commands.begin(), commands.end(), argv[i]) != commands.end()) return argv[i];
    }
    return {};
}

// An option's value checked before CLI11 converts it, so a mistake is said in
// the command's words: "--retry wants a whole number from 0 to 100, not 'abc'".
CLI::Validator wholeNumber(long lowest, long highest) {
    return CLI::Validator(
        [=](std::string& text) -> std::string {
            if (parseWholeNumber(text, lowest, highest)) return {};
            return "wants a whole number from " + std::to_string(lowest) + " to " +
                   std::to_string(highest) + ", not '" + text + "'";
        },
        "");
}

// The option's words as it was typed, without a value glued on with '='
// (which could be a password given by mistake).
std::string optionWord(const std::string& argument) {
    return argument.substr(0, argument.find('='));
}

std::string unknownOptionText(const std::string& word) {
    return "unknown option " + word +
           (word == "--password" ? " (the password is never an option: use "
                                   "CLIPFERRY_PASSWORD, --password-stdin or the prompt)"
                                 : "");
}

// CLI11's error in the command's own voice, without the parser's words.
std::string describeParseError(const CLI::App& app, const CLI::ParseError& error) {
    const std::string what = error.what();
    const auto after = [&](const std::string& marker) {
        const size_t at = what.find(marker);
        return at == std::string::npos ? what : what.substr(at + marker.size());
    };
    if (dynamic_cast<const CLI::ExtrasError*>(&error)) {
        // CLI11 lists the words last first; an option among them is the likelier mistake.
        std::istringstream listed(after(": "));
        std::vector<std::string> extras{std::istream_iterator<std::string>(listed), {}};
        std::reverse(extras.begin(), extras.end());
        const auto option = std::find_if(extras.begin(), extras.end(),
                                         [](const std::string& w) { return w.rfind("-", 0) == 0; });
        const std::string first = option != extras.end() ? *option : extras.empty() ? "" : extras.front();
        if (first.rfind("-", 0) == 0) {
            return unknownOptionText(optionWord(first));
        }
        return "unexpected argument '" + first + "'";
    }
    if (dynamic_cast<const CLI::ValidationError*>(&error)) {
        const size_t colon = what.find(": ");  // "--retry: wants ..."
        return colon == std::string::npos ? what : what.substr(0, colon) + " " + what.substr(colon + 2);
    }
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&error)) {
        return what.substr(0, what.find(':')) + " wants a value";
    }
    if (dynamic_cast<const CLI::ExcludesError*>(&error)) {
        const size_t at = what.find(" excludes ");
        return what.substr(0, at) + " and " + what.substr(at + 10) + " cannot be used together";
    }
    if (dynamic_cast<const CLI::RequiredError*>(&error)) {
        if (what.find("subcommand") != std::string::npos) {
            return "no command given; the commands are " + commandList(app);
        }
        return what.substr(0, what.find(" is required")) + " is missing";
    }
    return what;
}

// Options of the whole command that take a value, so the scan for the
// subcommand's word can step over that value.
bool takesValue(const CLI::App& app, const std::string& argument) {
    const CLI::Option* option = app.get_option_no_throw(argument);
    return option != nullptr && option->get_items_expected_max() > 0;
}

// An option of the whole command that it does not know, given before any
// command word: the parser would speak of the missing command first.
std::optional<std::string> unknownLeadingOption(const CLI::App& app, int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument.size() < 2 || argument[0] != '-' || argument == "--") return std::nullopt;
        const std::string word = optionWord(argument);
        if (app.get_option_no_throw(word) == nullptr) return word;
        if (word == argument && takesValue(app, word)) ++i;
    }
    return std::nullopt;
}

// The first word that is not an option or an option's value, if it names no subcommand.
std::optional<std::string> unknownSubcommand(const CLI::App& app, int argc, const char* const* argv) {
    const std::vector<std::string> commands = commandNames(app);
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (argument == "--") {
            return std::nullopt;
        }
        if (!argument.empty() && argument[0] == '-') {
            i += takesValue(app, argument) ? 1 : 0;
            continue;
        }
        bool known = std::find(commands.begin(), commands.end(), argument) != commands.end();
        return known ? std::nullopt : std::optional<std::string>(argument);
    }
    return std::nullopt;
}

bool asksForJson(int argc, const char* const* argv) {
    return std::find_if(argv + 1, argv + argc,
                        [](const char* a) { return std::string(a) == "--json"; }) != argv + argc;
}

const char* const kEnvironment =
    "Environment:\n"
    "  CLIPFERRY_USER          the user name, when --user is not given\n"
    "  CLIPFERRY_PASSWORD      the password (else --password-stdin, else asked at the terminal)\n"
    "  CLIPFERRY_PROXY_SERVER  the HTTP proxy every request goes through, HOST:PORT,\n"
    "                          when --proxy is not given\n"
    "  CLIPFERRY_LOG           999 keeps each raw answer in the temporary directory\n"
    "                          ($TMPDIR or /tmp, Clipferry_*.xml) and traces libcurl\n"
    "  CLIPFERRY_CURL_LIBRARY  the libcurl to load (default libcurl.so.4)\n"
    "  XDG_STATE_HOME          the ledger of uploads is $XDG_STATE_HOME/clipferry/ledger.sqlite\n"
    "                          (else ~/.local/state/clipferry/ledger.sqlite)\n"
    "\n"
    "Configuration: $XDG_CONFIG_HOME/clipferry/config.toml (else ~/.config/clipferry/):\n"
    "  user, proxy, retry, categories = [1, 11] and moderator, each used when neither a\n"
    "  flag nor the environment gives it; `clipferry config` shows where each came from.\n";

// The upload's flags as given, before they become the command line's UploadFields.
struct UploadFlags {
    std::string title, description, tags;
    int32_t category = 0, category2 = 0, category3 = 0, moderator = 0;
    std::vector<CLI::Option*> titleDescriptionTags, categories;
    CLI::Option* moderatorOption = nullptr;
    std::string limitRate, stallTimeout;
    CLI::Option* descriptionFile = nullptr;
};

void addUploadOptions(CLI::App& upload, UploadOptions& options, UploadFlags& flags) {
    upload.add_option("FILE", options.files,
                      "The media files to publish, one after the other; a folder stands for its "
                      "files of the types the service accepts, in name order")
        ->required()
        ->type_name("");
    CLI::Option* title = upload.add_option(
        "--title", flags.title, "Title of the video (default: the file's name without its extension)");
    CLI::Option* description =
        upload.add_option("--description", flags.description, "Description of the video");
    flags.descriptionFile = upload.add_option("--description-file", options.descriptionFile,
                                              "Read the description from this file (- for standard input)")
                                ->type_name("FILE");
    CLI::Option* tags = upload.add_option(
        "--tags", flags.tags, "Tags, separated by spaces or commas, e.g. \"harbour dusk\"");
    flags.titleDescriptionTags = {title, description, tags};
    flags.categories = {
        upload.add_option("--category", flags.category,
                          "Category id (see `clipferry categories`); any of the three replaces "
                          "the categories of --meta and config.toml"),
        upload.add_option("--category2", flags.category2, "Second category id (0 for none)"),
        upload.add_option("--category3", flags.category3, "Third category id (0 for none)")};
    for (CLI::Option* category : flags.categories) {
        category->check(wholeNumber(0, INT32_MAX))->type_name("ID");
    }
    flags.moderatorOption = upload.add_option(
        "--moderator", flags.moderator, "Moderator id (see `clipferry moderators`; 0 for none)")
        ->check(wholeNumber(0, INT32_MAX))
        ->type_name("ID");
    upload.add_option("--meta", options.metaFile,
                      "Title, description, tags, categories and moderator per file, from a JSON "
                      "file (see clipferry(1)); flags given here win")
        ->type_name("FILE");
    upload.add_flag("--no-check", options.noCheck,
                    "Do not check the file type, categories and moderator against the "
                    "service's lists (an empty file is still refused)");
    upload.add_flag("--dry-run", options.dryRun,
                    "Log in, run every check (but those --no-check skips) and show what "
                    "would be sent; send nothing");
    upload.add_flag("--again", options.again,
                    "Send files the ledger says you published before, or that may have been "
                    "received (see clipferry history)");
    upload.add_flag("--no-ledger", options.noLedger,
                    "Neither read nor write the ledger: nothing is skipped, claimed or noted "
                    "(for a ledger that cannot be used; exit status 1 without it)");
    upload.add_flag("--recursive,-r", options.recursive, "Take the files of a folder's subfolders too");
    upload.add_flag("--refresh", options.refresh,
                    "Ask the service for its file types, categories and moderators instead of "
                    "using the lists kept for a day");
    upload.add_option("--limit-rate", flags.limitRate,
                      "Keep each upload's average at or under RATE bytes per second: 500K, 2M "
                      "(K, M, G are 1024, 1024², 1024³)")
        ->type_name("RATE")
        ->check(CLI::Validator(
            [](std::string& text) -> std::string {
                return parseRate(text) ? "" : "wants a rate such as 500K or 2M, not '" + text + "'";
            },
            ""));
    upload.add_option("--stall-timeout", flags.stallTimeout,
                      "Give up on an upload when nothing moved for DURATION (30s, 2m; default: "
                      "the library's 500 s); exit status 7")
        ->type_name("DURATION")
        ->check(CLI::Validator(
            [](std::string& text) -> std::string {
                return parseDuration(text) ? ""
                                           : "wants a duration such as 30s or 2m, not '" + text + "'";
            },
            ""));
}

// Only the flags given speak; any --categoryN gives the three categories together.
UploadFields givenFields(const UploadFlags& flags) {
    UploadFields fields;
    std::optional<std::string>* texts[] = {&fields.title, &fields.description, &fields.tags};
    const std::string* values[] = {&flags.title, &flags.description, &flags.tags};
    for (size_t i = 0; i < 3; ++i) {
        if (flags.titleDescriptionTags[i]->count() > 0) *texts[i] = *values[i];
    }
    for (const CLI::Option* category : flags.categories) {
        if (category->count() > 0) fields.categories = {flags.category, flags.category2, flags.category3};
    }
    if (flags.moderatorOption->count() > 0) fields.moderator = flags.moderator;
    return fields;
}

void takeUploadValues(const UploadFlags& flags, UploadOptions& options) {
    if (!flags.limitRate.empty()) options.limitRate = parseRate(flags.limitRate).value_or(0);
    if (!flags.stallTimeout.empty()) {
        options.stallTimeout = parseDuration(flags.stallTimeout).value_or(0);
    }
}

}  // namespace

ParseResult parseCommandLine(int argc, const char* const* argv, std::ostream& out,
                             std::ostream& err, const std::string& versionText) {
    Options options;
    CLI::App app{"Publishes videos to Lumivid through the Clipferry library.\n"
                 "Every command but config logs in first.",
                 "clipferry"};
    app.require_subcommand(1);
    app.fallthrough();  // options of the whole command may also follow the subcommand
    app.set_version_flag("--version", versionText, "Show the command's and the library's version");
    // Where a setting came from matters (`clipferry config`), so the
    // environment and config.toml are read after parsing, not by CLI11.
    std::string user, proxy;
    int retries = 0;
    CLI::Option* userOption = app.add_option(
        "--user,-u", user, "Lumivid user name (else CLIPFERRY_USER, else user in config.toml)")
        ->type_name("NAME");
    CLI::Option* proxyOption = app.add_option(
        "--proxy", proxy,
        "HTTP proxy for every request, HOST:PORT (else CLIPFERRY_PROXY_SERVER, else proxy in "
        "config.toml)")
        ->type_name("HOST:PORT");
    CLI::Option* retryOption =
        app.add_option("--retry", retries,
                       "Try again up to N times after a connection failure or timeout, "
                       "waiting 1 s and doubling; never once the whole file was sent "
                       "(else retry in config.toml, else 0)")
            ->check(wholeNumber(0, 100))
            ->type_name("N");
    app.add_flag("--json", options.json, "Print one JSON document on standard output");
    CLI::Option* quiet =
        app.add_flag("--quiet,-q", options.quiet, "No progress: only the result and errors");
    CLI::Option* verbose = app.add_flag(
        "--verbose,-v", options.verbose,
        "Say on standard error where dump files go, the proxy, and each step (not with --quiet)");
    app.add_flag("--password-stdin", options.passwordFromStdin,
                 "Read the password from the first line of standard input");

    CLI::App* login = app.add_subcommand("login", "Log in and report whether it worked");
    login->add_flag("--remember", options.remember, "Keep the password in the desktop's keyring without asking");
    CLI::App* logout = app.add_subcommand("logout", "Forget the password kept in the keyring; needs no login");
    CLI::App* fileTypes = app.add_subcommand("file-types", "List the accepted file types");
    CLI::App* categories = app.add_subcommand("categories", "List categories as a tree");
    categories->add_option("PARENT", options.parent, "List below this category (default: the top)")
        ->check(wholeNumber(0, INT32_MAX))
        ->type_name("ID");
    categories->add_flag("--recursive,-r", options.recursive, "Descend into every category");
    CLI::App* moderators = app.add_subcommand("moderators", "List the moderators you may choose");
    CLI::App* upload = app.add_subcommand("upload", "Publish media files, one after the other");
    UploadFlags uploadFlags;
    addUploadOptions(*upload, options.upload, uploadFlags);
    CLI::App* config = app.add_subcommand(
        "config", "Show each setting, its value and where it came from; needs no login");
    CLI::App* history = app.add_subcommand(
        "history", "List the ledger: what the service accepted or may have received; needs no login");
    CLI::App* help = app.add_subcommand("help", "Show the help of the command or of one COMMAND");
    std::string helpTopic;
    help->add_option("COMMAND", helpTopic, "The command to show the help of")->type_name("");
    CLI::App* completion = app.add_subcommand(
        "completion", "Print the shell completion script for bash, zsh or fish");
    std::string shell;
    completion->add_option("SHELL", shell, "bash, zsh or fish")
        ->required()
        ->type_name("")
        ->check(CLI::Validator(
            [](std::string& text) -> std::string {
                return text == "bash" || text == "zsh" || text == "fish"
                           ? ""
                           : "wants bash, zsh or fish, not '" + text + "'";
            },
            ""));
    for (CLI::App* sub :
         {login, fileTypes, categories, moderators, upload, config, history, help, completion}) {
        sub->footer("Exit statuses and environment variables: clipferry --help");
    }
    app.footer(std::string(kEnvironment) + "\n" + exitStatusTable());
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
    const std::pair<const CLI::Option*, const CLI::Option*> together[] = {
        {quiet, verbose}, {uploadFlags.titleDescriptionTags[1], uploadFlags.descriptionFile}};
    for (const auto& [one, other] : together) {
        if (one->count() > 0 && other->count() > 0) {
            return usageError(one->get_name() + " and " + other->get_name() +
                              " cannot be used together");
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

    if (*login) options.command = Command::Login;
    if (*fileTypes) options.command = Command::FileTypes;
    if (*categories) options.command = Command::Categories;
    if (*moderators) options.command = Command::Moderators;
    if (*upload) options.command = Command::Upload;
    if (*config) options.command = Command::Config;
    if (*history) options.command = Command::History;
    if (*logout) options.command = Command::Logout;
    if (userOption->count() > 0) options.given.user = user;
    if (proxyOption->count() > 0) options.given.proxy = proxy;
    if (retryOption->count() > 0) options.given.retry = retries;
    // The command line's alone until runCommand folds in the environment and config.toml.
    options.user = user;
    options.retries = retries;
    options.upload.fields = givenFields(uploadFlags);
    takeUploadValues(uploadFlags, options.upload);
    return {options, exit_status::ok};
}

std::optional<std::string> findBadArgument(const Options& options) {
    if (options.command == Command::Config || options.command == Command::History) {
        return std::nullopt;  // shows the settings or the ledger, whatever they are
    }
    if (options.user.empty()) {
        return options.given.user ? "--user: the user name is empty"
                                  : "--user: no user name; give --user NAME, set CLIPFERRY_USER, "
                                    "or write user = \"NAME\" in config.toml (see clipferry config)";
    }
    if (options.command != Command::Upload) {
        return std::nullopt;
    }
    const UploadOptions& upload = options.upload;
    namespace fs = std::filesystem;
    // The files to upload are checked later, with every other problem at once;
    // these two are read before anything else can be checked.
    std::vector<std::pair<std::string, std::string>> files;  // name in messages, path
    if (upload.descriptionFile == "-") {
        if (options.passwordFromStdin) {
            return "--description-file: standard input already carries the password "
                   "(--password-stdin)";
        }
    } else if (!upload.descriptionFile.empty()) {
        files.emplace_back("--description-file", upload.descriptionFile);
    }
    if (!upload.metaFile.empty()) {
        files.emplace_back("--meta", upload.metaFile);
    }
    for (const auto& [name, path] : files) {
        std::error_code error;
        auto status = fs::status(path, error);
        if (!fs::exists(status)) {
            return name + ": no such file: " + visible(path);
        }
        if (!fs::is_regular_file(status)) {
            return name + ": not a regular file: " + visible(path);
        }
        if (!std::ifstream(path, std::ios::binary)) {
            return name + ": cannot be read: " + visible(path);
        }
    }
    return std::nullopt;
}

std::vector<UploadJob> buildUploadJobs(const UploadOptions& options,
                                       const UploadFields& configDefaults,
                                       std::istream& standardInput,
                                       std::vector<std::string>* warnings) {
    UploadFields commandLine = options.fields;
    if (!options.descriptionFile.empty()) {
        commandLine.description = readDescriptionFile(options.descriptionFile, standardInput);
    }
    std::optional<Metadata> metadata;
    if (!options.metaFile.empty()) {
        metadata = loadMetadataFile(options.metaFile);
    }
    std::vector<UploadJob> jobs;
    std::vector<const UploadFields*> used;
    for (const std::string& file : options.files) {
        const UploadFields* perFile = metadata ? findMetadata(*metadata, file) : nullptr;
        used.push_back(perFile);
        jobs.push_back(mergeUpload(file, commandLine, perFile, configDefaults));
    }
    if (metadata && !metadata->forEveryFile && warnings) {
        for (size_t i = 0; i < metadata->entries.size(); ++i) {
            const MetadataEntry& entry = metadata->entries[i];
            if (std::find(used.begin(), used.end(), &entry.fields) == used.end()) {
                warnings->push_back(options.metaFile + ": entry " + std::to_string(i + 1) + " (\"" +
                                    entry.file.value_or("") +
                                    "\") names none of the files given; it is not used");
            }
        }
    }
    return jobs;
}

}  // namespace clipferry::cli
