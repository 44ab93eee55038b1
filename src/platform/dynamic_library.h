// Loading a shared library at run time and finding its entry points.
#pragma once

namespace clipferry::platform {

using LibraryHandle = void*;

// Loads the library by file name (UTF-16); null when it does not load.
LibraryHandle LoadSharedLibrary(const char16_t* fileName);

// The address the library exports under that exact name, or null.
void* FindLibrarySymbol(LibraryHandle library, const char* name);

void UnloadSharedLibrary(LibraryHandle library);

}  // namespace clipferry::platform
