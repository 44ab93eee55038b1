// Files and paths: the temporary directory, the scratch and dump files, and
// the media file read during an upload.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace clipferry::platform {

// The separator between directory and file name.
char16_t PathSeparator();

// The user's temporary directory, as the system reports it (it may or may
// not end with a separator); empty when it cannot be determined.
std::u16string TemporaryDirectory();

// The directory the response dumps are written to, ending with a separator.
std::u16string DumpDirectory();

// Whether a file or directory exists at the path.
bool PathExists(const char16_t* path);

void RemoveFile(const char16_t* path);

// Replaces whatever is at the path by a new file holding exactly the bytes:
// the old entry is removed first and the new file created exclusively, never
// through a symbolic link, readable by its owner alone. False when the file
// could not be created; a short write is not reported.
bool ReplaceFileWith(const char16_t* path, const void* bytes, size_t count);

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Opens an existing regular file for reading in binary mode; null for a
// missing or an unreadable file and for anything that is not a regular file
// (a directory, a device, a FIFO or a socket). The open never waits.
FilePtr OpenFileForReading(const char16_t* path);

// The size in bytes of the file at the path; nothing when it cannot be read.
std::optional<uint64_t> MeasureFileSize(const char16_t* path);

}  // namespace clipferry::platform
