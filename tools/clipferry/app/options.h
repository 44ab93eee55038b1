// The command line: subcommands and their options, parsed with CLI11, and
// the checks that name a wrong argument before the library is asked.
#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "service/service.h"
#include "store/config.h"

namespace clipferry::cli {

enum class Command { Login, FileTypes, Categories, Moderators, Upload, Config, History, Logout };

// The fields of a video as one source (the command line, a --meta entry, the
// configuration) gives them, each empty when that source is silent.
// Categories are one setting: up to three ids, given together.
struct UploadFields {
    std::optional<std::string> title;
    std::optional<std::string> description;
    std::optional<std::string> tags;  // words separated by single spaces
    std::optional<std::vector<int32_t>> categories;
    std::optional<int32_t> moderator;
};

// What `upload` was given; the same for every file of the batch.
struct UploadOptions {
    std::vector<std::string> files;
    UploadFields fields;          // the flags given; any --categoryN gives all three
    std::string descriptionFile;  // "-" for standard input
    std::string metaFile;         // --meta: per-file fields in JSON
    bool noCheck = false;         // skip the checks against the service's lists
    bool dryRun = false;          // check and show, send nothing
    bool again = false;           // send files the ledger says were sent before
    bool noLedger = false;        // neither read nor write the ledger
    bool recursive = false;       // a folder's subfolders too
    bool refresh = false;         // ask for the service's lists, not the kept ones
    double limitRate = 0;         // --limit-rate in bytes per second; 0: as fast as it goes
    double stallTimeout = 0;      // --stall-timeout in seconds; 0: the library's own limit
};

struct Options {
    Command command = Command::Login;
    CommandLineSettings given;  // --user, --proxy, --retry as given; the configuration fills the rest
    std::string user;           // in effect, once the settings are resolved
    int retries = 0;            // in effect, once the settings are resolved
    bool json = false;            // one JSON document on standard output
    bool quiet = false;           // no progress, only the result and errors
    bool verbose = false;         // each step, the proxy and the dump files on standard error
    bool passwordFromStdin = false;
    bool remember = false;  // login --remember: keep the password in the keyring without asking
    int32_t parent = 0;      // categories
    bool recursive = false;  // categories
    UploadOptions upload;
};

struct ParseResult {
    // Empty: stop with exitStatus (help, completion or an error was printed).
    std::optional<Options> options;
    int exitStatus = 0;
};

// versionText: what --version prints.
ParseResult parseCommandLine(int argc, const char* const* argv, std::ostream& out,
                             std::ostream& err, const std::string& versionText = "clipferry");

// What is wrong with arguments that parsed, naming the argument; empty when
// nothing is. Looks at the file system for the upload's files.
std::optional<std::string> findBadArgument(const Options& options);

// The uploads the options ask for, in order: one per file, each field taken
// from the command line, else the file's --meta entry, else `configDefaults`,
// else the built-in default (the title is the file's name without its
// extension). The description file is read from `standardInput` for "-".
// Throws MetadataError when the --meta or description file cannot be used.
// `warnings`, when given, receives one line per --meta entry that names none
// of the files: a misspelt name would otherwise drop its details unnoticed.
std::vector<UploadJob> buildUploadJobs(const UploadOptions& options,
                                       const UploadFields& configDefaults,
                                       std::istream& standardInput,
                                       std::vector<std::string>* warnings = nullptr);

}  // namespace clipferry::cli
