// UTF-8 (what the terminal and the command line speak) <-> UTF-16 (what the
// library speaks).
#pragma once

#include <stdexcept>
#include <string>

namespace clipferry::cli {

// Thrown for bytes that are not UTF-8.
struct TextError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::u16string toUtf16(const std::string& utf8);
// Unpaired surrogates become U+FFFD: names from the service are shown, never rejected.
std::string toUtf8(const std::u16string& utf16);
std::string toUtf8(const char16_t* utf16);

}  // namespace clipferry::cli
