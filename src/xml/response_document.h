// One service response as a searchable document, parsed by way of a scratch
// file in the temporary directory that never outlives the operation.
#pragma once

#include <cstddef>
#include <cstdint>

#include "xml/xml_file_document.h"

namespace clipferry::xml {

class ResponseDocument : public XmlFileDocument {
public:
    // Characters of the scratch path buffer, terminator included.
    static constexpr size_t kScratchCapacity = 1040;
    static constexpr const char16_t* kScratchName = u"LumividRes.xml";

    ResponseDocument() = default;
    // Removes the scratch file if it is still there.
    ~ResponseDocument() override;

    // Writes the bytes unchanged to the scratch file (replacing any stale
    // one) and opens it. 1 when written and opened, also for a body that is
    // not XML (the document then holds only "FakeRootNode"); 0 for no bytes,
    // an unknown or overlong temporary directory, a failed write or Open.
    int LoadFromBuffer(const char* bytes, uint32_t count);

    // Copies the text of the element found by name from the document node.
    // 0 for a null name or buffer, a size of 0, or no document; otherwise 1,
    // the buffer untouched when nothing matched.
    int LookupText(const char16_t* name, char16_t* buffer, uint32_t size) const;

    // Removes the scratch file and forgets its path. The parsed document
    // stays available for lookups.
    void DeleteScratch();

    // Stores the path and opens it; 0 for a null path or where nothing exists.
    int OpenFile(const char16_t* path);

private:
    bool BuildScratchPath();

    char16_t scratchPath_[kScratchCapacity] = {};
};

}  // namespace clipferry::xml
