// What an upload's form is held to before it is sent, the same in every
// host: the field and category limits, a title with words, tags as words.
#pragma once

#include <cstddef>
#include <string>

#include <clipferry.h>

namespace clipferry::rules {

// The most the library sends of a title, description or tags text, in UTF-8 bytes.
inline constexpr std::size_t kMostFieldBytes = CLIPFERRY_TEXT_MAX_BYTES;
// The upload call takes three category ids.
inline constexpr int kMostCategories = 3;

// Whether the text is empty or only blanks (space, tab, line breaks): a title
// needs words.
bool isBlank(const std::string& text);

// Tags as the service wants them, words separated by single spaces: commas
// and runs of spaces between words ("harbour, dusk,sea") become one space.
std::string tagsAsWords(const std::string& tags);

}  // namespace clipferry::rules
