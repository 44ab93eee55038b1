// `clipferry history`: the ledger's entries, oldest first, as text or JSON.
#pragma once

#include <filesystem>
#include <optional>
#include <ostream>

namespace clipferry::cli {

// `path` empty: no folder could be named for the ledger. Gives the exit status.
int runHistory(const std::optional<std::filesystem::path>& path, bool json, std::ostream& out,
               std::ostream& err);

}  // namespace clipferry::cli
