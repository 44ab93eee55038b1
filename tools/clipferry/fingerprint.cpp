// The sampled-block fingerprint of a file: size plus SHA-256 (libcrypto).
#include "fingerprint.h"

#include <openssl/evp.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>
#include <vector>

namespace clipferry::cli {

namespace {
struct FreeDigest {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

FingerprintError cannotRead(const std::string& path) {
    return FingerprintError(path + ": cannot be read for its fingerprint: " + std::strerror(errno));
}
}  // namespace

std::string fingerprintFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) throw cannotRead(path);
    const auto end = file.tellg();
    if (end < 0) throw cannotRead(path);
    const uint64_t size = static_cast<uint64_t>(end);

    std::unique_ptr<EVP_MD_CTX, FreeDigest> digest(EVP_MD_CTX_new());
    if (!digest || EVP_DigestInit_ex(digest.get(), EVP_sha256(), nullptr) != 1) {
        throw FingerprintError("SHA-256 is not available");
    }
    unsigned char sizeBytes[8];
    for (int i = 0; i < 8; ++i) sizeBytes[i] = static_cast<unsigned char>(size >> (8 * i));
    EVP_DigestUpdate(digest.get(), sizeBytes, sizeof sizeBytes);

    // Offsets spread so the first block starts at 0 and the last ends at the end.
    const bool whole = size <= kWholeFileLimit;
    const int blocks = whole ? 1 : kSampleCount;
    const uint64_t blockSize = whole ? size : kSampleSize;
    std::vector<char> buffer(blockSize);
    for (int i = 0; i < blocks; ++i) {
        const uint64_t offset = whole ? 0 : (size - kSampleSize) * i / (kSampleCount - 1);
        file.seekg(static_cast<std::streamoff>(offset));
        file.read(buffer.data(), static_cast<std::streamsize>(blockSize));
        if (static_cast<uint64_t>(file.gcount()) != blockSize) throw cannotRead(path);
        EVP_DigestUpdate(digest.get(), buffer.data(), blockSize);
    }
    unsigned char hash[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(digest.get(), hash, &length);
    static const char hex[] = "0123456789abcdef";
    std::string text = std::to_string(size) + ":";
    for (unsigned int i = 0; i < length; ++i) {
        text += hex[hash[i] >> 4];
        text += hex[hash[i] & 15];
    }
    return text;
}

}  // namespace clipferry::cli
