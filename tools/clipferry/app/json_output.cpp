// The documents every command shares: a failure, the settings, and how any is printed.
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
