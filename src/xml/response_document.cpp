#include "xml/response_document.h"

#include <algorithm>
#include <string>

#include "platform/files.h"
#include "xml/element_search.h"
#include "xml/wide_text.h"

namespace clipferry::xml {

ResponseDocument::~ResponseDocument() { DeleteScratch(); }

bool ResponseDocument::BuildScratchPath() {
    std::u16string path = platform::TemporaryDirectory();
    // Without a directory the name alone would land in the working directory.
    if (path.empty()) return false;
    if (path.back() != platform::PathSeparator()) path.push_back(platform::PathSeparator());
    path += kScratchName;
    // The path must also fit the stored path buffer that Open reads from.
    if (path.size() >= kPathCapacity) return false;
    return CopyWhole(scratchPath_, kScratchCapacity, path);
}

int ResponseDocument::LoadFromBuffer(const char* bytes, uint32_t count) {
    if (bytes == nullptr || count == 0) return 0;
    if (!BuildScratchPath()) return 0;
    // A stale file, or whatever else stands at the path, is removed first;
    // the new one is created owner-only and never through a link.
    if (!platform::ReplaceFileWith(scratchPath_, bytes, count)) return 0;
    // A short write would parse as a truncated body.
    if (platform::MeasureFileSize(scratchPath_) != uint64_t(count)) return 0;
    return OpenFile(scratchPath_);
}

int ResponseDocument::LookupText(const char16_t* name, char16_t* buffer, uint32_t size) const {
    if (name == nullptr || buffer == nullptr || size == 0 || documentNode_ == nullptr) return 0;
    return CopyElementText(documentNode_, name, buffer, size);
}

void ResponseDocument::DeleteScratch() {
    // The file holds the service's answer (for a login, the auth key): it is
    // removed, not saved again.
    if (scratchPath_[0] == u'\0') return;
    platform::RemoveFile(scratchPath_);
    std::fill(std::begin(scratchPath_), std::end(scratchPath_), u'\0');
}

int ResponseDocument::OpenFile(const char16_t* path) {
    if (path == nullptr || !platform::PathExists(path)) return 0;
    if (!SetPath(path)) return 0;
    return OpenStoredPath();
}

}  // namespace clipferry::xml
