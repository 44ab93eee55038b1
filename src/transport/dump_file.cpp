#include "transport/dump_file.h"

#include "platform/files.h"

namespace clipferry {

namespace {

const char16_t* BaseName(DumpFile file) {
    switch (file) {
        case DumpFile::Login: return u"Clipferry_Login.xml";
        case DumpFile::FileTypes: return u"Clipferry_FileTypes.xml";
        case DumpFile::GetCategories: return u"Clipferry_GetCategories.xml";
        case DumpFile::GetModerators: return u"Clipferry_GetModerators.xml";
        case DumpFile::Upload: return u"Clipferry_Upload.xml";
        case DumpFile::Discovery: return u"Clipferry_GetServer.xml";
    }
    return u"Clipferry_Response.xml";
}

}  // namespace

std::u16string DumpFilePath(DumpFile file) { return platform::DumpDirectory() + BaseName(file); }

void WriteDumpFile(const char16_t* path, const char* data, size_t length) {
    if (path == nullptr || data == nullptr || length == 0) return;
    platform::ReplaceFileWith(path, data, length);
}

}  // namespace clipferry
