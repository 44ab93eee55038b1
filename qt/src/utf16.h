// QString <-> the library's UTF-16 text (char16_t, or wchar_t on Windows):
// the same code units, so no conversion, only a cast.
#pragma once

#include <QString>

#include <clipferry.h>

namespace Clipferry::detail {

static_assert(sizeof(clipferry_char) == sizeof(char16_t), "the library's text is UTF-16");

inline const clipferry_char* toLibrary(const QString& text) {
    return reinterpret_cast<const clipferry_char*>(text.utf16());
}

inline QString fromLibrary(const clipferry_char* text) {
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(text));
}

}  // namespace Clipferry::detail
