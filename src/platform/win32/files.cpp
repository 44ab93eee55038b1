// Windows files: the user's temporary directory and the files the library
// writes and reads, its scratch files among them.
#include "platform/files.h"

#include <io.h>
#include <windows.h>
#include <shlwapi.h>

#include <atomic>
#include <cwchar>

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

// False when the bytes could not all be written.
bool WriteAll(HANDLE file, const void* bytes, size_t count) {
    auto p = static_cast<const char*>(bytes);
    while (count > 0) {
        const DWORD chunk = count > 0x40000000u ? 0x40000000u : DWORD(count);
        DWORD written = 0;
        if (!WriteFile(file, p, chunk, &written, nullptr) || written == 0) return false;
        p += written;
        count -= written;
    }
    return true;
}

// Process, thread and a count: no two operations alive at once share it.
std::u16string UniquePart() {
    static std::atomic<unsigned long> counter{0};
    wchar_t text[64] = {};
    std::swprintf(text, 64, L"-%lx-%lx-%lx", static_cast<unsigned long>(GetCurrentProcessId()),
                  static_cast<unsigned long>(GetCurrentThreadId()), counter.fetch_add(1) + 1);
    return std::u16string(reinterpret_cast<const char16_t*>(text));
}

}  // namespace

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
    WriteAll(file.get(), bytes, count);
    return true;
}

// Windows has no file without a name that others can open by path, so every
// scratch file is named; the naming choice changes nothing here.
bool ScratchFile::Create(const char16_t* prefix, const char16_t* extension, const void* bytes, size_t count,
                         ScratchNaming) {
    Remove();
    if (prefix == nullptr || extension == nullptr || (bytes == nullptr && count > 0)) return false;
    std::u16string directory = TemporaryDirectory();
    if (directory.empty()) return false;
    if (directory.back() != u'\\') directory.push_back(u'\\');

    // A name left by a process that had the same id is skipped, not replaced.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::u16string name = directory + prefix + UniquePart() + extension;
        bool written = false;
        {
            FileHandle file(CreateFileW(Native(name.c_str()), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_TEMPORARY, nullptr));
            if (file.get() == INVALID_HANDLE_VALUE) {
                const DWORD error = GetLastError();
                if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
                return false;
            }
            name_ = name;
            path_ = name;
            written = WriteAll(file.get(), bytes, count);
        }
        // Removed only once closed: the file was opened without delete sharing.
        if (!written) Remove();
        return written;
    }
    return false;
}

void ScratchFile::Remove() {
    if (!name_.empty()) DeleteFileW(Native(name_.c_str()));
    name_.clear();
    path_.clear();
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

std::optional<uint64_t> MeasureOpenFile(std::FILE* file) {
    if (file == nullptr) return std::nullopt;
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    LARGE_INTEGER size;
    if (handle == INVALID_HANDLE_VALUE || !GetFileSizeEx(handle, &size) || size.QuadPart < 0) return std::nullopt;
    return uint64_t(size.QuadPart);
}

}  // namespace clipferry::platform
