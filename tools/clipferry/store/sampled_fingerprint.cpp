// 1.0's sampled fingerprint, read through one descriptor (libcrypto's SHA-256).
#include "store/sampled_fingerprint.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "store/file_descriptor.h"
#include "store/fingerprint.h"

namespace clipferry::cli {

namespace {
constexpr uint64_t kSampleSize = 64 * 1024;
constexpr int kSampleCount = 16;
constexpr uint64_t kWholeFileLimit = kSampleSize * kSampleCount;

struct FreeDigest {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

FingerprintError cannotRead(const std::string& path) {
    return FingerprintError(path + ": cannot be read for its fingerprint: " + std::strerror(errno));
}

void readFully(int fd, unsigned char* into, uint64_t length, uint64_t offset, const std::string& path) {
    uint64_t done = 0;
    while (done < length) {
        const ssize_t got = pread(fd, into + done, length - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw cannotRead(path);
        if (got == 0) throw FingerprintError(path + ": shorter than it was when its size was read");
        done += static_cast<uint64_t>(got);
    }
}
}  // namespace

std::optional<uint64_t> sampledFingerprintSize(const std::string& fingerprint) {
    const size_t colon = fingerprint.find(':');
    if (colon == 0 || colon == std::string::npos || colon > 20 || fingerprint.size() != colon + 65) {
        return std::nullopt;
    }
    uint64_t size = 0;
    for (size_t i = 0; i < colon; ++i) {
        const char c = fingerprint[i];
        if (c < '0' || c > '9') return std::nullopt;
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (size > (UINT64_MAX - digit) / 10) return std::nullopt;
        size = size * 10 + digit;
    }
    return size;
}

std::string sampledFingerprint(const std::string& path) {
    FileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.valid()) throw cannotRead(path);
    struct stat info {};
    if (fstat(file.get(), &info) != 0) throw cannotRead(path);
    const uint64_t size = static_cast<uint64_t>(info.st_size);

    std::unique_ptr<EVP_MD_CTX, FreeDigest> digest(EVP_MD_CTX_new());
    if (!digest || EVP_DigestInit_ex(digest.get(), EVP_sha256(), nullptr) != 1) {
        throw FingerprintError("SHA-256 is not available");
    }
    unsigned char sizeBytes[8];
    for (int i = 0; i < 8; ++i) sizeBytes[i] = static_cast<unsigned char>(size >> (8 * i));
    EVP_DigestUpdate(digest.get(), sizeBytes, sizeof sizeBytes);

    const bool whole = size <= kWholeFileLimit;
    const int blocks = whole ? 1 : kSampleCount;
    const uint64_t blockSize = whole ? size : kSampleSize;
    std::vector<unsigned char> buffer(blockSize);
    for (int i = 0; i < blocks; ++i) {
        const uint64_t offset = whole ? 0 : (size - kSampleSize) * static_cast<uint64_t>(i) / (kSampleCount - 1);
        readFully(file.get(), buffer.data(), blockSize, offset, path);
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
