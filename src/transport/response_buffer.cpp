// libcurl's write callback and the growth of one response body.
#include "transport/response_buffer.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>

namespace clipferry {

namespace {

// libcurl hands over at most 16 KiB at a time; one such chunk fits the first
// allocation.
constexpr size_t kFirstCapacity = 16384;

// The part of a chunk that is kept: its bytes before the first NUL.
size_t KeptLength(const char* data, size_t length) {
    if (length == 0) return 0;
    const void* nul = std::memchr(data, '\0', length);
    return nul != nullptr ? size_t(static_cast<const char*>(nul) - data) : length;
}

}  // namespace

const BufferAllocator& StandardBufferAllocator() {
    static const BufferAllocator allocator{std::calloc, std::realloc};
    return allocator;
}

namespace {
std::atomic<const BufferAllocator*> responseAllocator{nullptr};
}  // namespace

const BufferAllocator& ResponseBufferAllocator() {
    const BufferAllocator* allocator = responseAllocator.load(std::memory_order_acquire);
    return allocator != nullptr ? *allocator : StandardBufferAllocator();
}

void SetResponseBufferAllocator(const BufferAllocator* allocator) {
    responseAllocator.store(allocator, std::memory_order_release);
}

bool AppendChunk(ResponseBody& body, const char* data, size_t length, const BufferAllocator& allocator) {
    if (length > kAnswerCeiling - body.received_) {
        body.overCeiling_ = true;
        return false;
    }
    const size_t kept = KeptLength(data, length);
    const size_t needed = body.length_ + kept + 1;
    if (body.text_ == nullptr) {
        const size_t capacity = std::max(needed, kFirstCapacity);
        auto* fresh = static_cast<char*>(allocator.allocateZeroed(capacity, 1));
        if (fresh == nullptr) return false;
        body.text_ = fresh;
        body.capacity_ = capacity;
    } else if (needed > body.capacity_) {
        // Doubling keeps the copies of realloc linear in the body's size; when
        // the double cannot be had, what is needed may still be.
        const size_t doubled = body.capacity_ <= SIZE_MAX / 2 ? body.capacity_ * 2 : SIZE_MAX;
        // Never more than the largest answer taken needs.
        size_t capacity = std::min(std::max(needed, doubled), kAnswerCeiling + 1);
        // On failure realloc leaves the old block in place, still owned by the body.
        auto* grown = static_cast<char*>(allocator.reallocate(body.text_, capacity));
        if (grown == nullptr && capacity > needed) {
            capacity = needed;
            grown = static_cast<char*>(allocator.reallocate(body.text_, capacity));
        }
        if (grown == nullptr) return false;
        body.text_ = grown;
        body.capacity_ = capacity;
    }
    if (kept > 0) std::memcpy(body.text_ + body.length_, data, kept);
    body.length_ += kept;
    body.received_ += length;
    body.text_[body.length_] = '\0';
    return true;
}

extern "C" size_t AppendResponseChunk(char* data, size_t size, size_t count, void* target) {
    if (target == nullptr) return 0;
    if (size != 0 && count > SIZE_MAX / size) return 0;
    const size_t length = size * count;
    if (!AppendChunk(*static_cast<ResponseBody*>(target), data, length, ResponseBufferAllocator())) return 0;
    return length;
}

}  // namespace clipferry
