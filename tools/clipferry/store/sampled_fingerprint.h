// The fingerprint release 1.0 noted in its ledger: "SIZE:HEX", the SHA-256 of
// the size and of sampled blocks. Computed again only to recognise the files
// an earlier ledger recorded; nothing new is noted with it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace clipferry::cli {

// The size a sampled fingerprint names; none when `fingerprint` is not one.
std::optional<uint64_t> sampledFingerprintSize(const std::string& fingerprint);

// As 1.0 computed it: the SHA-256 of the size (8 bytes, least significant
// first) and of the whole file up to 1 MiB, else of 16 blocks of 64 KiB spread
// evenly from its first byte to its last. Throws FingerprintError.
std::string sampledFingerprint(const std::string& path);

}  // namespace clipferry::cli
