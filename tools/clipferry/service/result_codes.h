// What each library result means to the person at the terminal, and the
// exit status the command ends with for it.
#pragma once

#include <cstdint>
#include <string>

#include <clipferry-common/results.h>

namespace clipferry::cli {

enum class Operation { Login, FileTypes, Categories, Moderators, Upload };

// One status per kind of outcome, stable across libcurl versions, all below
// the shells' 126 (not executable), 127 (not found) and 128 + signal, but
// Ctrl-C, which ends the command as the signal would (130). Those of the
// library's results are the results table's (common/results).
namespace exit_status {
constexpr int ok = results::about(results::Meaning::Accepted).exitStatus;
constexpr int failure = 1;          // the command itself failed (no context, no terminal...)
constexpr int usage = 2;            // the command line could not be parsed
// the library would not send it, or the command rejected an argument first
constexpr int badArgument = results::about(results::Meaning::NotSent).exitStatus;
constexpr int refused = results::about(results::Meaning::Refused).exitStatus;
// result 42 neither a cancel (130) nor a stall (7): libcurl not loaded
constexpr int cancelled = results::about(results::Meaning::Cancelled).exitStatus;
constexpr int unreachable = results::about(results::Meaning::Unreachable).exitStatus;
constexpr int timedOut = results::about(results::Meaning::TimedOut).exitStatus;
constexpr int connectionBroke = results::about(results::Meaning::ConnectionBroke).exitStatus;
constexpr int unknownResult = results::about(results::Meaning::Unknown).exitStatus;
constexpr int networkOther = results::about(results::Meaning::Failed).exitStatus;
constexpr int notRemembered = 11;   // login --remember logged in, but the keyring did not keep the password
constexpr int interrupted = 130;    // Ctrl-C, as the shell reports a command SIGINT ended
}  // namespace exit_status

const char* operationName(Operation operation);

// The exit status for a library result.
int exitStatusFor(int32_t result);

// A failure that may pass by itself (the results table's retryable
// meanings: unreachable, timed out, connection broke); the others are final.
bool isTransient(int32_t result);

// Of two exit statuses, the one a batch of uploads should end with: the
// command's own failures before network failures, before refusals, before success.
int worseExitStatus(int a, int b);

// What the command knew when the operation failed, for the explanation.
struct Circumstances {
    std::string serviceMessage;  // what the service said (upload)
    bool interrupted = false;    // Ctrl-C was pressed
    std::string proxy;           // the proxy tried; empty when none
    std::string host;            // the service's host, e.g. "http://api.lumivid.example"
    std::string file;            // the upload's file
    bool everyByteSent = false;  // the failure came while the verdict was awaited
    std::string proxySource = "CLIPFERRY_PROXY_SERVER";  // where the proxy was set: flag, variable, file
    std::string passwordSource = "CLIPFERRY_PASSWORD";  // how the password was given, for the hint
    std::string userSource = "--user";  // where the user name was set: flag, variable, file
    // What a refused login's answer was: a Lumivid refusal, something else
    // (a proxy or web server that is not Lumivid's), or not known.
    enum class LoginAnswer { Unknown, Lumivid, NotLumivid } loginAnswer = LoginAnswer::Unknown;
    std::string dumpFile;   // where the log switch kept the raw answer; empty when it is off
    double stalledFor = 0;  // --stall-timeout gave up after this many seconds without progress
    double stallLimit = 0;  // the --stall-timeout given, in seconds; 0: the library's own
};

struct Explanation {
    int exitStatus;
    std::string text;  // one line, starts with the operation's name
};

Explanation explain(Operation operation, int32_t result, const Circumstances& circumstances = {});

// The table printed under the top-level --help.
std::string exitStatusTable();

}  // namespace clipferry::cli
