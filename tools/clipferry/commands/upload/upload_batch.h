// The outcome of each upload of a batch, and the summary the batch ends with.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace clipferry::cli {

// MayHaveBeenReceived: the upload failed after its last byte was handed to
// the network (a dropped connection, a timeout, Ctrl-C while the verdict was
// awaited, an answer without a verdict), so
// the service may have the video; it is not "failed", which means it is not
// there, and it must not be sent again blindly. Skipped: the ledger says this
// user published the file before. Cancelled: Ctrl-C stopped it before its
// last byte, which is the user's doing, not a failure.
enum class Verdict { Accepted, Refused, Failed, NotSent, MayHaveBeenReceived, Skipped, Cancelled };

// "accepted", "refused", "failed", "not sent", "may have been received",
// "skipped", "cancelled"
const char* verdictName(Verdict verdict);

// Accepted for 0, refused for the service's 83 with its message; any other
// result is failed, or may have been received when it came after every byte
// was handed to the network, as is an 83 without a message then (a gateway's
// error page: no verdict could be read).
Verdict verdictFor(int32_t result, bool everyByteSent = false, bool noMessage = false);

struct UploadOutcome {
    std::string file;
    std::string title;
    uint64_t bytes = 0;     // the file's size
    double bytesSent = 0;   // the whole form, as libcurl counted it
    double seconds = 0;  // from the start of the upload to the verdict
    Verdict verdict = Verdict::NotSent;
    std::string message;  // the service's
    int32_t result = 0;   // the library's
    int exitStatus = 0;
    std::string error;  // the explanation, when not accepted
    std::string publishedAt;  // skipped: when the ledger noted it, UTC
};

struct BatchSummary {
    int accepted = 0;
    int refused = 0;
    int failed = 0;
    int notSent = 0;
    int mayHaveBeenReceived = 0;
    int skipped = 0;
    int cancelled = 0;
    int exitStatus = 0;  // the worst of the uploads'
};

BatchSummary summarize(const std::vector<UploadOutcome>& outcomes);

// "3 files: 2 accepted, 1 refused, 0 failed", and the files not sent, that
// may have been received or were skipped, when there are any.
std::string summaryLine(const BatchSummary& summary);

// One upload: file, title, bytes (the file's size), bytes_sent, seconds,
// verdict, message, result, exit status, and the error when there was one.
nlohmann::ordered_json uploadJson(const UploadOutcome& outcome);

// A batch: {"ok", "uploads": [...], "summary": {...}, "exit_status"}.
nlohmann::ordered_json batchJson(const std::vector<UploadOutcome>& outcomes, const BatchSummary& summary);

}  // namespace clipferry::cli
