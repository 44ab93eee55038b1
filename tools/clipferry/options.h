// The command line: subcommands and their options, parsed with CLI11, and
// the checks that name a wrong argument before the library is asked.
#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace clipferry::cli {

enum class Command { Login, FileTypes, Categories, Moderators, Upload };

// What the service is told about one video.
struct VideoFields {
    std::string title;
    std::string description;
    std::string tags;
    int32_t category = 0;
    int32_t category2 = 0;
    int32_t category3 = 0;
    int32_t moderator = 0;
};

// What `upload` was given; the same for every file of the batch.
struct UploadOptions {
    std::vector<std::string> files;
    VideoFields fields;           // an empty title: each file's name without its extension
    bool titleGiven = false;
    std::string descriptionFile;  // "-" for standard input
};

// One file to upload with everything the service is told about it.
struct UploadJob {
    std::string file;
    VideoFields fields;
};

struct Options {
    Command command = Command::Login;
    std::string user;
    int retries = 0;
    bool json = false;            // one JSON document on standard output
    bool quiet = false;           // no progress, only the result and errors
    bool verbose = false;         // each step, the proxy and the dump files on standard error
    bool passwordFromStdin = false;
    int32_t parent = 0;      // categories
    bool recursive = false;  // categories
    UploadOptions upload;
};

struct ParseResult {
    std::optional<Options> options;  // empty: stop with exitStatus (help or error printed)
    int exitStatus = 0;
};

// versionText: what --version prints.
ParseResult parseCommandLine(int argc, const char* const* argv, std::ostream& out,
                             std::ostream& err, const std::string& versionText = "clipferry");

// What is wrong with arguments that parsed, naming the argument; empty when
// nothing is. Looks at the file system for the upload's files.
std::optional<std::string> findBadArgument(const Options& options);

// The uploads the options ask for, in order: one per file, the title taken
// from the file's name when none was given, the description read from its
// file (`standardInput` for "-"). Throws std::runtime_error when the
// description file cannot be read.
std::vector<UploadJob> buildUploadJobs(const UploadOptions& options, std::istream& standardInput);

}  // namespace clipferry::cli
