// Which texts an XML document can carry: the service echoes what it is sent
// in XML answers, so a text it could not write there is refused before sending.
#pragma once

namespace clipferry {

// False when the NUL-terminated text holds a unit no XML 1.0 text can hold,
// not even as a character reference: a C0 control other than tab, line feed
// and carriage return, or U+FFFE or U+FFFF. Surrogates pass; an unpaired one
// is sent as U+FFFD.
bool XmlCanCarry(const char16_t* text);

}  // namespace clipferry
