#include "text.h"

#include <codecvt>
#include <locale>

// std::wstring_convert is deprecated but still the standard library's only
// UTF-8 <-> UTF-16 converter; it is kept behind these two functions.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace clipferry::cli {

namespace {
using Converter = std::wstring_convert<std::codecvt_utf8_utf16<char16_t>, char16_t>;

// Replaces surrogates that have no partner so that the converter accepts the text.
std::u16string withPairedSurrogates(const std::u16string& in) {
    std::u16string out;
    out.reserve(in.size());
    for (size_t i = 0; i < in.size(); ++i) {
        char16_t c = in[i];
        bool high = c >= 0xD800 && c <= 0xDBFF;
        bool low = c >= 0xDC00 && c <= 0xDFFF;
        if (high && i + 1 < in.size() && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF) {
            out += c;
            out += in[++i];
        } else if (high || low) {
            out += u'\uFFFD';
        } else {
            out += c;
        }
    }
    return out;
}
}  // namespace

std::u16string toUtf16(const std::string& utf8) {
    try {
        return Converter().from_bytes(utf8);
    } catch (const std::range_error&) {
        throw TextError("not valid UTF-8: " + utf8);
    }
}

std::string toUtf8(const std::u16string& utf16) {
    return Converter().to_bytes(withPairedSurrogates(utf16));
}

std::string toUtf8(const char16_t* utf16) {
    return utf16 ? toUtf8(std::u16string(utf16)) : std::string();
}

}  // namespace clipferry::cli

#pragma GCC diagnostic pop
