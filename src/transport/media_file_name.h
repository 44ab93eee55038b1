// The name an uploaded media file is given in the form: the final component
// of its path.
#pragma once

#include <string>

namespace clipferry {

// Longest name the form carries, in bytes.
inline constexpr size_t kMediaFileNameMax = 259;

// Derives the name from a UTF-8 path: a leading drive ("X:") is skipped, the
// name starts after the last "/" or "\", and splits at its last "." into a
// name part and an extension, each kept to its first 255 bytes. When the two
// together exceed kMediaFileNameMax bytes the name part is shortened further,
// so the extension survives. Cuts never split a UTF-8 sequence.
std::string MediaFileName(const std::string& utf8Path);

}  // namespace clipferry
