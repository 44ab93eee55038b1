// Windows files: the user's temporary directory and the files the library
// writes and reads, its scratch files among them.
#include "platform/files.h"

#include <io.h>
#include <windows.h>
#include <shlwapi.h>

#include <atomic>
#include <cwchar>
#include <vector>

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

// Security for a new file that only the user running the process may open:
// one entry, for that user, and nothing inherited from the directory (the
// dumps go to C:\, where other users may read what is created).
class OwnerOnly {
public:
    OwnerOnly() {
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return;
        DWORD size = 0;
        GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        user_.resize((size + 3) / 4);
        const bool known = size > 0 && GetTokenInformation(token, TokenUser, user_.data(), size, &size);
        CloseHandle(token);
        if (!known) return;
        const PSID sid = reinterpret_cast<TOKEN_USER*>(user_.data())->User.Sid;
        const DWORD aclSize = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(sid);
        acl_.resize((aclSize + 3) / 4);
        const auto acl = reinterpret_cast<PACL>(acl_.data());
        if (!InitializeAcl(acl, aclSize, ACL_REVISION) || !AddAccessAllowedAce(acl, ACL_REVISION, GENERIC_ALL, sid) ||
            !InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) ||
            !SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE) ||
            !SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED))
            return;
        attributes_.nLength = sizeof attributes_;
        attributes_.lpSecurityDescriptor = &descriptor_;
        attributes_.bInheritHandle = FALSE;
        ready_ = true;
    }
    OwnerOnly(const OwnerOnly&) = delete;
    OwnerOnly& operator=(const OwnerOnly&) = delete;

    // Null when it could not be built: no file is created then.
    SECURITY_ATTRIBUTES* get() { return ready_ ? &attributes_ : nullptr; }

private:
    // DWORDs keep the token and the list aligned as the system expects.
    std::vector<DWORD> user_;
    std::vector<DWORD> acl_;
    SECURITY_DESCRIPTOR descriptor_ = {};
    SECURITY_ATTRIBUTES attributes_ = {};
    bool ready_ = false;
};

// A new file of the user's alone, opened for writing; never one that was
// there (CREATE_NEW), so never through a link.
HANDLE CreateOwnFile(const wchar_t* path, DWORD attributes) {
    OwnerOnly security;
    if (security.get() == nullptr) return INVALID_HANDLE_VALUE;
    return CreateFileW(path, GENERIC_WRITE, 0, security.get(), CREATE_NEW, attributes, nullptr);
}

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
    FileHandle file(CreateOwnFile(Native(path), FILE_ATTRIBUTE_NORMAL));
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
            FileHandle file(CreateOwnFile(Native(name.c_str()), FILE_ATTRIBUTE_TEMPORARY));
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

std::optional<FileStamp> StampOpenFile(std::FILE* file) {
    if (file == nullptr) return std::nullopt;
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    BY_HANDLE_FILE_INFORMATION info;
    if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &info)) return std::nullopt;
    const uint64_t size = (uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    const uint64_t written = (uint64_t(info.ftLastWriteTime.dwHighDateTime) << 32) | info.ftLastWriteTime.dwLowDateTime;
    return FileStamp{size, int64_t(written)};
}

}  // namespace clipferry::platform
