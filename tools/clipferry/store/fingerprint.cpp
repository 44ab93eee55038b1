// The whole-file SHA-256 fingerprint (libcrypto) and the file identity it is kept with.
#include "store/fingerprint.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "store/file_descriptor.h"

namespace clipferry::cli {

namespace {
struct FreeDigest {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

// 1 MiB reads: large enough that the system calls cost nothing beside the hash.
constexpr size_t kReadSize = 1 << 20;
constexpr int kReads = 3;  // the first read and two more when the file changed meanwhile

FileIdentity identityFrom(const struct stat& info) {
    FileIdentity identity;
    identity.device = static_cast<uint64_t>(info.st_dev);
    identity.inode = static_cast<uint64_t>(info.st_ino);
    identity.size = static_cast<uint64_t>(info.st_size);
    identity.modifiedNs = static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    identity.changedNs = static_cast<int64_t>(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec;
    return identity;
}

FingerprintError cannotRead(const std::string& path) {
    return FingerprintError(path + ": cannot be read for its fingerprint: " + std::strerror(errno));
}

std::string hex(const unsigned char* bytes, unsigned int length) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}
}  // namespace

bool FileIdentity::operator==(const FileIdentity& other) const {
    return device == other.device && inode == other.inode && size == other.size &&
           modifiedNs == other.modifiedNs && changedNs == other.changedNs;
}

std::optional<FileIdentity> identityOf(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return std::nullopt;
    return identityFrom(info);
}

Fingerprint fingerprintFile(const std::string& path, const HashProgress& progress) {
    FileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) throw cannotRead(path);
    posix_fadvise(file.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    // No larger than the file: clearing 1 MiB for each small file of a large
    // folder costs more than hashing them.
    struct stat first {};
    if (fstat(file.get(), &first) != 0) throw cannotRead(path);
    const uint64_t fileSize = static_cast<uint64_t>(first.st_size);
    std::vector<unsigned char> buffer(std::clamp<uint64_t>(fileSize, 4096, kReadSize));
    for (int read = 0; read < kReads; ++read) {
        struct stat before {};
        if (fstat(file.get(), &before) != 0) throw cannotRead(path);
        std::unique_ptr<EVP_MD_CTX, FreeDigest> digest(EVP_MD_CTX_new());
        if (!digest || EVP_DigestInit_ex(digest.get(), EVP_sha256(), nullptr) != 1) {
            throw FingerprintError("SHA-256 is not available");
        }
        const uint64_t size = static_cast<uint64_t>(before.st_size);
        uint64_t done = 0;
        for (;;) {
            const ssize_t got = pread(file.get(), buffer.data(), buffer.size(), static_cast<off_t>(done));
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) throw cannotRead(path);
            if (got == 0) break;
            EVP_DigestUpdate(digest.get(), buffer.data(), static_cast<size_t>(got));
            done += static_cast<uint64_t>(got);
            if (progress && !progress(done, size)) throw FingerprintError(path + ": not checked");
        }
        unsigned char hash[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        EVP_DigestFinal_ex(digest.get(), hash, &length);
        struct stat after {};
        if (fstat(file.get(), &after) != 0) throw cannotRead(path);
        const FileIdentity identity = identityFrom(after);
        if (identity == identityFrom(before) && done == size) {
            return {kFingerprintPrefix + hex(hash, length), identity};
        }
    }
    throw FingerprintError(path + ": changes while it is read for its fingerprint; send it once "
                                  "it is written in full");
}

}  // namespace clipferry::cli
