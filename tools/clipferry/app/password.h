// Where the password comes from: the environment, or the terminal with echo
// off. It is never taken from the command line, where other users could
// read it from the process list.
#pragma once

#include <istream>
#include <optional>
#include <stdexcept>
#include <string>

namespace clipferry::cli {

struct PasswordError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

inline constexpr const char* kPasswordVariable = "CLIPFERRY_PASSWORD";

// The first line of `in` without its line end (--password-stdin).
std::string readPasswordLine(std::istream& in);

// CLIPFERRY_PASSWORD, or asks at the controlling terminal. Throws
// PasswordError when there is neither, or the prompt was interrupted.
std::string obtainPassword(const std::string& user);

}  // namespace clipferry::cli
