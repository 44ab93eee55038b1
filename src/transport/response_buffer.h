// The body of one response, collected by libcurl's write callback into a
// NUL-terminated malloc'd text that the caller releases with free.
#pragma once

#include <cstddef>
#include <cstdlib>

namespace clipferry {

// libcurl's write callback. target is the address of the caller's buffer
// pointer (null until the first chunk). Each chunk is appended up to its first
// NUL byte. Returns size * count, or 0 when memory cannot be had, so that
// libcurl ends the transfer with its write error; the caller's pointer then
// still holds null or the body received so far.
extern "C" size_t AppendResponseChunk(char* data, size_t size, size_t count, void* target);

// Where the buffer's memory comes from; tests put a failing one in its place.
struct BufferAllocator {
    void* (*allocateZeroed)(size_t count, size_t size);
    void* (*reallocate)(void* block, size_t size);
};

const BufferAllocator& StandardBufferAllocator();

// The work of AppendResponseChunk for a chunk of length bytes: true when the
// chunk was taken, false (buffer unchanged) when memory could not be had.
bool AppendChunk(char** buffer, const char* data, size_t length, const BufferAllocator& allocator);

// Owns a response buffer for the length of one operation; pass Address() to
// a request.
class ResponseBody {
public:
    ResponseBody() = default;
    ~ResponseBody() { std::free(data_); }
    ResponseBody(const ResponseBody&) = delete;
    ResponseBody& operator=(const ResponseBody&) = delete;

    char** Address() { return &data_; }
    const char* Text() const { return data_; }

private:
    char* data_ = nullptr;
};

}  // namespace clipferry
