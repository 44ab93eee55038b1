// Category names arrive with the five predefined entity references escaped a
// second time; this undoes that second escaping.
#pragma once

#include <string>

namespace clipferry {

// Replaces "&lt;", "&gt;", "&amp;", "&apos;" and "&quot;", in that order of
// passes, each pass a non-overlapping replace-all. Never lengthens the text.
void DecodeEntities(std::u16string& text);

}  // namespace clipferry
