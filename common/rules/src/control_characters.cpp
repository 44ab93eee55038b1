// Control characters found byte by byte: C1 is the only range that needs the
// byte after it (U+0080..U+009F are C2 80..C2 9F in UTF-8).
#include "clipferry-common/control_characters.h"

#include <cstddef>

namespace clipferry::rules {

bool hasControlCharacter(const std::string& utf8, bool lineBreaksAllowed) {
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        const bool lineBreak = c == '\t' || c == '\n' || c == '\r';
        if ((c < 0x20 && !(lineBreaksAllowed && lineBreak)) || c == 0x7F) return true;
        if (c == 0xC2 && i + 1 < utf8.size()) {
            const unsigned char next = static_cast<unsigned char>(utf8[i + 1]);
            if (next >= 0x80 && next < 0xA0) return true;
        }
    }
    return false;
}

}  // namespace clipferry::rules
