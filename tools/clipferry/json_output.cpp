#include "json_output.h"

namespace clipferry::cli {

nlohmann::ordered_json failureDocument(const std::string& operation, std::optional<int32_t> result,
                               int exitStatus, const std::string& error) {
    nlohmann::ordered_json document = {{"ok", false}};
    if (!operation.empty()) document["operation"] = operation;
    if (result) document["result"] = *result;
    document["exit_status"] = exitStatus;
    document["error"] = error;
    return document;
}

nlohmann::ordered_json categoriesJson(const std::vector<Category>& tree, bool withChildren) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const Category& category : tree) {
        nlohmann::ordered_json item = {{"id", category.id}, {"name", category.name}};
        if (withChildren) item["children"] = categoriesJson(category.children, true);
        list.push_back(std::move(item));
    }
    return list;
}

nlohmann::ordered_json uploadJson(const UploadOutcome& outcome) {
    nlohmann::ordered_json document = {{"ok", outcome.verdict == Verdict::Accepted},
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

nlohmann::ordered_json batchJson(const std::vector<UploadOutcome>& outcomes, const BatchSummary& summary) {
    nlohmann::ordered_json uploads = nlohmann::ordered_json::array();
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

std::string render(const nlohmann::ordered_json& document) {
    return document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

}  // namespace clipferry::cli
