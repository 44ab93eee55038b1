#include "xml/xml_file_document.h"

#include <string>

#include "xml/wide_text.h"

namespace clipferry::xml {

bool XmlFileDocument::SetPath(const char16_t* path) {
    if (path == nullptr) return false;
    // One unit more than fits is enough to tell that the path is too long.
    return CopyWhole(pathBuffer_, kPathCapacity, TextOf(path, kPathCapacity));
}

int XmlFileDocument::OpenStoredPath() {
    sourcePath_ = TextOf(pathBuffer_, kPathCapacity);
    if (sourcePath_.empty()) return 0;
    return Open();
}

}  // namespace clipferry::xml
