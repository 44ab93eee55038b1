// The command line: subcommands and their options, parsed with CLI11, and
// the checks that name a wrong argument before the library is asked.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

namespace clipferry::cli {

enum class Command { Login, FileTypes, Categories, Moderators, Upload };

struct UploadOptions {
    std::string file;
    std::string title;
    std::string description;
    std::string tags;
    int32_t category = 0;
    int32_t category2 = 0;
    int32_t category3 = 0;
    int32_t moderator = 0;
};

struct Options {
    Command command = Command::Login;
    std::string user;
    int retries = 0;
    int32_t parent = 0;      // categories
    bool recursive = false;  // categories
    UploadOptions upload;
};

struct ParseResult {
    std::optional<Options> options;  // empty: stop with exitStatus (help or error printed)
    int exitStatus = 0;
};

ParseResult parseCommandLine(int argc, const char* const* argv, std::ostream& out,
                             std::ostream& err);

// What is wrong with arguments that parsed, naming the argument; empty when
// nothing is. Looks at the file system for the upload's file.
std::optional<std::string> findBadArgument(const Options& options);

}  // namespace clipferry::cli
