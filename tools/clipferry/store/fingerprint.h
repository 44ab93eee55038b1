// A fingerprint of a file's content that survives a rename: the SHA-256 of
// every byte, and the file's identity when it was read, so a rerun over an
// unchanged folder can reuse what it hashed before.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

namespace clipferry::cli {

struct FingerprintError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// What says that a file is still the one hashed: any write, truncation,
// rename over it or copy in its place changes at least one of these (the
// change time moves even when a writer puts the modification time back).
struct FileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    uint64_t size = 0;
    int64_t modifiedNs = 0;
    int64_t changedNs = 0;
    bool operator==(const FileIdentity& other) const;
    bool operator!=(const FileIdentity& other) const { return !(*this == other); }
};

// The identity of the file at `path` now, following links; none when it
// cannot be read.
std::optional<FileIdentity> identityOf(const std::string& path);

// What begins a fingerprint of today; 1.0's began with the file's size.
constexpr char kFingerprintPrefix[] = "sha256:";

struct Fingerprint {
    std::string text;       // "sha256:HEX"
    FileIdentity identity;  // of the bytes hashed
};

// Called now and then while a file is read: bytes hashed, and the file's
// size; false stops the hashing (Ctrl-C) with a FingerprintError.
using HashProgress = std::function<bool(uint64_t done, uint64_t total)>;

// Hashes every byte through one descriptor. A file that changes while it is
// read is read again (twice at most), then a FingerprintError; so is one
// that cannot be read.
Fingerprint fingerprintFile(const std::string& path, const HashProgress& progress = {});

}  // namespace clipferry::cli
