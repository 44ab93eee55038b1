// What each library result means to the person at the terminal, and the
// exit status the command ends with for it.
#pragma once

#include <cstdint>
#include <string>

namespace clipferry::cli {

enum class Operation { Login, FileTypes, Categories, Moderators, Upload };

namespace exit_status {
constexpr int ok = 0;
constexpr int failure = 1;        // the command itself failed (no context, no terminal...)
constexpr int usage = 2;          // the command line could not be parsed
constexpr int badArgument = 3;    // result 82, or an argument the command rejected first
constexpr int refused = 4;        // result 83
constexpr int cancelled = 5;      // result 42
constexpr int unknownResult = 9;  // a result that is none of the above
constexpr int curlBase = 10;      // libcurl result N (1..117) gives 10 + N
}  // namespace exit_status

const char* operationName(Operation operation);

// The exit status for a library result; distinct for every result.
int exitStatusFor(int32_t result);

// libcurl's result in words, e.g. "timed out".
std::string curlErrorName(int32_t code);

struct Explanation {
    int exitStatus;
    std::string text;  // one line, starts with the operation's name
};

// serviceMessage: what the service said (upload); interrupted: Ctrl-C was pressed.
Explanation explain(Operation operation, int32_t result, const std::string& serviceMessage = {},
                    bool interrupted = false);

// The table printed under --help.
std::string exitStatusTable();

}  // namespace clipferry::cli
