#include "json_output.h"

namespace clipferry::cli {

nlohmann::json failureDocument(const std::string& operation, std::optional<int32_t> result,
                               int exitStatus, const std::string& error) {
    nlohmann::json document = {{"ok", false}};
    if (!operation.empty()) document["operation"] = operation;
    if (result) document["result"] = *result;
    document["exit_status"] = exitStatus;
    document["error"] = error;
    return document;
}

nlohmann::json categoriesJson(const std::vector<Category>& tree, bool withChildren) {
    nlohmann::json list = nlohmann::json::array();
    for (const Category& category : tree) {
        nlohmann::json item = {{"id", category.id}, {"name", category.name}};
        if (withChildren) item["children"] = categoriesJson(category.children, true);
        list.push_back(std::move(item));
    }
    return list;
}

nlohmann::json uploadJson(const UploadOutcome& outcome) {
    nlohmann::json document = {{"ok", outcome.verdict == Verdict::Accepted},
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
    return document;
}

nlohmann::json batchJson(const std::vector<UploadOutcome>& outcomes, const BatchSummary& summary) {
    nlohmann::json uploads = nlohmann::json::array();
    for (const UploadOutcome& outcome : outcomes) uploads.push_back(uploadJson(outcome));
    return {{"ok", summary.exitStatus == 0},
            {"uploads", std::move(uploads)},
            {"summary",
             {{"accepted", summary.accepted},
              {"refused", summary.refused},
              {"failed", summary.failed},
              {"not_sent", summary.notSent}}},
            {"exit_status", summary.exitStatus}};
}

std::string render(const nlohmann::json& document) {
    return document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

}  // namespace clipferry::cli
