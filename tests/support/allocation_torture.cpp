// The counting allocators behind AllocationTorture. Replacing operator new
// here replaces it for the whole test program, so outside an armed scope it
// only forwards to malloc and free (which AddressSanitizer still watches).
#include "allocation_torture.h"

#include <libxml/parser.h>
#include <libxml/xmlmemory.h>

#include <cstdlib>
#include <new>

#include "transport/response_buffer.h"

namespace clipferry::test {

namespace {

struct TortureState {
    bool armed = false;
    long failAt = 0;
    long count = 0;
    bool injected = false;
};

thread_local TortureState state;

bool ShouldFail() {
    if (!state.armed) return false;
    if (++state.count != state.failAt) return false;
    state.injected = true;
    return true;
}

// libxml2's allocator as it was before arming.
xmlFreeFunc savedFree;
xmlMallocFunc savedMalloc;
xmlMallocFunc savedMallocAtomic;
xmlReallocFunc savedRealloc;
xmlStrdupFunc savedStrdup;

void* XmlMalloc(size_t size) { return ShouldFail() ? nullptr : savedMalloc(size); }
void* XmlMallocAtomic(size_t size) { return ShouldFail() ? nullptr : savedMallocAtomic(size); }
void* XmlRealloc(void* block, size_t size) { return ShouldFail() ? nullptr : savedRealloc(block, size); }
char* XmlStrdup(const char* text) { return ShouldFail() ? nullptr : savedStrdup(text); }
void XmlFree(void* block) { savedFree(block); }

void* BodyCalloc(size_t count, size_t size) { return ShouldFail() ? nullptr : std::calloc(count, size); }
void* BodyRealloc(void* block, size_t size) { return ShouldFail() ? nullptr : std::realloc(block, size); }
const BufferAllocator bodyAllocator{BodyCalloc, BodyRealloc};

void* Allocate(size_t size) {
    if (ShouldFail()) return nullptr;
    return std::malloc(size != 0 ? size : 1);
}

}  // namespace

AllocationTorture::AllocationTorture(long failAt) {
    xmlInitParser();
    xmlGcMemGet(&savedFree, &savedMalloc, &savedMallocAtomic, &savedRealloc, &savedStrdup);
    xmlGcMemSetup(XmlFree, XmlMalloc, XmlMallocAtomic, XmlRealloc, XmlStrdup);
    SetResponseBufferAllocator(&bodyAllocator);
    state = TortureState{true, failAt, 0, false};
}

AllocationTorture::~AllocationTorture() {
    state.armed = false;
    SetResponseBufferAllocator(nullptr);
    xmlGcMemSetup(savedFree, savedMalloc, savedMallocAtomic, savedRealloc, savedStrdup);
}

bool AllocationTorture::Injected() const { return state.injected; }
long AllocationTorture::Count() const { return state.count; }

}  // namespace clipferry::test

void* operator new(size_t size) {
    if (void* block = clipferry::test::Allocate(size)) return block;
    throw std::bad_alloc();
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return clipferry::test::Allocate(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return clipferry::test::Allocate(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, size_t) noexcept { std::free(block); }
void operator delete[](void* block, size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
