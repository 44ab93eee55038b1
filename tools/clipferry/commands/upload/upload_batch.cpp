// Each upload's verdict, the summary of a batch, and both as JSON.
#include "commands/upload/upload_batch.h"

#include "service/result_codes.h"

namespace clipferry::cli {

const char* verdictName(Verdict verdict) {
    switch (verdict) {
    case Verdict::Accepted: return "accepted";
    case Verdict::Refused: return "refused";
    case Verdict::Failed: return "failed";
    case Verdict::NotSent: return "not sent";
    case Verdict::MayHaveBeenReceived: return "may have been received";
    case Verdict::Skipped: return "skipped";
    case Verdict::Cancelled: return "cancelled";
    }
    return "failed";
}

Verdict verdictFor(int32_t result, bool everyByteSent, bool noMessage) {
    if (result == CLIPFERRY_OK) return Verdict::Accepted;
    if (results::mayHaveBeenReceived(result, everyByteSent, noMessage)) return Verdict::MayHaveBeenReceived;
    return exitStatusFor(result) == exit_status::refused ? Verdict::Refused : Verdict::Failed;
}

BatchSummary summarize(const std::vector<UploadOutcome>& outcomes) {
    BatchSummary summary;
    for (const UploadOutcome& outcome : outcomes) {
        switch (outcome.verdict) {
        case Verdict::Accepted: ++summary.accepted; break;
        case Verdict::Refused: ++summary.refused; break;
        case Verdict::Failed: ++summary.failed; break;
        case Verdict::NotSent: ++summary.notSent; break;
        case Verdict::MayHaveBeenReceived: ++summary.mayHaveBeenReceived; break;
        case Verdict::Skipped: ++summary.skipped; break;
        case Verdict::Cancelled: ++summary.cancelled; break;
        }
        summary.exitStatus = worseExitStatus(summary.exitStatus, outcome.exitStatus);
    }
    return summary;
}

std::string summaryLine(const BatchSummary& summary) {
    int files = summary.accepted + summary.refused + summary.failed + summary.notSent +
                summary.mayHaveBeenReceived + summary.skipped + summary.cancelled;
    std::string line = std::to_string(files) + (files == 1 ? " file: " : " files: ") +
                       std::to_string(summary.accepted) + " accepted, " +
                       std::to_string(summary.refused) + " refused, " +
                       std::to_string(summary.failed) + " failed";
    if (summary.mayHaveBeenReceived > 0) {
        line += ", " + std::to_string(summary.mayHaveBeenReceived) + " may have been received";
    }
    if (summary.cancelled > 0) {
        line += ", " + std::to_string(summary.cancelled) + " cancelled";
    }
    if (summary.notSent > 0) {
        line += ", " + std::to_string(summary.notSent) + " not sent";
    }
    if (summary.skipped > 0) {
        line += ", " + std::to_string(summary.skipped) + " skipped (sent before)";
    }
    return line;
}

nlohmann::ordered_json uploadJson(const UploadOutcome& outcome) {
    nlohmann::ordered_json document = {{"ok", outcome.verdict == Verdict::Accepted || outcome.verdict == Verdict::Skipped},
                               {"file", outcome.file},
                               {"title", outcome.title},
                               {"bytes", outcome.bytes},
                               {"bytes_sent", static_cast<uint64_t>(outcome.bytesSent)},
                               {"seconds", outcome.seconds},
                               {"verdict", verdictName(outcome.verdict)},
                               {"message", outcome.message},
                               {"result", outcome.result},
                               {"exit_status", outcome.exitStatus}};
    if (!outcome.error.empty()) document["error"] = outcome.error;
    if (!outcome.publishedAt.empty()) document["published"] = outcome.publishedAt;
    return document;
}

nlohmann::ordered_json batchJson(const std::vector<UploadOutcome>& outcomes, const BatchSummary& summary) {
    nlohmann::ordered_json uploads = nlohmann::ordered_json::array();
    for (const UploadOutcome& outcome : outcomes) uploads.push_back(uploadJson(outcome));
    return {{"ok", summary.exitStatus == 0},
            {"uploads", std::move(uploads)},
            {"summary",
             {{"accepted", summary.accepted},
              {"refused", summary.refused},
              {"failed", summary.failed},
              {"not_sent", summary.notSent},
              {"may_have_been_received", summary.mayHaveBeenReceived},
              {"skipped", summary.skipped},
              {"cancelled", summary.cancelled}}},
            {"exit_status", summary.exitStatus}};
}

}  // namespace clipferry::cli
