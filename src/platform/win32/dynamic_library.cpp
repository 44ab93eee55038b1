// Shared libraries through the Windows loader.
#include "platform/dynamic_library.h"

#include <windows.h>

namespace clipferry::platform {

LibraryHandle LoadSharedLibrary(const char16_t* fileName) {
    if (fileName == nullptr || *fileName == u'\0') return nullptr;
    return LoadLibraryW(reinterpret_cast<const wchar_t*>(fileName));
}

void* FindLibrarySymbol(LibraryHandle library, const char* name) {
    if (library == nullptr || name == nullptr) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void UnloadSharedLibrary(LibraryHandle library) {
    if (library != nullptr) FreeLibrary(static_cast<HMODULE>(library));
}

namespace {
// Statically initialised: usable before any constructor has run.
SRWLOCK libraryCalls = SRWLOCK_INIT;
}  // namespace

LibraryCallLock::LibraryCallLock() { AcquireSRWLockExclusive(&libraryCalls); }
LibraryCallLock::~LibraryCallLock() { ReleaseSRWLockExclusive(&libraryCalls); }

}  // namespace clipferry::platform
