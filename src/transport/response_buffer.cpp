#include "transport/response_buffer.h"

#include <cstdint>
#include <cstring>

namespace clipferry {

namespace {

// The part of a chunk that is kept: its bytes before the first NUL.
size_t KeptLength(const char* data, size_t length) {
    if (length == 0) return 0;
    const void* nul = std::memchr(data, '\0', length);
    return nul != nullptr ? size_t(static_cast<const char*>(nul) - data) : length;
}

// The rest of the target's length + 1 bytes stays zero, so the text ends at
// the last kept byte.
void CopyKept(char* target, const char* data, size_t length) {
    const size_t kept = KeptLength(data, length);
    if (kept > 0) std::memcpy(target, data, kept);
}

}  // namespace

const BufferAllocator& StandardBufferAllocator() {
    static const BufferAllocator allocator{std::calloc, std::realloc};
    return allocator;
}

bool AppendChunk(char** buffer, const char* data, size_t length, const BufferAllocator& allocator) {
    if (length == SIZE_MAX) return false;
    if (*buffer == nullptr) {
        auto* fresh = static_cast<char*>(allocator.allocateZeroed(length + 1, 1));
        if (fresh == nullptr) return false;
        CopyKept(fresh, data, length);
        *buffer = fresh;
        return true;
    }
    const size_t held = std::strlen(*buffer);
    if (length > SIZE_MAX - 1 - held) return false;
    // On failure realloc leaves the old block in place, still owned by the caller.
    auto* grown = static_cast<char*>(allocator.reallocate(*buffer, held + length + 1));
    if (grown == nullptr) return false;
    std::memset(grown + held, 0, length + 1);
    CopyKept(grown + held, data, length);
    *buffer = grown;
    return true;
}

extern "C" size_t AppendResponseChunk(char* data, size_t size, size_t count, void* target) {
    if (target == nullptr) return 0;
    if (size != 0 && count > SIZE_MAX / size) return 0;
    const size_t length = size * count;
    if (!AppendChunk(static_cast<char**>(target), data, length, StandardBufferAllocator())) return 0;
    return length;
}

}  // namespace clipferry
