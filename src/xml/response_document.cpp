// Response bodies read back as documents through a scratch file each.
#include "xml/response_document.h"

#include "platform/files.h"
#include "xml/element_search.h"

namespace clipferry::xml {

ResponseDocument::~ResponseDocument() { DeleteScratch(); }

bool ResponseDocument::PrepareScratch() { return scratch_.Open(kScratchPrefix, kScratchExtension); }

int ResponseDocument::LoadFromBuffer(const char* bytes, uint32_t count) {
    if (bytes == nullptr || count == 0) return 0;
    // By now the request has gone out: an answer the scratch file cannot take
    // (a full disk, a name longer than the path this document keeps) is read
    // from memory instead, so that the result is what the service said.
    if ((scratch_.IsOpen() || scratch_.Open(kScratchPrefix, kScratchExtension)) && scratch_.Fill(bytes, count) &&
        SetPath(scratch_.Path().c_str()))
        return OpenStoredPath();
    scratch_.Remove();
    return OpenBytes(bytes, count);
}

int ResponseDocument::LookupText(const char16_t* name, char16_t* buffer, uint32_t size) const {
    if (name == nullptr || buffer == nullptr || size == 0 || documentNode_ == nullptr) return 0;
    return CopyElementText(documentNode_, name, buffer, size);
}

void ResponseDocument::DeleteScratch() {
    // The file holds the service's answer (for a login, the auth key): it is
    // removed, not saved again.
    scratch_.Remove();
}

int ResponseDocument::OpenFile(const char16_t* path) {
    if (path == nullptr || !platform::PathExists(path)) return 0;
    if (!SetPath(path)) return 0;
    return OpenStoredPath();
}

}  // namespace clipferry::xml
