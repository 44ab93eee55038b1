// Whether UTF-8 text holds a control character: header-only, free of Qt,
// shared by the command's checks and the Qt dialog's, which hold the same rule.
#pragma once

#include <cstddef>
#include <string>

namespace clipferry::rules {

// Whether the text holds a control character: C0, DEL or C1. With
// `lineBreaksAllowed`, tab, line feed and carriage return do not count.
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

}  // namespace clipferry::rules
