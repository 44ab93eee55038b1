// The rules an upload is held to before it is sent (file types, control
// characters, sizes, tags as words) and the "may have been received" rule,
// as pure functions over UTF-8, free of Qt so the command can include them too.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace clipferry::rules {

// The most the library sends of a title, description or tags text, in UTF-8 bytes.
inline constexpr std::size_t kMostFieldBytes = 1023;
inline constexpr int kMostCategories = 3;

// Whether the text holds a control character: C0, DEL or C1. With
// `lineBreaksAllowed`, tab, line feed and carriage return do not count. The
// service echoes the fields in its verdict, which such a character breaks.
inline bool hasControlCharacter(const std::string& utf8, bool lineBreaksAllowed = false) {
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        const bool lineBreak = c == '\t' || c == '\n' || c == '\r';
        if ((c < 0x20 && !(lineBreaksAllowed && lineBreak)) || c == 0x7F) return true;
        // U+0080..U+009F are C2 80..C2 9F in UTF-8.
        if (c == 0xC2 && i + 1 < utf8.size()) {
            const unsigned char next = static_cast<unsigned char>(utf8[i + 1]);
            if (next >= 0x80 && next < 0xA0) return true;
        }
    }
    return false;
}

inline bool isBlank(const std::string& text) {
    return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

// The service's file types one by one: "*.mp4; *.MOV;" -> {"*.mp4", "*.MOV"}
// (';' or ',' between them, blanks around them dropped).
inline std::vector<std::string> splitFileTypes(const std::string& fileTypes) {
    std::vector<std::string> patterns;
    std::size_t start = 0;
    while (start <= fileTypes.size()) {
        std::size_t end = fileTypes.find_first_of(";,", start);
        if (end == std::string::npos) end = fileTypes.size();
        const std::string piece = fileTypes.substr(start, end - start);
        const std::size_t first = piece.find_first_not_of(" \t\r\n");
        if (first != std::string::npos) {
            patterns.push_back(piece.substr(first, piece.find_last_not_of(" \t\r\n") - first + 1));
        }
        start = end + 1;
    }
    return patterns;
}

namespace detail {
inline char fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The bytes of the UTF-8 character at `at`, so that ? takes a whole character.
inline std::size_t characterLength(const std::string& text, std::size_t at) {
    std::size_t length = 1;
    while (at + length < text.size() && (static_cast<unsigned char>(text[at + length]) & 0xC0) == 0x80) ++length;
    return length;
}

inline bool wildcardMatch(const std::string& pattern, const std::string& name) {
    std::size_t p = 0, n = 0;
    std::size_t starP = std::string::npos, starN = 0;  // where the last * began, to try it longer
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            n += characterLength(name, n);
        } else if (p < pattern.size() && fold(pattern[p]) == fold(name[n])) {
            ++p;
            ++n;
        } else if (starP != std::string::npos) {
            p = starP + 1;
            starN += characterLength(name, starN);
            n = starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}
}  // namespace detail

// The pattern as a wildcard: one without wildcards ("mp4", ".mp4") is an extension.
inline std::string asWildcard(std::string pattern) {
    if (pattern.find_first_of("*?") == std::string::npos) {
        pattern = (pattern.front() == '.' ? "*" : "*.") + pattern;
    }
    return pattern;
}

// Whether a file's name (its last component) matches one of the patterns,
// with * and ?, ignoring ASCII case.
inline bool matchesFileTypes(const std::string& fileName, const std::vector<std::string>& patterns) {
    for (const std::string& pattern : patterns) {
        if (detail::wildcardMatch(asWildcard(pattern), fileName)) return true;
    }
    return false;
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

// An upload that failed after its last byte went out may have reached the
// service: any failure then but a refusal that carries the service's message.
inline bool mayHaveBeenReceived(int32_t result, bool everyByteSent, bool messageEmpty) {
    constexpr int32_t kRefused = 83;
    return everyByteSent && result != 0 && (result != kRefused || messageEmpty);
}

}  // namespace clipferry::rules
