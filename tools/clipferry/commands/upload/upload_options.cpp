// The table entries of `upload`'s flags, and the checks of the files they name.
#include "commands/upload/upload_options.h"

#include <climits>
#include <filesystem>
#include <fstream>

#include "app/option_table.h"
#include "app/values.h"
#include "text/text.h"

namespace clipferry::cli {

namespace {
// upload's yes-or-no flags, in the order the help lists them.
struct FlagRow {
    const char* name;
    bool UploadOptions::*field;
    const char* description;
};
const FlagRow kFlags[] = {
    {"--no-check", &UploadOptions::noCheck,
     "Do not check the file type, categories and moderator against the "
     "service's lists (an empty file is still refused)"},
    {"--dry-run", &UploadOptions::dryRun,
     "Log in, run every check (but those --no-check skips) and show what "
     "would be sent; send nothing"},
    {"--again", &UploadOptions::again,
     "Send files the ledger says you published before, or that may have been "
     "received (see clipferry history)"},
    {"--no-ledger", &UploadOptions::noLedger,
     "Neither read nor write the ledger: nothing is skipped, claimed or noted "
     "(for a ledger that cannot be used; exit status 1 without it)"},
    {"--recursive,-r", &UploadOptions::recursive,
     "Take the files of a folder's subfolders too"},
    {"--refresh", &UploadOptions::refresh,
     "Ask the service for its file types, categories and moderators instead of "
     "using the lists kept for a day"},
};
}  // namespace

void addUploadOptions(CLI::App& upload, UploadFlags& flags, ExclusiveOptions& exclusive) {
    UploadOptions& options = flags.given;
    upload.add_option("FILE", options.files,
                      "The media files to publish, one after the other; a folder stands for its "
                      "files of the types the service accepts, in name order")
        ->required()
        ->type_name("");
    upload.add_option(
        "--title", flags.title, "Title of the video (default: the file's name without its extension)");
    CLI::Option* description =
        upload.add_option("--description", flags.description, "Description of the video");
    CLI::Option* descriptionFile =
        upload.add_option("--description-file", options.descriptionFile,
                          "Read the description from this file (- for standard input)")
            ->type_name("FILE");
    exclusive.emplace_back(description, descriptionFile);
    upload.add_option("--tags", flags.tags, "Tags, separated by spaces or commas, e.g. \"harbour dusk\"");
    CLI::Option* categories[] = {
        upload.add_option("--category", flags.category,
                          "Category id (see `clipferry categories`); any of the three replaces "
                          "the categories of --meta and config.toml"),
        upload.add_option("--category2", flags.category2, "Second category id (0 for none)"),
        upload.add_option("--category3", flags.category3, "Third category id (0 for none)")};
    for (CLI::Option* category : categories) {
        category->check(wholeNumber(0, INT32_MAX))->type_name("ID");
    }
    upload.add_option(
        "--moderator", flags.moderator, "Moderator id (see `clipferry moderators`; 0 for none)")
        ->check(wholeNumber(0, INT32_MAX))
        ->type_name("ID");
    upload.add_option("--meta", options.metaFile,
                      "Title, description, tags, categories and moderator per file, from a JSON "
                      "file (see clipferry(1)); flags given here win")
        ->type_name("FILE");
    for (const FlagRow& row : kFlags) upload.add_flag(row.name, options.*row.field, row.description);
    upload.add_option("--limit-rate", flags.limitRate,
                      "Keep each upload's average at or under RATE bytes per second: 500K, 2M "
                      "(K, M, G are 1024, 1024², 1024³)")
        ->type_name("RATE")
        ->check(wants("a rate such as 500K or 2M",
                      [](const std::string& text) { return parseRate(text).has_value(); }));
    upload.add_option("--stall-timeout", flags.stallTimeout,
                      "Give up on an upload when nothing moved for DURATION (30s, 2m; default: "
                      "the library's 500 s); exit status 7")
        ->type_name("DURATION")
        ->check(wants("a duration such as 30s or 2m",
                      [](const std::string& text) { return parseDuration(text).has_value(); }));
}

UploadOptions uploadOptions(const UploadFlags& flags) {
    UploadOptions options = flags.given;
    options.fields.title = flags.title;
    options.fields.description = flags.description;
    options.fields.tags = flags.tags;
    if (flags.category || flags.category2 || flags.category3) {
        options.fields.categories = {flags.category.value_or(0), flags.category2.value_or(0),
                                     flags.category3.value_or(0)};
    }
    options.fields.moderator = flags.moderator;
    if (!flags.limitRate.empty()) options.limitRate = parseRate(flags.limitRate).value_or(0);
    if (!flags.stallTimeout.empty()) {
        options.stallTimeout = parseDuration(flags.stallTimeout).value_or(0);
    }
    return options;
}

std::optional<std::string> findBadUploadArgument(const UploadOptions& upload, bool passwordFromStdin) {
    namespace fs = std::filesystem;
    // The files to upload are checked later, with every other problem at once;
    // these two are read before anything else can be checked.
    std::vector<std::pair<std::string, std::string>> files;  // name in messages, path
    if (upload.descriptionFile == "-") {
        if (passwordFromStdin) {
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

}  // namespace clipferry::cli
