// Arbitrary paths through the media file name splitter: the name always fits
// its field, and a valid UTF-8 path never gives an invalid name.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "transport/media_file_name.h"

namespace {

bool IsValidUtf8(const std::string& text) {
    size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        size_t extra;
        uint32_t point;
        if (c < 0x80) { extra = 0; point = c; }
        else if ((c & 0xE0) == 0xC0) { extra = 1; point = c & 0x1F; }
        else if ((c & 0xF0) == 0xE0) { extra = 2; point = c & 0x0F; }
        else if ((c & 0xF8) == 0xF0) { extra = 3; point = c & 0x07; }
        else return false;
        if (i + extra >= text.size()) return false;
        for (size_t k = 1; k <= extra; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            point = point << 6 | (next & 0x3F);
        }
        static const uint32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
        if (point < kSmallest[extra] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return false;
        i += extra + 1;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path(reinterpret_cast<const char*>(data), size);
    const std::string name = clipferry::MediaFileName(path);
    if (name.size() > clipferry::kMediaFileNameMax) std::abort();
    if (IsValidUtf8(path) && !IsValidUtf8(name)) std::abort();
    // The name is the end of the path's last component, less what was cut.
    if (name.find_first_of("/\\") != std::string::npos) std::abort();
    return 0;
}
