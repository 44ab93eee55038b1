// The lists table of the ledger's database.
#include "store/kept_lists.h"

#include "store/ledger_statement.h"

namespace clipferry::cli {

std::optional<std::string> KeptLists::cached(const std::string& key, std::chrono::seconds maxAge) {
    Statement query(ledger_.db_, "SELECT value FROM lists WHERE key = ? AND "
                                 "fetched > CAST(strftime('%s', 'now') AS INTEGER) - ?");
    query.bind(key).bind(static_cast<int64_t>(maxAge.count()));
    if (!query.step()) return std::nullopt;
    return query.text(0);
}

void KeptLists::keep(const std::string& key, const std::string& value) {
    Statement insert(ledger_.db_, "INSERT OR REPLACE INTO lists (key, value, fetched) "
                                  "VALUES (?, ?, CAST(strftime('%s', 'now') AS INTEGER))");
    insert.bind(key).bind(value);
    insert.step();
}

}  // namespace clipferry::cli
