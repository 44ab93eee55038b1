#include "app/json_output.h"

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

namespace {
template <typename T>
nlohmann::ordered_json settingJson(const Setting<T>& setting) {
    static const char* const kinds[] = {"default", "file", "environment", "command line"};
    nlohmann::ordered_json entry = {{"value", setting.value}, {"origin", kinds[setting.origin.kind]}};
    if (setting.origin.kind != Origin::Default) entry["from"] = setting.origin.name;
    return entry;
}
}  // namespace

nlohmann::ordered_json settingsJson(const Settings& settings, const ConfigFile& file) {
    nlohmann::ordered_json path = nullptr;  // no HOME to look in
    if (settings.configPath) path = settings.configPath->string();
    return {{"ok", true},
            {"config_file", {{"path", path}, {"exists", settings.configFound}}},
            {"settings",
             {{"user", settingJson(settings.user)},
              {"proxy", settingJson(settings.proxy)},
              {"retry", settingJson(settings.retry)},
              {"categories", settingJson(settings.categories)},
              {"moderator", settingJson(settings.moderator)}}},
            {"password_set", settings.passwordSet},
            {"terms_accepted", file.termsAccepted}};
}

std::string render(const nlohmann::ordered_json& document) {
    return document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

}  // namespace clipferry::cli
