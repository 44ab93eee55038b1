#include "transport/media_file_name.h"

#include <algorithm>

namespace clipferry {

namespace {

constexpr size_t kPartMax = 255;

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The first bytes of text, at most limit of them, ending on a character boundary.
std::string CutAt(const std::string& text, size_t limit) {
    if (text.size() <= limit) return text;
    size_t end = limit;
    while (end > 0 && IsContinuationByte(text[end])) --end;
    return text.substr(0, end);
}

}  // namespace

std::string MediaFileName(const std::string& utf8Path) {
    size_t start = (utf8Path.size() >= 2 && utf8Path[1] == ':') ? 2 : 0;
    const size_t separator = utf8Path.find_last_of("/\\");
    if (separator != std::string::npos && separator >= start) start = separator + 1;
    const std::string component = utf8Path.substr(start);

    const size_t dot = component.rfind('.');
    const std::string name = dot == std::string::npos ? component : component.substr(0, dot);
    const std::string extension = dot == std::string::npos ? std::string() : component.substr(dot);

    const std::string keptExtension = CutAt(extension, kPartMax);
    const size_t nameRoom = std::min(kPartMax, kMediaFileNameMax - keptExtension.size());
    return CutAt(name, nameRoom) + keptExtension;
}

}  // namespace clipferry
