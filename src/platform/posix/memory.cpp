// POSIX: explicit_bzero, which the compiler never treats as a dead store.
#include "platform/memory.h"

#include <string.h>

namespace clipferry::platform {

void WipeMemory(void* bytes, size_t count) {
    if (bytes != nullptr) explicit_bzero(bytes, count);
}

}  // namespace clipferry::platform
