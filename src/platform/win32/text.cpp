// Text conversions through the system's UTF-8 code page.
#include "platform/text.h"

#include <windows.h>

namespace clipferry::platform {

namespace {

const wchar_t* Native(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

}  // namespace

size_t Utf16ToUtf8(const char16_t* text, char* out, size_t outSize) {
    if (out == nullptr || outSize == 0) return 0;
    out[0] = '\0';
    if (text == nullptr) return 0;
    const std::string whole = Utf16ToUtf8(std::u16string(text));
    // Cut at a character boundary so that the terminator fits.
    size_t length = whole.size() < outSize - 1 ? whole.size() : outSize - 1;
    while (length > 0 && length < whole.size() && (whole[length] & 0xC0) == 0x80) --length;
    whole.copy(out, length);
    out[length] = '\0';
    return length;
}

std::string Utf16ToUtf8(const std::u16string& text) {
    if (text.empty()) return std::string();
    const int length = WideCharToMultiByte(CP_UTF8, 0, Native(text.data()), int(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string result(size_t(length > 0 ? length : 0), '\0');
    if (length > 0)
        WideCharToMultiByte(CP_UTF8, 0, Native(text.data()), int(text.size()), result.data(), length,
                            nullptr, nullptr);
    return result;
}

std::u16string Utf8ToUtf16(const char* text, size_t length) {
    if (text == nullptr || length == 0) return std::u16string();
    const int units = MultiByteToWideChar(CP_UTF8, 0, text, int(length), nullptr, 0);
    std::u16string result(size_t(units > 0 ? units : 0), u'\0');
    if (units > 0)
        MultiByteToWideChar(CP_UTF8, 0, text, int(length), reinterpret_cast<wchar_t*>(result.data()), units);
    return result;
}

std::u16string Utf8ToUtf16(const std::string& text) { return Utf8ToUtf16(text.data(), text.size()); }

void UpperCaseInPlace(std::u16string& text) {
    if (!text.empty()) CharUpperBuffW(reinterpret_cast<wchar_t*>(text.data()), DWORD(text.size()));
}

}  // namespace clipferry::platform
