// The service's lists as JSON text in the ledger; a damaged or unreadable
// entry is a miss, never an error: the service is asked instead.
#include "list_cache.h"

#include <nlohmann/json.hpp>

namespace clipferry::cli {

namespace {
nlohmann::json choicesJson(const std::vector<Choice>& choices) {
    nlohmann::json list = nlohmann::json::array();
    for (const Choice& choice : choices) list.push_back({choice.id, choice.name});
    return list;
}

std::vector<Choice> choicesFrom(const nlohmann::json& list) {
    std::vector<Choice> choices;
    for (const auto& item : list) {
        choices.push_back({item.at(0).get<int32_t>(), item.at(1).get<std::string>()});
    }
    return choices;
}
}  // namespace

ListCache::ListCache(Ledger* ledger, std::string scope, std::chrono::seconds maxAge)
    : ledger_(ledger), scope_(std::move(scope)), maxAge_(maxAge) {}

std::optional<std::string> ListCache::read(const char* name) {
    if (!ledger_ || bypassed_) return std::nullopt;
    try {
        return ledger_->cached(scope_ + " " + name, maxAge_);
    } catch (const LedgerError&) {
        return std::nullopt;
    }
}

void ListCache::write(const char* name, const std::string& value) {
    if (!ledger_) return;
    try {
        ledger_->keep(scope_ + " " + name, value);
    } catch (const LedgerError&) {
        // Kept or not, this run has the list it needs.
    }
}

std::optional<std::string> ListCache::fileTypes() {
    auto text = read("file-types");
    served_ |= text.has_value();
    return text;
}

std::optional<std::vector<Choice>> ListCache::categories() {
    auto text = read("categories");
    if (!text) return std::nullopt;
    try {
        auto choices = choicesFrom(nlohmann::json::parse(*text));
        served_ = true;
        return choices;
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

std::optional<std::optional<std::vector<Choice>>> ListCache::moderators() {
    auto text = read("moderators");
    if (!text) return std::nullopt;
    try {
        nlohmann::json list = nlohmann::json::parse(*text);
        served_ = true;
        if (list.is_null()) return std::optional<std::vector<Choice>>();
        return std::optional<std::vector<Choice>>(choicesFrom(list));
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

void ListCache::keepFileTypes(const std::string& fileTypes) { write("file-types", fileTypes); }

void ListCache::keepCategories(const std::vector<Choice>& categories) {
    write("categories", choicesJson(categories).dump());
}

void ListCache::keepModerators(const std::optional<std::vector<Choice>>& moderators) {
    write("moderators", moderators ? choicesJson(*moderators).dump() : "null");
}

}  // namespace clipferry::cli
