// Fingerprints already hashed, kept in the ledger's database by the file's
// identity, so a file that did not change is not read whole again.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "store/fingerprint.h"
#include "store/ledger.h"

namespace clipferry::cli {

class FingerprintCache {
public:
    explicit FingerprintCache(Ledger& ledger) : ledger_(ledger) {}

    // A fingerprint hashed from a file with exactly this identity.
    std::optional<std::string> known(const FileIdentity& identity);
    // In one transaction: a commit per file would cost a sync each. Throws LedgerError.
    void keep(const std::vector<Fingerprint>& prints);

private:
    Ledger& ledger_;
};

}  // namespace clipferry::cli
