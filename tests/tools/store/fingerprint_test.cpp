// The fingerprint the ledger keys on: it survives a rename and notices any change.
#include "store/fingerprint.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/scratch_folder.h"

namespace clipferry::cli {
namespace {

namespace fs = std::filesystem;

std::string patterned(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131) >> 7);
    return bytes;
}

using FingerprintTest = ScratchFolder;

TEST_F(FingerprintTest, SurvivesARenameAndNoticesAnyChangedByte) {
    const size_t big = 3 * 1024 * 1024 + 5;  // several reads, with a short tail
    struct Row {
        const char* name;
        size_t size;
        std::function<void(std::string&)> change;
        bool same;
    };
    const Row rows[] = {
        {"renamed, big", big, [](std::string&) {}, true},
        {"first byte", big, [](std::string& b) { b[0] ^= 1; }, false},
        {"last byte", big, [](std::string& b) { b.back() ^= 1; }, false},
        // Where a sampled fingerprint never looked: a tag rewritten in place.
        {"four bytes in the middle", big, [&](std::string& b) { b.replace(big / 2 + 12345, 4, "TAG!"); }, false},
        {"one byte more", big, [](std::string& b) { b += 'x'; }, false},
        {"middle of a small file", 1000, [](std::string& b) { b[500] ^= 1; }, false},
        {"renamed, empty", 0, [](std::string&) {}, true},
    };
    for (const Row& row : rows) {
        std::string bytes = patterned(row.size);
        const Fingerprint before = fingerprintFile(write("before.mp4", bytes));
        row.change(bytes);
        const std::string afterPath = write("sub/after name.mp4", bytes);
        const Fingerprint after = fingerprintFile(afterPath);
        EXPECT_EQ(before.text == after.text, row.same) << row.name;
        EXPECT_EQ(before.text.rfind("sha256:", 0), 0u) << row.name;
        EXPECT_EQ(after.identity, identityOf(afterPath)) << row.name;
        EXPECT_EQ(after.identity.size, bytes.size()) << row.name;
    }
    EXPECT_THROW(fingerprintFile((dir_ / "missing.mp4").string()), FingerprintError);
}

}  // namespace
}  // namespace clipferry::cli
