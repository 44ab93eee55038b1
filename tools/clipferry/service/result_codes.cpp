#include "service/result_codes.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <vector>

#include <clipferry.h>

#include "text/units.h"
#include "text/text.h"

namespace clipferry::cli {

namespace {
// Every exit status (those of the library's results are the results table's)
// and its line in the help; in the order a batch ranks them, worst first.
struct StatusRow {
    int status;
    const char* help;  // its text in the help table
};

const std::vector<StatusRow>& statusRows() {
    static const std::vector<StatusRow> rows = {
        {exit_status::interrupted,
         "interrupted with Ctrl-C (after saying what was and was not sent); SIGTERM\n"
         "      and SIGHUP likewise, ending the command by their own signal (143, 129)"},
        {exit_status::usage, "command line not understood"},
        {exit_status::cancelled, "libcurl could not be loaded (result 42)"},
        {exit_status::failure,
         "the command failed on this side (no terminal for the password, a ledger of\n"
         "      uploads that cannot be used or written: see --no-ledger)"},
        {exit_status::unknownResult, "a result outside the known ranges"},
        {exit_status::networkOther,
         "any other libcurl failure (TLS, protocol...); the message gives its code"},
        {exit_status::unreachable,
         "could not reach the service or the proxy (resolve, connect, proxy handshake)"},
        {exit_status::timedOut, "timed out or stalled (also --stall-timeout)"},
        {exit_status::connectionBroke,
         "the connection broke (nothing received, send or receive error, ended early)"},
        {exit_status::badArgument,
         "bad argument or state (result 82, a check before sending, a mistake in\n"
         "      config.toml or the --meta file; the message names what was wrong)"},
        {exit_status::refused,
         "refused by the service (result 83; login refused or the service's message)"},
        {exit_status::notRemembered,
         "login --remember logged in, but the password could not be kept in the keyring\n"
         "      (the message says why: no keyring service, a locked keyring...)"},
        {exit_status::ok, "success (every upload accepted)"},
    };
    return rows;
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
        "(libcurl result " + std::to_string(result) + ": " + clipferry_result_text(result) + ")";
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
    case results::code::WRITE_ERROR:
        return "could not keep the answer " + cause +
               ": the temporary directory (TMPDIR, else /tmp) cannot hold a file, or no memory "
               "is left; check TMPDIR and the free space";
    case results::code::READ_ERROR:
        return "the file ended early or changed while it was sent " + cause +
               "; the upload was stopped before it was complete, so nothing was published: send "
               "it again once the file is written in full";
    case results::code::ANSWER_TOO_LARGE:
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

int exitStatusFor(int32_t result) { return results::exitStatusFor(result); }

bool isTransient(int32_t result) { return results::isRetryable(result); }

int worseExitStatus(int a, int b) {
    // A status not in the table ranks with the worst.
    auto rank = [](int status) {
        const auto& rows = statusRows();
        auto found = std::find_if(rows.begin(), rows.end(),
                                  [&](const StatusRow& row) { return row.status == status; });
        return found == rows.end() ? -1 : found - rows.begin();
    };
    return rank(a) <= rank(b) ? a : b;
}


Explanation explain(Operation operation, int32_t result, const Circumstances& circumstances) {
    std::string text;
    int status = exitStatusFor(result);
    switch (result) {
    case CLIPFERRY_OK:
        text = "ok";
        break;
    case CLIPFERRY_BAD_ARGUMENT:
        text = badArgumentText(operation);
        break;
    case CLIPFERRY_REFUSED:
        text = refusedText(operation, circumstances);
        break;
    case CLIPFERRY_ABORTED:
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
        text = results::meaningOf(result) != results::Meaning::Unknown
                   ? networkText(result, circumstances)
                   : "unexpected result " + std::to_string(result);
    }
    std::string subject = operationName(operation);
    if (operation == Operation::Upload && !circumstances.file.empty()) {
        subject += " of " + visible(circumstances.file);
    }
    return {status, subject + ": " + text};
}

std::string exitStatusTable() {
    std::vector<const StatusRow*> byStatus;
    std::string worstFirst;
    for (const StatusRow& row : statusRows()) {
        byStatus.push_back(&row);
        // A batch of uploads never ends with a usage error (that comes before
        // any), nor with login's own status.
        if (row.status != exit_status::usage && row.status != exit_status::notRemembered) {
            worstFirst += " " + std::to_string(row.status);
        }
    }
    std::sort(byStatus.begin(), byStatus.end(),
              [](const StatusRow* a, const StatusRow* b) { return a->status < b->status; });
    std::string table = "Exit status:\n";
    for (const StatusRow* row : byStatus) {
        std::string number = std::to_string(row->status);
        table += "  " + number + std::string(4 - number.size(), ' ') + row->help + "\n";
    }
    return table + "For several files, the worst of theirs, worst first:" + worstFirst + ".\n";
}

}  // namespace clipferry::cli
