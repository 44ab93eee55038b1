// Loading a shared library at run time and finding its entry points.
#pragma once

namespace clipferry::platform {

using LibraryHandle = void*;

// Loads the library by file name (UTF-16); null when it does not load.
LibraryHandle LoadSharedLibrary(const char16_t* fileName);

// The address the library exports under that exact name, or null.
void* FindLibrarySymbol(LibraryHandle library, const char* name);

void UnloadSharedLibrary(LibraryHandle library);

// Held around a call into a loaded library that the library does not make
// safe on two threads at once; one lock for the whole process.
class LibraryCallLock {
public:
    LibraryCallLock();
    ~LibraryCallLock();
    LibraryCallLock(const LibraryCallLock&) = delete;
    LibraryCallLock& operator=(const LibraryCallLock&) = delete;
};

}  // namespace clipferry::platform
