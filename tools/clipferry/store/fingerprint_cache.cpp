// The fingerprints table of the ledger's database.
#include "store/fingerprint_cache.h"

#include "store/ledger_statement.h"

namespace clipferry::cli {

std::optional<std::string> FingerprintCache::known(const FileIdentity& identity) {
    Statement query(ledger_.db_, "SELECT fingerprint FROM fingerprints WHERE device = ? AND inode = ? AND "
                                 "size = ? AND modified = ? AND changed = ?");
    query.bind(static_cast<int64_t>(identity.device)).bind(static_cast<int64_t>(identity.inode))
        .bind(static_cast<int64_t>(identity.size)).bind(identity.modifiedNs).bind(identity.changedNs);
    if (!query.step()) return std::nullopt;
    return query.text(0);
}

void FingerprintCache::keep(const std::vector<Fingerprint>& prints) {
    if (prints.empty()) return;
    ledger_.execute("BEGIN IMMEDIATE");
    try {
        Statement insert(ledger_.db_, "INSERT OR REPLACE INTO fingerprints "
                                      "(device, inode, size, modified, changed, fingerprint) VALUES (?, ?, ?, ?, ?, ?)");
        for (const Fingerprint& print : prints) {
            const FileIdentity& identity = print.identity;
            insert.reset();
            insert.bind(static_cast<int64_t>(identity.device)).bind(static_cast<int64_t>(identity.inode))
                .bind(static_cast<int64_t>(identity.size)).bind(identity.modifiedNs)
                .bind(identity.changedNs).bind(print.text).step();
        }
        ledger_.execute("COMMIT");
    } catch (const LedgerError&) {
        if (sqlite3_get_autocommit(ledger_.db_) == 0) sqlite3_exec(ledger_.db_, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

}  // namespace clipferry::cli
