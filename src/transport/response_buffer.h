// The body of one response, collected by libcurl's write callback into a
// NUL-terminated heap text that knows its length, released by its owner.
#pragma once

#include <cstddef>
#include <cstdlib>

namespace clipferry {

class ResponseBody;

// The largest answer taken, in bytes: more than a thousand times the largest
// list a real account has. A larger one is refused as it arrives, so a
// broken or hostile service or proxy cannot make the host run out of memory.
constexpr size_t kAnswerCeiling = size_t(64) << 20;

// libcurl's write callback. target is the caller's ResponseBody (its text is
// null until the first chunk). Each chunk is appended up to its first NUL
// byte. Returns size * count, or 0 when memory cannot be had or the answer
// would pass kAnswerCeiling, so that libcurl ends the transfer with its write
// error; the body then still holds null or the text received so far.
extern "C" size_t AppendResponseChunk(char* data, size_t size, size_t count, void* target);

// Where the buffer's memory comes from; tests put a failing one in its place.
struct BufferAllocator {
    void* (*allocateZeroed)(size_t count, size_t size);
    void* (*reallocate)(void* block, size_t size);
};

const BufferAllocator& StandardBufferAllocator();

// The allocator AppendResponseChunk uses: the standard one unless a test has
// put another in its place (null puts the standard one back). Set it only
// while no transfer is running.
const BufferAllocator& ResponseBufferAllocator();
void SetResponseBufferAllocator(const BufferAllocator* allocator);

// The work of AppendResponseChunk for a chunk of length bytes: true when the
// chunk was taken, false (body unchanged) when memory could not be had or
// the bytes received would pass the ceiling (the body then says so).
bool AppendChunk(ResponseBody& body, const char* data, size_t length, const BufferAllocator& allocator);

// Owns a response body for the length of one operation. The held length is
// kept, not measured, and the capacity grows geometrically, so a body of n
// bytes costs O(n) however many chunks it arrives in.
class ResponseBody {
public:
    ResponseBody() = default;
    ~ResponseBody() { std::free(text_); }
    ResponseBody(const ResponseBody&) = delete;
    ResponseBody& operator=(const ResponseBody&) = delete;

    // The write target to give a request (and libcurl's CURLOPT_WRITEDATA).
    ResponseBody* Address() { return this; }
    // Null until the first chunk arrives; then NUL-terminated.
    const char* Text() const { return text_; }
    // The text's length, up to its terminating NUL.
    size_t Length() const { return length_; }
    // Whether the answer was refused for passing kAnswerCeiling.
    bool OverCeiling() const { return overCeiling_; }

private:
    friend bool AppendChunk(ResponseBody& body, const char* data, size_t length, const BufferAllocator& allocator);

    char* text_ = nullptr;
    size_t length_ = 0;
    size_t capacity_ = 0;
    // Every byte that arrived, those after a NUL included.
    size_t received_ = 0;
    bool overCeiling_ = false;
};

}  // namespace clipferry
