// UTF-8 (what the terminal and the command line speak) <-> UTF-16 (what the
// library speaks), and text from outside made safe to print.
#pragma once

#include <stdexcept>
#include <string>

#include <clipferry-common/control_characters.h>
#include <clipferry-common/secret.h>

namespace clipferry::cli {

// Thrown for bytes that are not UTF-8.
struct TextError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::u16string toUtf16(const std::string& utf8);
// A password for the library: its UTF-16 wiped as well. Its TextError does
// not repeat it.
BasicSecret<char16_t> toUtf16(const Secret& utf8);
// Unpaired surrogates become U+FFFD: names from the service are shown, never rejected.
std::string toUtf8(const std::u16string& utf16);
std::string toUtf8(const char16_t* utf16);

using rules::hasControlCharacter;  // C0, DEL or C1; optionally not tab and line breaks

// The text with every control character and every byte that is not UTF-8
// written as an escape ("\x1b", "\n", "\u009b", "\xff"), so that a file's
// name or the service's message cannot move the cursor or recolour the
// terminal it is printed on.
std::string visible(const std::string& text);

}  // namespace clipferry::cli
