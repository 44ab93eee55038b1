#include "xml/entity_decoding.h"

namespace clipferry {

namespace {

void ReplaceAll(std::u16string& text, const std::u16string& sought, char16_t replacement) {
    size_t found = text.find(sought);
    if (found == std::u16string::npos) return;
    std::u16string result;
    result.reserve(text.size());
    size_t from = 0;
    while (found != std::u16string::npos) {
        result.append(text, from, found - from);
        result.push_back(replacement);
        from = found + sought.size();
        found = text.find(sought, from);
    }
    result.append(text, from, std::u16string::npos);
    text.swap(result);
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
