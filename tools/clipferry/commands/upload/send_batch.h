// Sending the files of a batch one after another through the ledger: each
// claimed before its first byte and settled after its verdict; then the
// summary, or the --json document.
#pragma once

#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/context.h"
#include "commands/upload/batch_ledger.h"
#include "commands/upload/folder_files.h"
#include "commands/upload/list_cache.h"
#include "service/service.h"

namespace clipferry::cli {

// What the upload sends, after the folders and the ledger had their say.
struct Batch {
    std::vector<UploadJob> jobs;                  // every file, in order, skipped ones too
    std::vector<UploadJob> toSend;                // those the ledger does not leave out
    std::map<std::string, LedgerEntry> earlier;   // by file: published before, left out
    std::map<std::string, LedgerEntry> earlierVersions;  // by file sent: other content published from its path
    std::vector<LeftOut> leftOut;                 // what the folders held that is not sent
    bool fromFolders = false;                     // some file came from a folder
};

int sendBatch(const Context& context, const UploadOptions& options, Service& service, const Batch& batch,
              ListCache& cache, BatchLedger& ledger);

// The files this user published before: one line, each file on its own
// with --verbose (or when it is the only one).
void tellPublishedBefore(const Io& io, const Batch& batch);

// A skipped upload's document gets what the ledger says of it.
void withLedgerEntry(nlohmann::ordered_json& upload, const std::map<std::string, LedgerEntry>& earlier);

// " (an earlier version was published on 2026-12-01)" when the file is an
// edit of one published before, else empty.
std::string earlierVersionNote(const std::string& file, const std::map<std::string, LedgerEntry>& versions);

// A sent upload's document gets what the ledger noted of an earlier version.
void withEarlierVersion(nlohmann::ordered_json& upload,
                        const std::map<std::string, LedgerEntry>& versions);

nlohmann::ordered_json leftOutJson(const std::vector<LeftOut>& leftOut);

}  // namespace clipferry::cli
