// Arbitrary category names through the undoing of the second escaping.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "xml/entity_decoding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::u16string text(reinterpret_cast<const char16_t*>(data), size / 2);
    const size_t before = text.size();
    const bool hadAmpersand = text.find(u'&') != std::u16string::npos;
    clipferry::DecodeEntities(text);
    if (text.size() > before) std::abort();
    // Without an ampersand there is nothing to decode.
    if (!hadAmpersand && text.size() != before) std::abort();
    return 0;
}
