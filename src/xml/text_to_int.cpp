#include "xml/text_to_int.h"

#include "platform/text.h"

namespace clipferry {

int32_t TextToInt(const char16_t* text) {
    if (text == nullptr) return 0;
    // Narrowed into a fixed buffer first, so only its first 19 bytes count.
    char narrow[20] = {};
    platform::Utf16ToUtf8(text, narrow, sizeof narrow);

    const char* p = narrow;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    uint32_t value = 0;  // unsigned, so that overflow wraps as two's complement
    for (; *p >= '0' && *p <= '9'; ++p) value = value * 10u + uint32_t(*p - '0');
    if (negative) value = 0u - value;
    return static_cast<int32_t>(value);
}

}  // namespace clipferry
