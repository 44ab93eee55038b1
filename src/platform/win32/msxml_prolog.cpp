// The prolog check: the bytes are read as code units of the encoding the
// first bytes show; only ASCII matters in a prolog's structure.
#include "platform/win32/msxml_prolog.h"

#include <cstdint>

namespace clipferry::platform::msxml {

namespace {

class Units {
public:
    Units(const unsigned char* bytes, size_t count) : bytes_(bytes), count_(count) {
        if (count >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
            at_ = 3;
        } else if (count >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
            width_ = 2;
            at_ = 2;
        } else if (count >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
            width_ = 2;
            bigEndian_ = true;
            at_ = 2;
        } else if (count >= 2 && (bytes[0] == 0) != (bytes[1] == 0)) {
            // UTF-16 without a mark: the zero half of the first ASCII character.
            width_ = 2;
            bigEndian_ = bytes[0] == 0;
        }
    }

    bool AtEnd() const { return at_ + width_ > count_; }
    // The unit at the current place, plus ahead units further on; 0 past the end.
    uint32_t Peek(size_t ahead = 0) const {
        const size_t place = at_ + ahead * width_;
        if (place + width_ > count_) return 0;
        if (width_ == 1) return bytes_[place];
        return bigEndian_ ? uint32_t(bytes_[place]) << 8 | bytes_[place + 1]
                          : uint32_t(bytes_[place + 1]) << 8 | bytes_[place];
    }
    bool StartsWith(const char* text) const {
        for (size_t i = 0; text[i] != '\0'; ++i)
            if (Peek(i) != uint32_t(static_cast<unsigned char>(text[i]))) return false;
        return true;
    }
    void Skip(size_t units) { at_ += units * width_; }
    // Moves past the next occurrence of the text; false when there is none.
    bool SkipPast(const char* text) {
        size_t length = 0;
        while (text[length] != '\0') ++length;
        for (; !AtEnd(); Skip(1)) {
            if (StartsWith(text)) {
                Skip(length);
                return true;
            }
        }
        return false;
    }

private:
    const unsigned char* bytes_;
    size_t count_;
    size_t at_ = 0;
    size_t width_ = 1;
    bool bigEndian_ = false;
};

bool IsSpace(uint32_t unit) { return unit == ' ' || unit == '\t' || unit == '\r' || unit == '\n'; }

}  // namespace

bool PrologIsPlain(const unsigned char* bytes, size_t count) {
    if (bytes == nullptr) return false;
    Units units(bytes, count);
    for (;;) {
        while (!units.AtEnd() && IsSpace(units.Peek())) units.Skip(1);
        if (units.AtEnd()) return true;  // nothing but a prolog: the parser says no to that
        // No XML text holds a NUL: one here is a wider encoding read as UTF-16.
        if (units.Peek() != '<' || units.Peek(1) == 0) return false;
        if (units.StartsWith("<?")) {
            units.Skip(2);
            if (!units.SkipPast("?>")) return false;
        } else if (units.StartsWith("<!--")) {
            units.Skip(4);
            if (!units.SkipPast("-->")) return false;
        } else if (units.StartsWith("<!")) {
            return false;  // a document type declaration, or nothing XML allows here
        } else {
            return true;  // the first element: no declaration can follow
        }
    }
}

}  // namespace clipferry::platform::msxml
