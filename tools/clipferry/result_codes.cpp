#include "result_codes.h"

#include <map>

namespace clipferry::cli {

namespace {
constexpr int32_t kOk = 0;
constexpr int32_t kAborted = 42;
constexpr int32_t kBadArgument = 82;
constexpr int32_t kRefused = 83;
constexpr int32_t kHighestCurlCode = 117;  // keeps 10 + N below the shells' 128 + signal range

const std::map<int32_t, const char*>& curlNames() {
    static const std::map<int32_t, const char*> names = {
        {1, "unsupported protocol"},
        {2, "libcurl could not initialise"},
        {3, "malformed URL"},
        {4, "a libcurl feature is missing"},
        {5, "could not resolve the proxy"},
        {6, "could not resolve the host"},
        {7, "could not connect (connection refused, nothing listening)"},
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
        {52, "the server sent nothing (connection dropped)"},
        {53, "TLS engine not found"},
        {55, "send error"},
        {56, "receive error"},
        {58, "local TLS certificate problem"},
        {59, "TLS cipher not usable"},
        {60, "the server's TLS certificate is not trusted"},
        {61, "unrecognised transfer encoding"},
        {63, "the file is larger than allowed"},
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

std::string refusedText(Operation operation, const std::string& serviceMessage) {
    switch (operation) {
    case Operation::Login:
        return "login refused (wrong user name or password?)";
    case Operation::Upload:
        return serviceMessage.empty() ? "refused by the service (no message)"
                                      : "refused by the service: " + serviceMessage;
    default:
        return "refused by the service";
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
    default:
        if (result >= 1 && result <= kHighestCurlCode) {
            return exit_status::curlBase + result;
        }
        return exit_status::unknownResult;
    }
}

std::string curlErrorName(int32_t code) {
    auto found = curlNames().find(code);
    return found != curlNames().end() ? found->second : "libcurl error";
}

Explanation explain(Operation operation, int32_t result, const std::string& serviceMessage,
                    bool interrupted) {
    std::string text;
    switch (result) {
    case kOk:
        text = "ok";
        break;
    case kBadArgument:
        text = badArgumentText(operation);
        break;
    case kRefused:
        text = refusedText(operation, serviceMessage);
        break;
    case kAborted:
        text = interrupted ? "cancelled"
                           : "aborted: libcurl could not be loaded (see CLIPFERRY_CURL_LIBRARY) "
                             "or the transfer was stopped (libcurl result 42)";
        break;
    default:
        if (result >= 1 && result <= kHighestCurlCode) {
            text = curlErrorName(result) + " (libcurl result " + std::to_string(result) + ")";
        } else {
            text = "unexpected result " + std::to_string(result);
        }
    }
    return {exitStatusFor(result), std::string(operationName(operation)) + ": " + text};
}

std::string exitStatusTable() {
    return "Exit status:\n"
           "  0       success (upload accepted)\n"
           "  1       the command failed before reaching the service (no terminal for the password...)\n"
           "  2       command line not understood\n"
           "  3       bad argument or state (result 82; the message names what was wrong)\n"
           "  4       refused by the service (result 83; login refused or the service's message)\n"
           "  5       cancelled with Ctrl-C, or libcurl could not be loaded (result 42)\n"
           "  9       a result outside the known ranges\n"
           "  10+N    libcurl error N, e.g. 16 could not resolve host, 17 could not connect,\n"
           "          38 timed out, 62 connection dropped, 65 send error, 66 receive error\n";
}

}  // namespace clipferry::cli
