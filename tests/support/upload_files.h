// Files for the upload tests: the temporary folder, files written into it,
// and the SHA-256 of a file as the sha256sum tool reports it.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "platform/text.h"
#include "temporary_folder.h"

namespace clipferry::testing {

using TemporaryFolder = test::TemporaryFolder;

inline std::u16string Wide(const std::string& utf8) { return platform::Utf8ToUtf16(utf8); }

inline std::string Sha256Of(const std::string& file) {
    const std::string command = "sha256sum '" + file + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    char digest[65] = {};
    if (pipe == nullptr || std::fscanf(pipe.get(), "%64s", digest) != 1) return "";
    return digest;
}

// Bytes that differ from position to position, so a lost or repeated chunk shows.
inline std::string PatternBytes(size_t count) {
    std::string bytes(count, '\0');
    uint32_t state = 2463534242u;
    for (char& byte : bytes) {
        state ^= state << 13, state ^= state >> 17, state ^= state << 5;
        byte = char(state);
    }
    return bytes;
}

}  // namespace clipferry::testing
