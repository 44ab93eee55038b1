// Finding response elements by name along the fixed search walk, and copying
// their text into fixed-size buffers.
#pragma once

#include <cstdint>
#include <string>

#include "platform/dom.h"

namespace clipferry::xml {

using platform::DomNodePtr;

// Room for the text of a short element (a number, a status), terminator
// included: a longer text is cut there.
constexpr uint32_t kShortTextUnits = 260;

// Equal when the same length and equal unit by unit once the ASCII capitals
// A to Z are folded to small letters; nothing else is folded.
bool NamesEqual(const char16_t* wanted, const std::u16string& name);

// Compares the direct children of parent, every kind of node, by name. Returns
// 0 when parent, name or out is null, else 1; *out is set only on a match.
int FindChildElement(const DomNodePtr& parent, const char16_t* name, DomNodePtr* out);

// Compares the children of start, then the children of the last of those,
// and so on down the chain of last children; a child with a following
// sibling is never entered, and start itself is never compared. Results as
// FindChildElement.
int FindElement(const DomNodePtr& start, const char16_t* name, DomNodePtr* out);

// Copies the text of the element FindElement finds, cut to size - 1 units and
// terminated. 0 for a null start, name or buffer or a size of 0, else 1; the
// buffer is untouched when nothing matched.
int CopyElementText(const DomNodePtr& start, const char16_t* name, char16_t* buffer, uint32_t size);

// The node's whole text (it and its descendants, in document order); empty
// for a null node or an unreadable text.
std::u16string ReadNodeText(const DomNodePtr& node);

// The node's DOM name; empty for a null node or an unreadable name.
std::u16string ReadNodeName(const DomNodePtr& node);

// The first child and the next sibling; null when there is none or the DOM
// failed.
DomNodePtr FirstChildOf(const DomNodePtr& node);
DomNodePtr NextSiblingOf(const DomNodePtr& node);

}  // namespace clipferry::xml
