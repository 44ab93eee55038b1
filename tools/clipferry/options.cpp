#include "options.h"

#include <CLI/CLI.hpp>
#include <filesystem>
#include <fstream>

#include "result_codes.h"

namespace clipferry::cli {

namespace {
void addUploadOptions(CLI::App& upload, UploadOptions& options) {
    upload.add_option("FILE", options.file, "The media file to publish")->required();
    upload.add_option("--title", options.title, "Title of the video")->required();
    upload.add_option("--description", options.description, "Description of the video");
    upload.add_option("--tags", options.tags, "Tags, separated by spaces, e.g. \"a b\"");
    upload.add_option("--category", options.category, "Category id (see `clipferry categories`)")
        ->required();
    upload.add_option("--category2", options.category2, "Second category id (0 for none)");
    upload.add_option("--category3", options.category3, "Third category id (0 for none)");
    upload.add_option("--moderator", options.moderator,
                      "Moderator id (see `clipferry moderators`; 0 for none)");
}
}  // namespace

ParseResult parseCommandLine(int argc, const char* const* argv, std::ostream& out,
                             std::ostream& err) {
    Options options;
    CLI::App app{"Publishes videos to Lumivid through the Clipferry library.\n"
                 "Every command logs in first. The password comes from the environment\n"
                 "variable CLIPFERRY_PASSWORD, or is asked at the terminal.",
                 "clipferry"};
    app.footer(exitStatusTable());
    app.require_subcommand(1);
    app.fallthrough();  // --user and --retry may also follow the subcommand
    app.add_option("--user,-u", options.user, "Lumivid user name")
        ->envname("CLIPFERRY_USER")
        ->required();
    app.add_option("--retry", options.retries,
                   "Try again up to N times after a connection failure or timeout, "
                   "waiting 1 s and doubling")
        ->check(CLI::Range(0, 100))
        ->default_val(0);

    CLI::App* login = app.add_subcommand("login", "Log in and report whether it worked");
    CLI::App* fileTypes = app.add_subcommand("file-types", "List the accepted file types");
    CLI::App* categories = app.add_subcommand("categories", "List categories as a tree");
    categories->add_option("PARENT", options.parent, "List below this category (default: the top)");
    categories->add_flag("--recursive,-r", options.recursive, "Descend into every category");
    CLI::App* moderators = app.add_subcommand("moderators", "List the moderators you may choose");
    CLI::App* upload = app.add_subcommand("upload", "Publish a media file");
    addUploadOptions(*upload, options.upload);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        app.exit(e, out, err);
        return {std::nullopt, exit_status::ok};
    } catch (const CLI::ParseError& e) {
        app.exit(e, out, err);
        return {std::nullopt, e.get_exit_code() == 0 ? exit_status::ok : exit_status::usage};
    }

    if (*login) options.command = Command::Login;
    if (*fileTypes) options.command = Command::FileTypes;
    if (*categories) options.command = Command::Categories;
    if (*moderators) options.command = Command::Moderators;
    if (*upload) options.command = Command::Upload;
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
    std::error_code error;
    auto status = fs::status(upload.file, error);
    if (!fs::exists(status)) {
        return "FILE: no such file: " + upload.file;
    }
    if (!fs::is_regular_file(status)) {
        return "FILE: not a regular file: " + upload.file;
    }
    if (!std::ifstream(upload.file, std::ios::binary)) {
        return "FILE: cannot be read: " + upload.file;
    }
    if (upload.title.empty()) {
        return "--title: the title is empty";
    }
    const std::pair<const char*, int32_t> ids[] = {{"--category", upload.category},
                                                   {"--category2", upload.category2},
                                                   {"--category3", upload.category3},
                                                   {"--moderator", upload.moderator}};
    for (const auto& [name, value] : ids) {
        if (value < 0) {
            return std::string(name) + ": an id is 0 or more, not " + std::to_string(value);
        }
    }
    return std::nullopt;
}

}  // namespace clipferry::cli
