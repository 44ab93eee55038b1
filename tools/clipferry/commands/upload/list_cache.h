// The service's lists that the checks hold uploads against (file types,
// categories, moderators), kept in the ledger's database for a day, so that
// a repeated upload asks the service only for what it sends.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "store/ledger.h"
#include "commands/upload/preflight.h"

namespace clipferry::cli {

class ListCache {
public:
    // `ledger` may be null: nothing is kept. `scope` names the account and
    // the service (user, proxy, host), so no list serves another one.
    ListCache(Ledger* ledger, std::string scope,
              std::chrono::seconds maxAge = std::chrono::hours(24));

    std::optional<std::string> fileTypes();
    std::optional<std::vector<Choice>> categories();
    // The inner value is empty when the account may not choose a moderator.
    std::optional<std::optional<std::vector<Choice>>> moderators();

    void keepFileTypes(const std::string& fileTypes);
    void keepCategories(const std::vector<Choice>& categories);
    void keepModerators(const std::optional<std::vector<Choice>>& moderators);

    // From now on every list is asked for again: --refresh, or a check that
    // failed against a kept list, which may be the list's fault.
    void bypass() { bypassed_ = true; }
    bool bypassed() const { return bypassed_; }
    // Whether any list came from the cache rather than the service.
    bool servedAny() const { return served_; }
    // When the oldest list served was kept, as seconds since the epoch; 0 when none was.
    long long keptSince() const { return keptSince_; }

private:
    std::optional<std::string> read(const char* name);
    void write(const char* name, const nlohmann::json& list);

    Ledger* ledger_;
    std::string scope_;
    std::chrono::seconds maxAge_;
    bool bypassed_ = false;
    bool served_ = false;
    long long keptSince_ = 0;
};

}  // namespace clipferry::cli
