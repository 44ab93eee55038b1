// UTF-16 and UTF-8 conversions, and upper-casing through the C library's
// Unicode locale.
#include "platform/text.h"

#include <clocale>
#include <cwctype>
#include <locale.h>
#include <wctype.h>

namespace clipferry::platform {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Reads one code point from NUL-terminated UTF-16 and advances.
char32_t NextCodePoint(const char16_t*& text) {
    const char16_t unit = *text++;
    if (IsHighSurrogate(unit) && IsLowSurrogate(*text)) {
        const char16_t low = *text++;
        return 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(low) - 0xDC00);
    }
    if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) return kReplacement;
    return unit;
}

size_t EncodeUtf8(char32_t cp, char* out) {
    if (cp < 0x80) {
        out[0] = char(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = char(0xC0 | (cp >> 6));
        out[1] = char(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        out[0] = char(0xE0 | (cp >> 12));
        out[1] = char(0x80 | ((cp >> 6) & 0x3F));
        out[2] = char(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = char(0xF0 | (cp >> 18));
    out[1] = char(0x80 | ((cp >> 12) & 0x3F));
    out[2] = char(0x80 | ((cp >> 6) & 0x3F));
    out[3] = char(0x80 | (cp & 0x3F));
    return 4;
}

// Decodes one code point of UTF-8 and advances; malformed input gives the
// replacement character and consumes one byte.
char32_t DecodeUtf8(const unsigned char*& p, const unsigned char* end) {
    const unsigned char lead = *p++;
    if (lead < 0x80) return lead;
    size_t extra;
    char32_t cp;
    char32_t minimum;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1, cp = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, cp = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, cp = lead & 0x07, minimum = 0x10000;
    } else {
        return kReplacement;
    }
    if (size_t(end - p) < extra) return kReplacement;
    for (size_t i = 0; i < extra; ++i) {
        if ((p[i] & 0xC0) != 0x80) return kReplacement;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return kReplacement;
    p += extra;
    return cp;
}

}  // namespace

size_t Utf16ToUtf8(const char16_t* text, char* out, size_t outSize) {
    if (out == nullptr || outSize == 0) return 0;
    size_t written = 0;
    if (text != nullptr) {
        while (*text != u'\0') {
            char encoded[4];
            const size_t n = EncodeUtf8(NextCodePoint(text), encoded);
            if (written + n > outSize - 1) break;
            for (size_t i = 0; i < n; ++i) out[written++] = encoded[i];
        }
    }
    out[written] = '\0';
    return written;
}

std::string Utf16ToUtf8(const std::u16string& text) {
    std::string result;
    result.reserve(text.size());
    const char16_t* p = text.c_str();
    const char16_t* end = p + text.size();
    while (p < end) {
        if (*p == u'\0') {  // an embedded NUL is kept, not taken as the end
            result.push_back('\0');
            ++p;
            continue;
        }
        char encoded[4];
        result.append(encoded, EncodeUtf8(NextCodePoint(p), encoded));
    }
    return result;
}

std::u16string Utf8ToUtf16(const char* text, size_t length) {
    std::u16string result;
    if (text == nullptr) return result;
    result.reserve(length);
    auto p = reinterpret_cast<const unsigned char*>(text);
    const auto end = p + length;
    while (p < end) {
        const char32_t cp = DecodeUtf8(p, end);
        if (cp >= 0x10000) {
            result.push_back(char16_t(0xD800 + ((cp - 0x10000) >> 10)));
            result.push_back(char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            result.push_back(char16_t(cp));
        }
    }
    return result;
}

std::u16string Utf8ToUtf16(const std::string& text) { return Utf8ToUtf16(text.data(), text.size()); }

void UpperCaseInPlace(std::u16string& text) {
    // The host's own locale may be "C"; the C.UTF-8 locale maps all of Unicode.
    static const locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0));
    for (char16_t& unit : text) {
        if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) continue;
        const wint_t upper = unicode != locale_t(0) ? towupper_l(wint_t(unit), unicode)
                                                    : std::towupper(wint_t(unit));
        if (upper <= 0xFFFF && !IsHighSurrogate(char16_t(upper)) && !IsLowSurrogate(char16_t(upper)))
            unit = char16_t(upper);
    }
}

}  // namespace clipferry::platform
