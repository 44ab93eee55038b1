// Windows files: the user's temporary directory and the files the library
// writes and reads.
#include "platform/files.h"

#include <io.h>
#include <windows.h>
#include <shlwapi.h>

namespace clipferry::platform {

namespace {

const wchar_t* Native(const char16_t* path) { return reinterpret_cast<const wchar_t*>(path); }

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

}  // namespace

char16_t PathSeparator() { return u'\\'; }

std::u16string TemporaryDirectory() {
    wchar_t buffer[1040] = {};
    const DWORD length = GetTempPathW(1040, buffer);
    if (length == 0 || length >= 1040) return std::u16string();
    return std::u16string(reinterpret_cast<const char16_t*>(buffer), length);
}

std::u16string DumpDirectory() { return u"C:\\"; }

bool PathExists(const char16_t* path) {
    return path != nullptr && *path != u'\0' && PathFileExistsW(Native(path));
}

void RemoveFile(const char16_t* path) {
    if (path != nullptr && *path != u'\0') DeleteFileW(Native(path));
}

bool ReplaceFileWith(const char16_t* path, const void* bytes, size_t count) {
    if (path == nullptr || *path == u'\0') return false;
    DeleteFileW(Native(path));
    // CREATE_NEW: whatever was there is gone, so the file is ours alone.
    FileHandle file(CreateFileW(Native(path), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) return false;
    auto p = static_cast<const char*>(bytes);
    while (count > 0) {
        const DWORD chunk = count > 0x40000000u ? 0x40000000u : DWORD(count);
        DWORD written = 0;
        if (!WriteFile(file.get(), p, chunk, &written, nullptr) || written == 0) break;
        p += written;
        count -= written;
    }
    return true;
}

FilePtr OpenFileForReading(const char16_t* path) {
    if (path == nullptr || *path == u'\0') return nullptr;
    FilePtr file(_wfopen(Native(path), L"rb"));
    if (file == nullptr) return nullptr;
    // Only a file on disk has an end: a device or a pipe named by the path
    // would be read for ever, or block.
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file.get())));
    BY_HANDLE_FILE_INFORMATION info;
    if (handle == INVALID_HANDLE_VALUE || GetFileType(handle) != FILE_TYPE_DISK ||
        !GetFileInformationByHandle(handle, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return nullptr;
    return file;
}

std::optional<uint64_t> MeasureFileSize(const char16_t* path) {
    if (!PathExists(path)) return std::nullopt;
    FileHandle file(CreateFileW(Native(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) return std::nullopt;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size)) return std::nullopt;
    return uint64_t(size.QuadPart);
}

}  // namespace clipferry::platform
