// A source document whose path is kept in a fixed buffer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "xml/xml_source_document.h"

namespace clipferry::xml {

class XmlFileDocument : public XmlSourceDocument {
public:
    // Characters of the path buffer, terminator included.
    static constexpr size_t kPathCapacity = 260;

    // Stores the path. False, and the stored path unchanged, for a null path
    // or one that does not fit.
    bool SetPath(const char16_t* path);

    // Opens the stored path; 0 when it is empty.
    int OpenStoredPath();

protected:
    char16_t pathBuffer_[kPathCapacity] = {};
};

}  // namespace clipferry::xml
