// One service response as a searchable document, parsed by way of a scratch
// file of the operation's own that never outlives the operation.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/files.h"
#include "xml/xml_file_document.h"

namespace clipferry::xml {

class ResponseDocument : public XmlFileDocument {
public:
    // How a named scratch file starts, so that a person looking into the
    // temporary directory knows what it is, and how it ends.
    static constexpr const char16_t* kScratchPrefix = u"LumividRes";
    static constexpr const char16_t* kScratchExtension = u".xml";

    ResponseDocument() = default;
    // Removes the scratch file if it is still there.
    ~ResponseDocument() override;

    // Makes the scratch file the answer will be written to, before the
    // request that brings it goes out. False when the temporary directory
    // cannot hold it.
    bool PrepareScratch();

    // Writes the bytes unchanged to the scratch file PrepareScratch made (a
    // new one when it made none) that no other operation shares, and opens
    // it; when the file cannot take them or its name does not fit the stored
    // path, opens them from memory instead. 1 when opened, also for a body
    // that is not XML (the document then holds only "FakeRootNode"); 0 for
    // no bytes or a failed Open.
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
    platform::ScratchFile scratch_;
};

}  // namespace clipferry::xml
