// The rules an upload is held to before it is sent (sizes, tags as words; file
// types and control characters are the command's own text/ headers, shared)
// as pure functions over UTF-8.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <clipferry.h>

#include "text/control_characters.h"  // hasControlCharacter
#include "text/file_types.h"          // splitFileTypes, asWildcard, matchesFileTypes

namespace clipferry::rules {

// The most the library sends of a title, description or tags text, in UTF-8 bytes.
inline constexpr std::size_t kMostFieldBytes = CLIPFERRY_TEXT_MAX_BYTES;
inline constexpr int kMostCategories = 3;

inline bool isBlank(const std::string& text) {
    return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

// Tags as the service wants them, words separated by single spaces: commas
// and runs of spaces between words ("harbour, dusk,sea") become one space.
inline std::string tagsAsWords(const std::string& tags) {
    std::string words;
    std::size_t start = 0;
    while ((start = tags.find_first_not_of(", ", start)) != std::string::npos) {
        const std::size_t end = std::min(tags.find_first_of(", ", start), tags.size());
        words += (words.empty() ? "" : " ") + tags.substr(start, end - start);
        start = end;
    }
    return words;
}

}  // namespace clipferry::rules
