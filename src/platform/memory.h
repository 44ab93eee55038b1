// Wiping secrets (passwords, auth keys) from memory with stores the compiler
// must keep, even on memory that is about to be freed or go out of scope.
#pragma once

#include <cstddef>

namespace clipferry::platform {

void WipeMemory(void* bytes, size_t count);

}  // namespace clipferry::platform
