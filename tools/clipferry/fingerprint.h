// A fingerprint of a file's content that survives a rename and costs little
// even for a file of several GiB: its size and a SHA-256 of sampled blocks.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace clipferry::cli {

struct FingerprintError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// How much of a file the fingerprint reads: a file up to kWholeFileLimit is
// hashed whole; a larger one in kSampleCount blocks of kSampleSize spread
// evenly from its first byte to its last (1 MiB in all, whatever its size).
constexpr uint64_t kSampleSize = 64 * 1024;
constexpr int kSampleCount = 16;
constexpr uint64_t kWholeFileLimit = kSampleSize * kSampleCount;

// "SIZE:HEX" where HEX is the SHA-256 of the size and the bytes read. Two
// files of the same size that differ only between the samples have the same
// fingerprint; a video re-encoded, trimmed or re-exported never does.
// Throws FingerprintError when the file cannot be read.
std::string fingerprintFile(const std::string& path);

}  // namespace clipferry::cli
