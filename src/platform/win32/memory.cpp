// Windows: SecureZeroMemory, which the compiler never treats as a dead store.
#include "platform/memory.h"

#include <windows.h>

namespace clipferry::platform {

void WipeMemory(void* bytes, size_t count) {
    if (bytes != nullptr) SecureZeroMemory(bytes, count);
}

}  // namespace clipferry::platform
