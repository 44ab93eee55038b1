// The decimal conversion every numeric response element goes through.
#pragma once

#include <cstdint>

namespace clipferry {

// Optional white space, an optional sign, then decimal digits up to the first
// non-digit, in wrapping 32-bit arithmetic; no digits give 0. At most the
// first 19 characters take part.
int32_t TextToInt(const char16_t* text);

}  // namespace clipferry
