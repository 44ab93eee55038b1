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

// Replaces whatever is at the path by a new file holding exactly the bytes:
// the old entry is removed first and the new file created exclusively, never
// through a symbolic link, readable by its owner alone. False when the file
// could not be created; a short write is not reported.
bool ReplaceFileWith(const char16_t* path, const void* bytes, size_t count);

// How a scratch file is made: without a name where the system can, else
// under a unique name that is removed as soon as the file is open; or always
// by the second way (which a test can then force). Either way nothing is left
// behind even by a killed process, save where the file can be read back only
// through its name (no /proc).
enum class ScratchNaming { kNamelessWherePossible, kAlwaysNamed };

// One operation's private file in the temporary directory, made before the
// operation's request goes out and filled with the answer afterwards:
// created exclusively, never through a link, readable by the user alone, and
// gone when its owner is destroyed (or its process ends).
class ScratchFile {
public:
    // Room set aside when the file is made, so that a directory that cannot
    // hold an ordinary answer is found out before anything is sent.
    static constexpr size_t kReservedBytes = 16384;

    ScratchFile() = default;
    ~ScratchFile() { Remove(); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    // Makes a new, empty file with kReservedBytes set aside, after removing
    // one this owner made before; a named one is called prefix, something
    // unique, then extension. False, with nothing left behind, when the
    // temporary directory is unusable or cannot hold the reserve.
    bool Open(const char16_t* prefix, const char16_t* extension,
              ScratchNaming naming = ScratchNaming::kNamelessWherePossible);

    // Replaces what the open file holds by exactly the bytes. False when
    // there is no open file or the bytes could not all be written.
    bool Fill(const void* bytes, size_t count);

    // Open, then Fill; on failure nothing is left behind.
    bool Create(const char16_t* prefix, const char16_t* extension, const void* bytes, size_t count,
                ScratchNaming naming = ScratchNaming::kNamelessWherePossible) {
        if ((bytes != nullptr || count == 0) && Open(prefix, extension, naming) && Fill(bytes, count)) return true;
        Remove();
        return false;
    }

    bool IsOpen() const { return handle_ != -1; }

    // The path the file is read back through while its owner holds it; empty
    // when there is none.
    const std::u16string& Path() const { return path_; }

    void Remove();

private:
    std::u16string path_;
    // The name to remove at the end; empty once there is none to remove.
    std::u16string name_;
    // The descriptor or handle that keeps the file alive; -1 when none.
    std::intptr_t handle_ = -1;
};

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Opens an existing regular file for reading in binary mode; null for a
// missing or an unreadable file and for anything that is not a regular file
// (a directory, a device, a FIFO or a socket). The open never waits.
FilePtr OpenFileForReading(const char16_t* path);

// An open file's size and last modification time (in the system's own units),
// taken twice to tell whether the file changed in between.
struct FileStamp {
    uint64_t size;
    int64_t modified;
    bool operator==(const FileStamp& other) const { return size == other.size && modified == other.modified; }
    bool operator!=(const FileStamp& other) const { return !(*this == other); }
};

// The stamp of what was opened, whatever the path names by now (so a file put
// at the path afterwards cannot change it); nothing when it cannot be told.
std::optional<FileStamp> StampOpenFile(std::FILE* file);

}  // namespace clipferry::platform
