// `clipferry history`: reads the ledger, never creates or writes it, and prints it.
#include "commands/history/history_command.h"

#include <filesystem>
#include <optional>

#include <nlohmann/json.hpp>

#include "app/failure.h"
#include "app/json_output.h"
#include "store/ledger.h"
#include "text/units.h"
#include "service/result_codes.h"
#include "text/text.h"

namespace clipferry::cli {

namespace {
// A noted path as the user would type it here: relative to the current folder
// when that is shorter. One noted relative, by an earlier build, is shown as noted.
std::string shownPath(const std::string& noted, const std::filesystem::path& here) {
    const std::filesystem::path path(noted);
    if (!path.is_absolute() || here.empty() || here == here.root_path()) return noted;
    const std::string relative = path.lexically_relative(here).string();
    return !relative.empty() && relative.size() < noted.size() ? relative : noted;
}
}  // namespace

int historyCommand(Context& context) {
    // Empty: no folder could be named for the ledger.
    const std::optional<std::filesystem::path> path = ledgerPath(context.environment);
    const bool json = context.io.json();
    std::ostream& out = context.io.out();
    std::vector<LedgerEntry> entries;
    std::error_code missing;
    if (path && std::filesystem::exists(*path, missing)) {
        try {
            Ledger ledger(*path, Ledger::Access::Read);
            entries = ledger.entries();
        } catch (const LedgerError& e) {
            const std::string text = std::string("the ledger cannot be read: ") + e.what();
            return tell(context.io, {exit_status::failure, "history", std::nullopt, text, {}});
        }
    }
    if (json) {
        nlohmann::ordered_json uploads = nlohmann::ordered_json::array();
        for (const LedgerEntry& e : entries) {
            uploads.push_back({{"time", e.time},
                               {"user", e.user},
                               {"file", e.path},
                               {"bytes", e.size},
                               {"title", e.title},
                               {"outcome", e.outcome},
                               {"message", e.message},
                               {"fingerprint", e.fingerprint},
                               {"file_changed", e.fileChanged}});
        }
        nlohmann::ordered_json where = nullptr;
        if (path) where = path->string();
        out << render({{"ok", true}, {"ledger", where}, {"uploads", std::move(uploads)}});
        return exit_status::ok;
    }
    if (entries.empty()) {
        out << "no uploads noted yet" << (path ? " in " + path->string() : std::string()) << "\n";
        return exit_status::ok;
    }
    std::error_code noFolder;
    const std::filesystem::path here = std::filesystem::current_path(noFolder);
    for (const LedgerEntry& e : entries) {
        std::string remark;
        if (e.outcome == kLedgerBeingSent) remark = ", pid " + std::to_string(e.pid);
        if (e.claimEnded) remark = ", its clipferry (pid " + std::to_string(e.pid) + ") ended first";
        if (e.fileChanged) remark += ", the file changed while sent";
        out << e.localTime << "  " << visible(e.user) << "  " << e.outcome << " as '" << visible(e.title)
            << "'  " << visible(shownPath(e.path, here)) << " (" << formatBytes(static_cast<double>(e.size)) << remark
            << ")\n";
    }
    return out ? exit_status::ok : exit_status::failure;
}

}  // namespace clipferry::cli
