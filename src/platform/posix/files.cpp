// POSIX files: the temporary directory, owner-only replacement and scratch
// files, and the media file opened for reading.
#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/text.h"

namespace clipferry::platform {

namespace {

std::string NativePath(const char16_t* path) { return Utf16ToUtf8(std::u16string(path)); }

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

// False when the bytes could not all be written.
bool WriteAll(int fd, const void* bytes, size_t count) {
    auto p = static_cast<const char*>(bytes);
    while (count > 0) {
        const ssize_t n = write(fd, p, count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        count -= size_t(n);
    }
    return true;
}

// Where a file without a name can be opened again while the descriptor lives.
std::string DescriptorPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

// Whether the path leads to the descriptor's own file (not so without /proc).
bool LeadsTo(const std::string& path, int fd) {
    struct stat byPath;
    struct stat byDescriptor;
    return stat(path.c_str(), &byPath) == 0 && fstat(fd, &byDescriptor) == 0 &&
           byPath.st_dev == byDescriptor.st_dev && byPath.st_ino == byDescriptor.st_ino;
}

}  // namespace

std::u16string TemporaryDirectory() {
    const char* dir = std::getenv("TMPDIR");
    if (dir == nullptr || *dir == '\0') dir = "/tmp";
    return Utf8ToUtf16(std::string(dir));
}

std::u16string DumpDirectory() {
    std::u16string dir = TemporaryDirectory();
    if (dir.empty() || dir.back() != u'/') dir.push_back(u'/');
    return dir;
}

bool PathExists(const char16_t* path) {
    if (path == nullptr || *path == u'\0') return false;
    struct stat info;
    return stat(NativePath(path).c_str(), &info) == 0;
}

bool ReplaceFileWith(const char16_t* path, const void* bytes, size_t count) {
    if (path == nullptr || *path == u'\0') return false;
    const std::string native = NativePath(path);
    // Whatever stands at the path (a stale file, a planted link) goes first;
    // the new file is then created afresh, so nothing is written through a link.
    unlink(native.c_str());
    FileDescriptor fd(open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (fd.get() < 0) return false;
    WriteAll(fd.get(), bytes, count);
    return true;
}

bool ScratchFile::Open(const char16_t* prefix, const char16_t* extension, ScratchNaming naming) {
    Remove();
    if (prefix == nullptr || extension == nullptr) return false;
    std::string directory = Utf16ToUtf8(TemporaryDirectory());
    if (directory.empty()) return false;

    if (naming == ScratchNaming::kNamelessWherePossible) {
        // O_EXCL: the file can never be given a name, not even by us.
        FileDescriptor fd(open(directory.c_str(), O_TMPFILE | O_EXCL | O_RDWR | O_CLOEXEC, 0600));
        if (fd.get() >= 0) {
            const std::string through = DescriptorPath(fd.get());
            if (LeadsTo(through, fd.get())) {
                path_ = Utf8ToUtf16(through);
                handle_ = fd.release();
            }
        }
        // Refused by the file system or the kernel, or /proc is not there to
        // read it back: a unique name will do.
    }

    if (handle_ < 0) {
        if (directory.back() != '/') directory.push_back('/');
        const std::string suffix = NativePath(extension);
        std::string name = directory + NativePath(prefix) + "-XXXXXX" + suffix;
        // Created with O_EXCL and mode 0600, so never through a link.
        FileDescriptor fd(mkostemps(name.data(), int(suffix.size()), O_CLOEXEC));
        if (fd.get() < 0) return false;
        const std::string through = DescriptorPath(fd.get());
        if (LeadsTo(through, fd.get())) {
            // Read back through the descriptor, the name can go at once: a
            // process killed from here on leaves nothing behind.
            unlink(name.c_str());
            path_ = Utf8ToUtf16(through);
        } else {
            name_ = Utf8ToUtf16(name);
            path_ = name_;
        }
        handle_ = fd.release();
    }

    // Set aside on the disk, not merely promised: a full file system fails here.
    if (posix_fallocate(int(handle_), 0, off_t(kReservedBytes)) != 0) {
        Remove();
        return false;
    }
    return true;
}

bool ScratchFile::Fill(const void* bytes, size_t count) {
    if (handle_ < 0 || (bytes == nullptr && count > 0)) return false;
    const int fd = int(handle_);
    return lseek(fd, 0, SEEK_SET) == 0 && WriteAll(fd, bytes, count) && ftruncate(fd, off_t(count)) == 0;
}

void ScratchFile::Remove() {
    if (handle_ >= 0) close(int(handle_));
    handle_ = -1;
    if (!name_.empty()) unlink(NativePath(name_.c_str()).c_str());
    name_.clear();
    path_.clear();
}

FilePtr OpenFileForReading(const char16_t* path) {
    if (path == nullptr || *path == u'\0') return nullptr;
    // Without O_NONBLOCK a FIFO would hold the open until a writer came. What
    // was opened is judged, not the path, which may have changed meanwhile.
    FileDescriptor fd(open(NativePath(path).c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0) return nullptr;
    // Only a regular file has an end: a device such as /dev/zero streams for ever.
    struct stat info;
    if (fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;
    const int flags = fcntl(fd.get(), F_GETFL);
    if (flags < 0 || fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) return nullptr;
    std::FILE* file = fdopen(fd.get(), "rb");
    if (file == nullptr) return nullptr;
    fd.release();
    return FilePtr(file);
}

std::optional<FileStamp> StampOpenFile(std::FILE* file) {
    if (file == nullptr) return std::nullopt;
    struct stat info;
    if (fstat(fileno(file), &info) != 0 || info.st_size < 0) return std::nullopt;
    return FileStamp{uint64_t(info.st_size), int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

}  // namespace clipferry::platform
