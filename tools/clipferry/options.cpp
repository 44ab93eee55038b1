#include "options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "json_output.h"
#include "result_codes.h"

namespace clipferry::cli {

namespace {
const char* const kSubcommands[] = {"login", "file-types", "categories", "moderators", "upload"};

// Options of the whole command that take a value, so the scan for the
// subcommand's word can step over that value.
bool takesValue(const std::string& argument) {
    return argument == "--user" || argument == "-u" || argument == "--retry";
}

// The first word that is not an option or an option's value, if it names no subcommand.
std::optional<std::string> unknownSubcommand(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (argument == "--") {
            return std::nullopt;
        }
        if (!argument.empty() && argument[0] == '-') {
            i += takesValue(argument) ? 1 : 0;
            continue;
        }
        bool known = std::find(std::begin(kSubcommands), std::end(kSubcommands), argument) !=
                     std::end(kSubcommands);
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
    "  CLIPFERRY_PROXY_SERVER  the HTTP proxy every request goes through, HOST:PORT\n"
    "  CLIPFERRY_LOG           999 keeps each raw answer in the temporary directory\n"
    "                          ($TMPDIR or /tmp, Clipferry_*.xml) and traces libcurl\n"
    "  CLIPFERRY_CURL_LIBRARY  the libcurl to load (default libcurl.so.4)\n";

// Gives the --title option, to learn whether it was given at all.
CLI::Option* addUploadOptions(CLI::App& upload, UploadOptions& options) {
    upload.add_option("FILE", options.files, "The media files to publish, one after the other")
        ->required();
    CLI::Option* title = upload.add_option(
        "--title", options.fields.title, "Title of the video (default: the file's name without its extension)");
    CLI::Option* description =
        upload.add_option("--description", options.fields.description, "Description of the video");
    upload.add_option("--description-file", options.descriptionFile,
                      "Read the description from this file (- for standard input)")
        ->excludes(description);
    upload.add_option("--tags", options.fields.tags, "Tags, separated by spaces, e.g. \"a b\"");
    upload.add_option("--category", options.fields.category, "Category id (see `clipferry categories`)")
        ->required();
    upload.add_option("--category2", options.fields.category2, "Second category id (0 for none)");
    upload.add_option("--category3", options.fields.category3, "Third category id (0 for none)");
    upload.add_option("--moderator", options.fields.moderator,
                      "Moderator id (see `clipferry moderators`; 0 for none)");
    return title;
}

std::string readAll(std::istream& in) {
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
}  // namespace

ParseResult parseCommandLine(int argc, const char* const* argv, std::ostream& out,
                             std::ostream& err, const std::string& versionText) {
    Options options;
    CLI::App app{"Publishes videos to Lumivid through the Clipferry library.\n"
                 "Every command logs in first.",
                 "clipferry"};
    app.require_subcommand(1);
    app.fallthrough();  // options of the whole command may also follow the subcommand
    app.set_version_flag("--version", versionText, "Show the command's and the library's version");
    app.add_option("--user,-u", options.user, "Lumivid user name")
        ->envname("CLIPFERRY_USER")
        ->required();
    app.add_option("--retry", options.retries,
                   "Try again up to N times after a connection failure or timeout, "
                   "waiting 1 s and doubling; never once the whole file was sent")
        ->check(CLI::Range(0, 100))
        ->default_val(0);
    app.add_flag("--json", options.json, "Print one JSON document on standard output");
    CLI::Option* quiet =
        app.add_flag("--quiet,-q", options.quiet, "No progress: only the result and errors");
    app.add_flag("--verbose,-v", options.verbose,
                 "Say on standard error where dump files go, the proxy, and each step")
        ->excludes(quiet);
    app.add_flag("--password-stdin", options.passwordFromStdin,
                 "Read the password from the first line of standard input");

    CLI::App* login = app.add_subcommand("login", "Log in and report whether it worked");
    CLI::App* fileTypes = app.add_subcommand("file-types", "List the accepted file types");
    CLI::App* categories = app.add_subcommand("categories", "List categories as a tree");
    categories->add_option("PARENT", options.parent, "List below this category (default: the top)");
    categories->add_flag("--recursive,-r", options.recursive, "Descend into every category");
    CLI::App* moderators = app.add_subcommand("moderators", "List the moderators you may choose");
    CLI::App* upload = app.add_subcommand("upload", "Publish media files, one after the other");
    CLI::Option* title = addUploadOptions(*upload, options.upload);
    for (CLI::App* sub : {login, fileTypes, categories, moderators, upload}) {
        sub->footer("Exit statuses and environment variables: clipferry --help");
    }
    app.footer(std::string(kEnvironment) + "\n" + exitStatusTable());

    auto usageError = [&](const std::string& message) {
        if (asksForJson(argc, argv)) {
            out << render(failureDocument("", std::nullopt, exit_status::usage, message));
        }
        return ParseResult{std::nullopt, exit_status::usage};
    };
    if (argc <= 1) {
        err << app.help();
        return {std::nullopt, exit_status::usage};
    }
    if (auto word = unknownSubcommand(argc, argv)) {
        std::string message = "unknown command " + *word;
        err << "clipferry: " << message
            << " (the commands are login, file-types, categories, moderators and upload; "
               "see clipferry --help)\n";
        return usageError(message);
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        app.exit(e, out, err);
        return {std::nullopt, exit_status::ok};
    } catch (const CLI::ParseError& e) {
        app.exit(e, out, err);
        if (e.get_exit_code() == 0) {
            return {std::nullopt, exit_status::ok};
        }
        return usageError(e.what());
    }

    if (*login) options.command = Command::Login;
    if (*fileTypes) options.command = Command::FileTypes;
    if (*categories) options.command = Command::Categories;
    if (*moderators) options.command = Command::Moderators;
    if (*upload) options.command = Command::Upload;
    options.upload.titleGiven = title->count() > 0;
    return {options, exit_status::ok};
}

std::optional<std::string> findBadArgument(const Options& options) {
    if (options.user.empty()) {
        return "--user: the user name is empty";
    }
    if (options.command == Command::Categories && options.parent < 0) {
        return "PARENT: a category id is 0 or more";
    }
    if (options.command != Command::Upload) {
        return std::nullopt;
    }
    const UploadOptions& upload = options.upload;
    namespace fs = std::filesystem;
    std::vector<std::pair<std::string, std::string>> files;  // name in messages, path
    for (const std::string& file : upload.files) {
        files.emplace_back("FILE", file);
    }
    if (upload.descriptionFile == "-") {
        if (options.passwordFromStdin) {
            return "--description-file: standard input already carries the password "
                   "(--password-stdin)";
        }
    } else if (!upload.descriptionFile.empty()) {
        files.emplace_back("--description-file", upload.descriptionFile);
    }
    for (const auto& [name, path] : files) {
        std::error_code error;
        auto status = fs::status(path, error);
        if (!fs::exists(status)) {
            return name + ": no such file: " + path;
        }
        if (!fs::is_regular_file(status)) {
            return name + ": not a regular file: " + path;
        }
        if (!std::ifstream(path, std::ios::binary)) {
            return name + ": cannot be read: " + path;
        }
    }
    if (upload.titleGiven && upload.fields.title.empty()) {
        return "--title: the title is empty";
    }
    const VideoFields& fields = upload.fields;
    const std::pair<const char*, int32_t> ids[] = {{"--category", fields.category},
                                                   {"--category2", fields.category2},
                                                   {"--category3", fields.category3},
                                                   {"--moderator", fields.moderator}};
    for (const auto& [name, value] : ids) {
        if (value < 0) {
            return std::string(name) + ": an id is 0 or more, not " + std::to_string(value);
        }
    }
    return std::nullopt;
}

std::vector<UploadJob> buildUploadJobs(const UploadOptions& options, std::istream& standardInput) {
    VideoFields fields = options.fields;
    if (options.descriptionFile == "-") {
        fields.description = readAll(standardInput);
    } else if (!options.descriptionFile.empty()) {
        std::ifstream in(options.descriptionFile, std::ios::binary);
        if (!in) {
            throw std::runtime_error("--description-file: cannot be read: " + options.descriptionFile);
        }
        fields.description = readAll(in);
    }
    std::vector<UploadJob> jobs;
    for (const std::string& file : options.files) {
        jobs.push_back({file, fields});
        if (options.fields.title.empty()) {
            jobs.back().fields.title = std::filesystem::path(file).stem().string();
        }
    }
    return jobs;
}

}  // namespace clipferry::cli
