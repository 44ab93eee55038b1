// Where the password comes from: the environment, or the terminal with echo
// off. It is never taken from the command line, where other users could
// read it from the process list.
#pragma once

#include <istream>
#include <optional>
#include <stdexcept>
#include <string>

#include <clipferry-common/secret.h>

namespace clipferry::cli {

struct PasswordError : std::runtime_error {
    using std::runtime_error::runtime_error;
};
// No terminal to ask at.
struct NoTerminal : PasswordError {
    using PasswordError::PasswordError;
};

inline constexpr const char* kPasswordVariable = "CLIPFERRY_PASSWORD";

// The first line of `in` without its line end (--password-stdin).
Secret readPasswordLine(std::istream& in);

// Whether there is a controlling terminal to ask the password at.
bool terminalToAsk();

// CLIPFERRY_PASSWORD, or asks at the controlling terminal. Throws
// NoTerminal when there is neither, PasswordError when the prompt was
// interrupted.
Secret obtainPassword(const std::string& user);

}  // namespace clipferry::cli
