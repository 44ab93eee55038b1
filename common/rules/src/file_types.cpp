// The file-type patterns split and matched: a wildcard walk that backtracks
// to the last * only, so a long name costs no more than its length times the
// pattern's.
#include "clipferry-common/file_types.h"

#include <cstddef>

namespace clipferry::rules {

namespace {

char fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The bytes of the UTF-8 character at `at`, so that ? takes a whole character.
std::size_t characterLength(const std::string& text, std::size_t at) {
    std::size_t length = 1;
    while (at + length < text.size() && (static_cast<unsigned char>(text[at + length]) & 0xC0) == 0x80) ++length;
    return length;
}

bool wildcardMatch(const std::string& pattern, const std::string& name) {
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

}  // namespace

std::vector<std::string> splitFileTypes(const std::string& fileTypes) {
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

std::string asWildcard(std::string pattern) {
    if (!pattern.empty() && pattern.find_first_of("*?") == std::string::npos) {
        pattern = (pattern.front() == '.' ? "*" : "*.") + pattern;
    }
    return pattern;
}

bool matchesFileTypes(const std::string& fileName, const std::vector<std::string>& patterns) {
    for (const std::string& pattern : patterns) {
        if (wildcardMatch(asWildcard(pattern), fileName)) return true;
    }
    return false;
}

}  // namespace clipferry::rules
