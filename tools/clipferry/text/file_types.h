// The service's list of file types ("*.mp4;*.mov") and whether a file's name
// matches it: header-only, free of Qt, shared by the command and the Qt dialog.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace clipferry::rules {

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

}  // namespace clipferry::rules
