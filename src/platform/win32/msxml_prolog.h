// A look at the start of an answer before the XML library sees it: MSXML
// expands a document type's entities while loading and cannot be trusted to
// refuse one (Wine ignores ProhibitDTD), so the refusal comes first.
#pragma once

#include <cstddef>

namespace clipferry::platform::msxml {

// Whether the prolog, the part before the first element, holds only white
// space, comments and processing instructions (the declaration among them).
// False for a document type declaration, for anything else that is not XML
// there, and for a prolog in an encoding other than UTF-8 or UTF-16 (with or
// without a byte-order mark) or one that never ends.
bool PrologIsPlain(const unsigned char* bytes, size_t count);

}  // namespace clipferry::platform::msxml
