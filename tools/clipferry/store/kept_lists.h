// Values kept in the ledger's database with the time they were kept: the
// service's lists, so a batch next hour need not ask for them again.
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "store/ledger.h"

namespace clipferry::cli {

class KeptLists {
public:
    explicit KeptLists(Ledger& ledger) : ledger_(ledger) {}

    // A value kept under `key` no longer ago than `maxAge`.
    std::optional<std::string> cached(const std::string& key, std::chrono::seconds maxAge);
    void keep(const std::string& key, const std::string& value);

private:
    Ledger& ledger_;
};

}  // namespace clipferry::cli
