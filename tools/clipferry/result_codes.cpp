#include "result_codes.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <map>

#include "text.h"

namespace clipferry::cli {

namespace {
constexpr int32_t kOk = 0;
constexpr int32_t kAborted = 42;
constexpr int32_t kBadArgument = 82;
constexpr int32_t kRefused = 83;
constexpr int32_t kHighestCurlCode = 127;  // libcurl's results stay well below this

bool isCurlResult(int32_t result) { return result >= 1 && result <= kHighestCurlCode; }

// "30 s", "2 min 5 s": how long a stall lasted, as --stall-timeout was given.
std::string formatSeconds(double seconds) {
    const long whole = std::lround(seconds);
    if (whole < 60) return std::to_string(whole) + " s";
    return std::to_string(whole / 60) + " min" + (whole % 60 ? " " + std::to_string(whole % 60) + " s" : "");
}

const std::map<int32_t, const char*>& curlNames() {
    static const std::map<int32_t, const char*> names = {
        {1, "unsupported protocol"},
        {2, "libcurl could not initialise"},
        {3, "malformed URL"},
        {4, "a libcurl feature is missing"},
        {5, "could not resolve the proxy"},
        {6, "could not resolve the host"},
        {7, "could not connect"},
        {8, "unexpected server reply"},
        {16, "HTTP/2 error"},
        {18, "the transfer ended early"},
        {22, "HTTP error status"},
        {23, "could not write the received data"},
        {25, "the upload failed"},
        {26, "could not read the file to send"},
        {27, "out of memory"},
        {28, "timed out"},
        {33, "range request not supported"},
        {35, "TLS handshake failed"},
        {43, "bad argument given to libcurl"},
        {45, "could not bind the local interface"},
        {47, "too many redirects"},
        {52, "the server sent nothing"},
        {53, "TLS engine not found"},
        {55, "send error"},
        {56, "receive error"},
        {58, "local TLS certificate problem"},
        {59, "TLS cipher not usable"},
        {60, "the server's TLS certificate is not trusted"},
        {61, "unrecognised transfer encoding"},
        {63, "the answer is larger than allowed"},
        {65, "could not rewind the data to send"},
        {67, "login denied by the server"},
        {77, "could not read the CA certificates"},
        {92, "HTTP/2 stream error"},
        {95, "HTTP/3 error"},
        {97, "proxy handshake failed"},
    };
    return names;
}

std::string badArgumentText(Operation operation) {
    switch (operation) {
    case Operation::Login:
        return "bad argument or state: user name or password missing, or libcurl not usable";
    case Operation::FileTypes:
        return "bad argument or state: not logged in, or libcurl not usable";
    case Operation::Categories:
        return "bad argument or state: parent category below 0, or not logged in";
    case Operation::Moderators:
        return "bad argument or state: this account may not choose moderators";
    case Operation::Upload:
        return "bad argument or state: file missing, unreadable or a directory, "
               "or a category or moderator out of range";
    }
    return "bad argument or state";
}

// "the proxy 127.0.0.1:8080 (CLIPFERRY_PROXY_SERVER)" or the service's host.
std::string destination(const Circumstances& c);

std::string loginRefusedText(const Circumstances& c) {
    const std::string dump = c.dumpFile.empty() ? "" : "; " + c.dumpFile + " shows what came back";
    switch (c.loginAnswer) {
    case Circumstances::LoginAnswer::Lumivid:
        return "login refused: wrong user name or password; check " + c.userSource + " and " + c.passwordSource;
    case Circumstances::LoginAnswer::NotLumivid:
        return "the answer did not come from Lumivid: " + destination(c) +
               " did not answer as Lumivid does" +
               (c.proxy.empty() ? "" : "; is it a proxy to Lumivid? check " + c.proxySource) + dump;
    case Circumstances::LoginAnswer::Unknown: break;
    }
    // An empty or unreadable answer gives the same result as a wrong password.
    return "login refused: wrong user name or password, or the service answered without a "
           "verdict; check " + c.userSource + " and " + c.passwordSource + dump;
}

std::string refusedText(Operation operation, const Circumstances& c) {
    const std::string& serviceMessage = c.serviceMessage;
    switch (operation) {
    case Operation::Login: return loginRefusedText(c);
    case Operation::Upload:
        if (serviceMessage.empty() && c.everyByteSent) {
            return "no verdict came after every byte was handed to the network: the answer held "
                   "no message (a gateway's error page?)";
        }
        return serviceMessage.empty() ? "refused by the service (no message)"
                                      : "refused by the service: " + visible(serviceMessage);
    default:
        return "refused by the service";
    }
}

std::string destination(const Circumstances& c) {
    if (!c.proxy.empty()) {
        return "the proxy " + c.proxy + " (" + c.proxySource + ")";
    }
    return c.host.empty() ? std::string("the service") : c.host;
}

std::string networkText(int32_t result, const Circumstances& c) {
    std::string cause =
        "(libcurl result " + std::to_string(result) + ": " + curlErrorName(result) + ")";
    std::string where = destination(c);
    std::string check = c.proxy.empty() ? "check the network connection"
                                        : "is the service or proxy running? check " +
                                              c.proxySource;
    switch (exitStatusFor(result)) {
    case exit_status::unreachable:
        return "could not reach " + where + " " + cause + "; " + check;
    case exit_status::timedOut:
        if (c.everyByteSent) return "timed out waiting for the verdict from " + where + " " + cause;
        return "timed out waiting for " + where + " " + cause + "; try again later, or with --retry";
    case exit_status::connectionBroke:
        if (c.everyByteSent) {
            return "the connection to " + where + " broke after every byte was handed to the network " +
                   cause;
        }
        return "the connection to " + where + " broke " + cause + "; try again, or with --retry";
    default:
        break;
    }
    // Results the library gives for what happened on this side of the network.
    switch (result) {
    case 23:
        return "could not keep the answer " + cause +
               ": the temporary directory (TMPDIR, else /tmp) cannot hold a file, or no memory "
               "is left; check TMPDIR and the free space";
    case 26:
        return "the file ended early or changed while it was sent " + cause +
               "; the upload was stopped before it was complete, so nothing was published: send "
               "it again once the file is written in full";
    case 63:
        return "the answer from " + where + " was larger than the 64 MiB the library takes " +
               cause + "; is " + where + " the Lumivid service?";
    default:
        return "talking to " + where + " failed " + cause;
    }
}
}  // namespace

const char* operationName(Operation operation) {
    switch (operation) {
    case Operation::Login: return "login";
    case Operation::FileTypes: return "file types";
    case Operation::Categories: return "categories";
    case Operation::Moderators: return "moderators";
    case Operation::Upload: return "upload";
    }
    return "operation";
}

int exitStatusFor(int32_t result) {
    switch (result) {
    case kOk: return exit_status::ok;
    case kBadArgument: return exit_status::badArgument;
    case kRefused: return exit_status::refused;
    case kAborted: return exit_status::cancelled;
    case 5:   // could not resolve the proxy
    case 6:   // could not resolve the host
    case 7:   // could not connect
    case 97:  // proxy handshake failed
        return exit_status::unreachable;
    case 28: return exit_status::timedOut;
    case 18:  // the transfer ended early
    case 52:  // nothing received
    case 55:  // send error
    case 56:  // receive error
        return exit_status::connectionBroke;
    default:
        return isCurlResult(result) ? exit_status::networkOther : exit_status::unknownResult;
    }
}

int worseExitStatus(int a, int b) {
    // Worst first; a status not listed ranks with the worst.
    static const int order[] = {exit_status::interrupted,
                                exit_status::usage,          exit_status::cancelled,
                                exit_status::failure,        exit_status::unknownResult,
                                exit_status::networkOther,   exit_status::unreachable,
                                exit_status::timedOut,       exit_status::connectionBroke,
                                exit_status::badArgument,    exit_status::refused,
                                exit_status::ok};
    auto rank = [](int status) {
        auto found = std::find(std::begin(order), std::end(order), status);
        return found == std::end(order) ? -1 : found - std::begin(order);
    };
    return rank(a) <= rank(b) ? a : b;
}

std::string curlErrorName(int32_t code) {
    auto found = curlNames().find(code);
    return found != curlNames().end() ? found->second : "libcurl error";
}

Explanation explain(Operation operation, int32_t result, const Circumstances& circumstances) {
    std::string text;
    int status = exitStatusFor(result);
    switch (result) {
    case kOk:
        text = "ok";
        break;
    case kBadArgument:
        text = badArgumentText(operation);
        break;
    case kRefused:
        text = refusedText(operation, circumstances);
        break;
    case kAborted:
        if (circumstances.interrupted) {
            text = "cancelled";
            status = exit_status::interrupted;
        } else if (circumstances.stalledFor > 0) {
            text = "stalled: nothing moved for " + formatSeconds(circumstances.stalledFor) +
                   (circumstances.stallLimit > 0
                        ? " (the limit given: --stall-timeout " + formatSeconds(circumstances.stallLimit) + ")"
                        : " (--stall-timeout)") +
                   // After the last byte it is no hint to try again: the service may have the video.
                   (circumstances.everyByteSent ? " after every byte was handed to the network"
                                                : "; try again later, or with a longer --stall-timeout");
            status = exit_status::timedOut;
        } else {
            text = "aborted: libcurl could not be loaded (see CLIPFERRY_CURL_LIBRARY) "
                   "or the transfer was stopped (libcurl result 42)";
        }
        break;
    default:
        text = isCurlResult(result) ? networkText(result, circumstances)
                                    : "unexpected result " + std::to_string(result);
    }
    std::string subject = operationName(operation);
    if (operation == Operation::Upload && !circumstances.file.empty()) {
        subject += " of " + visible(circumstances.file);
    }
    return {status, subject + ": " + text};
}

std::string exitStatusTable() {
    return "Exit status:\n"
           "  0   success (every upload accepted)\n"
           "  1   the command failed on this side (no terminal for the password, a ledger of\n"
           "      uploads that cannot be used or written: see --no-ledger)\n"
           "  2   command line not understood\n"
           "  3   bad argument or state (result 82, a check before sending, a mistake in\n"
           "      config.toml or the --meta file; the message names what was wrong)\n"
           "  4   refused by the service (result 83; login refused or the service's message)\n"
           "  5   libcurl could not be loaded (result 42)\n"
           "  6   could not reach the service or the proxy (resolve, connect, proxy handshake)\n"
           "  7   timed out or stalled (also --stall-timeout)\n"
           "  8   the connection broke (nothing received, send or receive error, ended early)\n"
           "  9   a result outside the known ranges\n"
           "  10  any other libcurl failure (TLS, protocol...); the message gives its code\n"
           "  130 interrupted with Ctrl-C (after saying what was and was not sent); SIGTERM\n"
           "      and SIGHUP likewise, ending the command by their own signal (143, 129)\n"
           "For several files, the worst of theirs, worst first: 130 5 1 9 10 6 7 8 3 4 0.\n";
}

}  // namespace clipferry::cli
