#include "text/text.h"

#include <cstdint>
#include <cstdio>
#include <string_view>

namespace clipferry::cli {

namespace {
constexpr char32_t kReplacement = 0xFFFD;

bool isSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

constexpr char32_t kNotUtf8 = 0xFFFFFFFF;

// Strict decoding: no overlong forms, no encoded surrogates, nothing past
// U+10FFFF, no sequence cut short. kNotUtf8 for anything else, `i` left alone;
// the caller words the error, so a password is never repeated in one.
char32_t decodeOne(std::string_view in, size_t& i) {
    auto byte = [&](size_t at) { return static_cast<unsigned char>(in[at]); };
    unsigned char lead = byte(i);
    size_t length;
    char32_t c;
    char32_t lowest;
    if (lead < 0x80) {
        ++i;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, c = lead & 0x1F, lowest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, c = lead & 0x0F, lowest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, c = lead & 0x07, lowest = 0x10000;
    } else {
        return kNotUtf8;
    }
    if (i + length > in.size()) return kNotUtf8;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return kNotUtf8;
        c = (c << 6) | (byte(i + k) & 0x3F);
    }
    if (c < lowest || c > 0x10FFFF || isSurrogate(c)) return kNotUtf8;
    i += length;
    return c;
}

// Appends `utf8` as UTF-16 to `out` (a std::u16string or a wiped buffer);
// false at the first byte that is not UTF-8.
template <typename Units>
bool encodeUtf16(std::string_view utf8, Units& out) {
    for (size_t i = 0; i < utf8.size();) {
        char32_t c = decodeOne(utf8, i);
        if (c == kNotUtf8) return false;
        if (c >= 0x10000) {
            c -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    return true;
}

void appendUtf8(char32_t c, std::string& out) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}
}  // namespace

std::u16string toUtf16(const std::string& utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    if (!encodeUtf16(utf8, out)) throw TextError("not valid UTF-8: " + utf8);
    return out;
}

BasicSecret<char16_t> toUtf16(const Secret& utf8) {
    BasicSecret<char16_t> out;
    out.reserve(utf8.size());  // never more units than bytes: no regrowth
    if (!encodeUtf16(utf8.view(), out)) throw TextError("the password is not valid UTF-8");
    return out;
}

std::string toUtf8(const std::u16string& utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (size_t i = 0; i < utf16.size(); ++i) {
        char32_t c = utf16[i];
        bool high = c >= 0xD800 && c <= 0xDBFF;
        if (high && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (utf16[++i] - 0xDC00);
        } else if (isSurrogate(c)) {
            c = kReplacement;
        }
        appendUtf8(c, out);
    }
    return out;
}

std::string visible(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    char escape[8];
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\n' || c == '\t' || c == '\r') {
            out += c == '\n' ? "\\n" : c == '\t' ? "\\t" : "\\r";
            ++i;
            continue;
        }
        if (c < 0x20 || c == 0x7F) {
            std::snprintf(escape, sizeof escape, "\\x%02x", c);
            out += escape;
            ++i;
            continue;
        }
        size_t at = i;
        const char32_t decoded = decodeOne(text, at);
        if (decoded == kNotUtf8) {
            std::snprintf(escape, sizeof escape, "\\x%02x", c);
            out += escape;
            ++i;
        } else if (decoded >= 0x80 && decoded <= 0x9F) {
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(decoded));
            out += escape;
            i = at;
        } else {
            out.append(text, i, at - i);
            i = at;
        }
    }
    return out;
}

std::string toUtf8(const char16_t* utf16) {
    return utf16 ? toUtf8(std::u16string(utf16)) : std::string();
}

}  // namespace clipferry::cli
