// Whether UTF-8 text holds a control character: one rule for every host that
// checks a text before it goes out or is shown on one line.
#pragma once

#include <string>

namespace clipferry::rules {

// Whether the text holds a control character: C0, DEL or C1. With
// `lineBreaksAllowed`, tab, line feed and carriage return do not count.
bool hasControlCharacter(const std::string& utf8, bool lineBreaksAllowed = false);

}  // namespace clipferry::rules
