// Shared libraries through the dynamic loader.
#include "platform/dynamic_library.h"

#include <dlfcn.h>

#include <mutex>

#include "platform/text.h"

namespace clipferry::platform {

LibraryHandle LoadSharedLibrary(const char16_t* fileName) {
    if (fileName == nullptr || *fileName == u'\0') return nullptr;
    const std::string name = Utf16ToUtf8(std::u16string(fileName));
    // Local binding keeps the library's symbols away from the host's.
    return dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* FindLibrarySymbol(LibraryHandle library, const char* name) {
    if (library == nullptr || name == nullptr) return nullptr;
    return dlsym(library, name);
}

void UnloadSharedLibrary(LibraryHandle library) {
    if (library != nullptr) dlclose(library);
}

namespace {
std::mutex libraryCalls;
}  // namespace

LibraryCallLock::LibraryCallLock() { libraryCalls.lock(); }
LibraryCallLock::~LibraryCallLock() { libraryCalls.unlock(); }

}  // namespace clipferry::platform
