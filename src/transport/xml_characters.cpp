#include "transport/xml_characters.h"

namespace clipferry {

bool XmlCanCarry(const char16_t* text) {
    for (const char16_t* unit = text; *unit != u'\0'; ++unit) {
        if (*unit < 0x20 && *unit != u'\t' && *unit != u'\n' && *unit != u'\r') return false;
        if (*unit == 0xFFFE || *unit == 0xFFFF) return false;
    }
    return true;
}

}  // namespace clipferry
