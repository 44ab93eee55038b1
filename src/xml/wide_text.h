// Bounded copies of UTF-16 text into fixed wide-character buffers.
#pragma once

#include <cstddef>
#include <string>

namespace clipferry::xml {

// Copies at most size - 1 units of the text and a terminator; longer text is
// cut there. Nothing is written when size is 0.
inline void CopyCut(char16_t* buffer, size_t size, const std::u16string& text) {
    if (buffer == nullptr || size == 0) return;
    const size_t count = text.size() < size - 1 ? text.size() : size - 1;
    text.copy(buffer, count);
    buffer[count] = u'\0';
}

// Copies the whole text and a terminator when they fit; otherwise writes
// nothing and returns false.
inline bool CopyWhole(char16_t* buffer, size_t size, const std::u16string& text) {
    if (buffer == nullptr || text.size() >= size) return false;
    text.copy(buffer, text.size());
    buffer[text.size()] = u'\0';
    return true;
}

// The text of a NUL-terminated buffer of the given capacity (cut at the
// capacity when no terminator is found).
inline std::u16string TextOf(const char16_t* buffer, size_t size) {
    size_t length = 0;
    while (length < size && buffer[length] != u'\0') ++length;
    return std::u16string(buffer, length);
}

}  // namespace clipferry::xml
