// Arbitrary response texts through the decimal conversion.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "xml/text_to_int.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Exactly as long as the input, so a read past the terminator is seen.
    std::vector<char16_t> text(size / 2 + 1, u'\0');
    for (size_t i = 0; i + 1 < size; i += 2) text[i / 2] = char16_t(data[i] | data[i + 1] << 8);
    text[size / 2] = u'\0';
    volatile int32_t value = clipferry::TextToInt(text.data());
    (void)value;
    return 0;
}
