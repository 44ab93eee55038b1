// Files and directories of a test's own, for the XML tests.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>

#include "platform/text.h"
#include "temporary_folder.h"

namespace clipferry::test {

inline std::u16string Wide(const std::string& utf8) { return platform::Utf8ToUtf16(utf8); }

using OwnDirectory = TemporaryFolder;

// Sets TMPDIR for the test's duration and restores what was there.
class TmpdirOverride {
public:
    explicit TmpdirOverride(const std::string& value) {
        if (const char* old = getenv("TMPDIR")) old_ = old;
        Set(value.c_str());
    }
    ~TmpdirOverride() { Set(old_ ? old_->c_str() : nullptr); }
    TmpdirOverride(const TmpdirOverride&) = delete;
    TmpdirOverride& operator=(const TmpdirOverride&) = delete;

private:
    // Null unsets it.
    static void Set(const char* value) {
#if defined(_WIN32)
        _putenv_s("TMPDIR", value != nullptr ? value : "");
#else
        if (value != nullptr) {
            setenv("TMPDIR", value, 1);
        } else {
            unsetenv("TMPDIR");
        }
#endif
    }

    std::optional<std::string> old_;
};

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string Utf16LeWithBom(const std::u16string& text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t unit : text) {
        bytes.push_back(char(unit & 0xFF));
        bytes.push_back(char(unit >> 8));
    }
    return bytes;
}

}  // namespace clipferry::test
