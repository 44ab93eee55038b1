// The command line's mistakes in the command's own words: the parser's errors
// retold, an unknown option, and the command a mistyped word most likely meant.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

namespace clipferry::cli {

// The command `word` was most likely meant to be: one it begins, else one at
// most two letters away (a letter left out, added, changed or two swapped);
// empty when none is.
std::string likelyCommand(const CLI::App& app, const std::string& word);

// "unknown option WORD", with where the password goes instead when the word is --password.
std::string unknownOptionText(const std::string& word);

// CLI11's error in the command's own voice, without the parser's words.
std::string describeParseError(const CLI::App& app, const CLI::ParseError& error);

}  // namespace clipferry::cli
