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

// How a scratch file is made: without a name where the system can (nothing
// is then left behind even by a killed process), or always under a unique name.
enum class ScratchNaming { kNamelessWherePossible, kAlwaysNamed };

// One operation's private copy of some bytes in the temporary directory:
// created exclusively, never through a link, readable by the user alone, under
// a name no other file has (or none), and gone when its owner is destroyed.
class ScratchFile {
public:
    ScratchFile() = default;
    ~ScratchFile() { Remove(); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    // Makes a new file holding exactly the bytes, after removing one this
    // owner made before; a named one is called prefix, something unique, then
    // extension. False, with nothing left behind, when the temporary directory
    // is unusable or the bytes could not all be written.
    bool Create(const char16_t* prefix, const char16_t* extension, const void* bytes, size_t count,
                ScratchNaming naming = ScratchNaming::kNamelessWherePossible);

    // The path the file is read back through while its owner holds it; empty
    // when there is none.
    const std::u16string& Path() const { return path_; }

    void Remove();

private:
    std::u16string path_;
    // The name to remove at the end; empty for a file without a name.
    std::u16string name_;
    // The descriptor that keeps a file without a name alive; -1 when none.
    int descriptor_ = -1;
};

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Opens an existing regular file for reading in binary mode; null for a
// missing or an unreadable file and for anything that is not a regular file
// (a directory, a device, a FIFO or a socket). The open never waits.
FilePtr OpenFileForReading(const char16_t* path);

// The size in bytes of an open file: of what was opened, so a file put at the
// path afterwards cannot change it; nothing when it cannot be told.
std::optional<uint64_t> MeasureOpenFile(std::FILE* file);

// An open file's size and last modification time (in the system's own units),
// taken twice to tell whether the file changed in between.
struct FileStamp {
    uint64_t size;
    int64_t modified;
    bool operator==(const FileStamp& other) const { return size == other.size && modified == other.modified; }
    bool operator!=(const FileStamp& other) const { return !(*this == other); }
};

// The stamp of what was opened, whatever the path names by now; nothing when
// it cannot be told.
std::optional<FileStamp> StampOpenFile(std::FILE* file);

}  // namespace clipferry::platform
