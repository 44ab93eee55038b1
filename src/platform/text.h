// Text conversions between the UTF-16 of the host and the DOM and the UTF-8
// of the wire.
#pragma once

#include <cstddef>
#include <string>

namespace clipferry::platform {

// Converts NUL-terminated UTF-16 into out, which holds outSize bytes: at most
// outSize - 1 bytes and a NUL, cut at a character boundary. Unpaired
// surrogates become U+FFFD. Returns the bytes written, terminator excluded.
size_t Utf16ToUtf8(const char16_t* text, char* out, size_t outSize);

// The whole conversion, unbounded.
std::string Utf16ToUtf8(const std::u16string& text);

// Converts UTF-8 (invalid bytes become U+FFFD) to UTF-16.
std::u16string Utf8ToUtf16(const char* text, size_t length);
std::u16string Utf8ToUtf16(const std::string& text);

// Upper-cases the text in place, following the Unicode case mapping of each
// code unit.
void UpperCaseInPlace(std::u16string& text);

}  // namespace clipferry::platform
