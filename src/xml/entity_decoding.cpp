// The entity references a category name may still hold after the DOM has read it.
#include "xml/entity_decoding.h"

#include <algorithm>

namespace clipferry {

namespace {

// Compacts the text in place: every replacement is shorter than what it
// replaces, so the text written never reaches the text still to be searched.
void ReplaceAll(std::u16string& text, const std::u16string& sought, char16_t replacement) {
    size_t found = text.find(sought);
    if (found == std::u16string::npos) return;
    size_t to = found;
    size_t from = found;
    while (found != std::u16string::npos) {
        to = size_t(std::copy(text.begin() + from, text.begin() + found, text.begin() + to) - text.begin());
        text[to++] = replacement;
        from = found + sought.size();
        found = text.find(sought, from);
    }
    to = size_t(std::copy(text.begin() + from, text.end(), text.begin() + to) - text.begin());
    text.resize(to);
}

}  // namespace

void DecodeEntities(std::u16string& text) {
    // "&amp;" runs third: "&amp;lt;" stays "&lt;", while "&amp;apos;" and
    // "&amp;quot;" are decoded twice by the passes after it.
    ReplaceAll(text, u"&lt;", u'<');
    ReplaceAll(text, u"&gt;", u'>');
    ReplaceAll(text, u"&amp;", u'&');
    ReplaceAll(text, u"&apos;", u'\'');
    ReplaceAll(text, u"&quot;", u'"');
}

}  // namespace clipferry
