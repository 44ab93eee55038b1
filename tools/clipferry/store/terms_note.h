// The note that a user was told that uploading accepts the service's terms:
// a small file of the command's own in the state folder, beside the ledger,
// so the user's config.toml is never written.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>

#include "store/config.h"

namespace clipferry::cli {

struct TermsNoteError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// terms-accepted.json in the ledger's folder ($XDG_STATE_HOME/clipferry,
// else $HOME/.local/state/clipferry); empty when neither variable helps.
std::optional<std::filesystem::path> termsNotePath(const EnvLookup& env);

// Whether the note names `user`. A missing file names no one. Throws
// TermsNoteError for a link, a file that is not the note, or one that
// cannot be read.
bool termsNoted(const std::filesystem::path& path, const std::string& user);
// Every user the note names; throws as termsNoted does.
std::set<std::string> termsNotedUsers(const std::filesystem::path& path);

// Adds `user` with the time. Creates the folder (0700) when missing; writes
// a new file (0600) beside the old one and renames it over, so a failure or
// a second command at the same moment leaves a whole note. Refuses a link
// and a file it cannot read as the note, which are left as they are. Throws
// TermsNoteError.
void noteTermsAccepted(const std::filesystem::path& path, const std::string& user,
                       std::chrono::system_clock::time_point when);

}  // namespace clipferry::cli
