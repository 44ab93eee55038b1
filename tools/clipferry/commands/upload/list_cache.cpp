// The service's lists as JSON text in the ledger, each with the time it was
// kept ({"kept": SECONDS, "list": ...}), so a refusal can say how old the
// lists it was checked against were; a damaged or unreadable entry (or one
// written before the time was kept) is a miss, never an error: the service
// is asked instead.
#include "commands/upload/list_cache.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <ctime>
#include "store/kept_lists.h"

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
        auto text = KeptLists(*ledger_).cached(scope_ + " " + name, maxAge_);
        if (!text) return std::nullopt;
        const nlohmann::json kept = nlohmann::json::parse(*text);
        const long long since = kept.at("kept").get<long long>();
        keptSince_ = keptSince_ == 0 ? since : std::min(keptSince_, since);
        return kept.at("list").dump();
    } catch (const LedgerError&) {
        return std::nullopt;
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

void ListCache::write(const char* name, const nlohmann::json& list) {
    if (!ledger_) return;
    try {
        const nlohmann::json kept = {{"kept", static_cast<long long>(std::time(nullptr))},
                                     {"list", list}};
        KeptLists(*ledger_).keep(scope_ + " " + name, kept.dump());
    } catch (const LedgerError&) {
        // Kept or not, this run has the list it needs.
    } catch (const nlohmann::json::exception&) {
        // Text that is not UTF-8 is not kept; the service is asked next time.
    }
}

std::optional<std::string> ListCache::fileTypes() {
    auto text = read("file-types");
    if (!text) return std::nullopt;
    try {
        auto types = nlohmann::json::parse(*text).get<std::string>();
        served_ = true;
        return types;
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
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

void ListCache::keepFileTypes(const std::string& fileTypes) {
    write("file-types", nlohmann::json(fileTypes));
}

void ListCache::keepCategories(const std::vector<Choice>& categories) {
    write("categories", choicesJson(categories));
}

void ListCache::keepModerators(const std::optional<std::vector<Choice>>& moderators) {
    write("moderators", moderators ? choicesJson(*moderators) : nlohmann::json());
}

}  // namespace clipferry::cli
