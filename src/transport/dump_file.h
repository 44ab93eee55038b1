// Copies of raw response bodies, written when the log switch asks for them.
#pragma once

#include <cstddef>
#include <string>

namespace clipferry {

enum class DumpFile { Login, FileTypes, GetCategories, GetModerators, Upload, Discovery };

// The fixed path of a dump file in the dump directory.
std::u16string DumpFilePath(DumpFile file);

// Replaces the file at path by one holding the length bytes of data, readable
// by its owner alone (the bodies carry the user's auth key). Does nothing for
// a null path or data or a zero length; failures are ignored.
void WriteDumpFile(const char16_t* path, const char* data, size_t length);

}  // namespace clipferry
