// Windows files: the user's temporary directory and the files the library
// writes and reads, its scratch files among them.
#include "platform/files.h"

#include <fcntl.h>
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
    HANDLE release() {
        const HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return handle;
    }

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
    // Room for any folder GetTempPathW reports, far past MAX_PATH.
    constexpr DWORD kUnits = 1040;
    wchar_t buffer[kUnits] = {};
    const DWORD length = GetTempPathW(kUnits, buffer);
    if (length == 0 || length >= kUnits) return std::u16string();
    return std::u16string(reinterpret_cast<const char16_t*>(buffer), length);
}

std::u16string DumpDirectory() { return u"C:\\"; }

bool PathExists(const char16_t* path) {
    return path != nullptr && *path != u'\0' && PathFileExistsW(Native(path));
}

bool ReplaceFileWith(const char16_t* path, const void* bytes, size_t count) {
    if (path == nullptr || *path == u'\0') return false;
    DeleteFileW(Native(path));
    FileHandle file(CreateOwnFile(Native(path), FILE_ATTRIBUTE_NORMAL));
    if (file.get() == INVALID_HANDLE_VALUE) return false;
    WriteAll(file.get(), bytes, count);
    return true;
}

// Windows has no file without a name, so every scratch file is named; the
// system removes it when the last handle to it closes, also the handle of a
// process that was killed. The naming choice changes nothing here.
bool ScratchFile::Open(const char16_t* prefix, const char16_t* extension, ScratchNaming) {
    Remove();
    if (prefix == nullptr || extension == nullptr) return false;
    std::u16string directory = TemporaryDirectory();
    if (directory.empty()) return false;
    if (directory.back() != u'\\') directory.push_back(u'\\');
    OwnerOnly security;
    if (security.get() == nullptr) return false;

    // A name left by a process that had the same id is skipped, not replaced.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::u16string name = directory + prefix + UniquePart() + extension;
        // Readers share delete access, which the delete-on-close handle holds;
        // CREATE_NEW never opens what was there, so never through a link.
        const HANDLE file = CreateFileW(Native(name.c_str()), GENERIC_READ | GENERIC_WRITE | DELETE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, security.get(),
                                        CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
            return false;
        }
        handle_ = reinterpret_cast<std::intptr_t>(file);
        path_ = name;
        // Set aside on the disk: a full disk fails here, before any request.
        LARGE_INTEGER reserve;
        reserve.QuadPart = LONGLONG(kReservedBytes);
        if (!SetFilePointerEx(file, reserve, nullptr, FILE_BEGIN) || !SetEndOfFile(file)) {
            Remove();
            return false;
        }
        return true;
    }
    return false;
}

bool ScratchFile::Fill(const void* bytes, size_t count) {
    if (handle_ == -1 || (bytes == nullptr && count > 0)) return false;
    const auto file = reinterpret_cast<HANDLE>(handle_);
    LARGE_INTEGER start;
    start.QuadPart = 0;
    return SetFilePointerEx(file, start, nullptr, FILE_BEGIN) && WriteAll(file, bytes, count) &&
           SetEndOfFile(file);
}

void ScratchFile::Remove() {
    // Closing the last handle removes the file.
    if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(handle_));
    handle_ = -1;
    name_.clear();
    path_.clear();
}

FilePtr OpenFileForReading(const char16_t* path) {
    if (path == nullptr || *path == u'\0') return nullptr;
    // Sharing delete access lets a scratch file be read back while its
    // delete-on-close handle is open, and a media file be removed while it is
    // sent (it is then sent whole, as on other systems).
    FileHandle opened(CreateFileW(Native(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (opened.get() == INVALID_HANDLE_VALUE) return nullptr;
    // Only a file on disk has an end: a device or a pipe named by the path
    // would be read for ever, or block.
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileType(opened.get()) != FILE_TYPE_DISK || !GetFileInformationByHandle(opened.get(), &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return nullptr;
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(opened.get()), _O_RDONLY | _O_BINARY);
    if (descriptor == -1) return nullptr;
    opened.release();
    FilePtr file(_fdopen(descriptor, "rb"));
    if (file == nullptr) _close(descriptor);
    return file;
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
