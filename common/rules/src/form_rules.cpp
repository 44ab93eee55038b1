// The form's rules over UTF-8: blanks and separators are ASCII, so a byte
// search never splits a character.
#include "clipferry-common/form_rules.h"

#include <algorithm>

namespace clipferry::rules {

bool isBlank(const std::string& text) {
    return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

std::string tagsAsWords(const std::string& tags) {
    std::string words;
    std::size_t start = 0;
    while ((start = tags.find_first_not_of(", ", start)) != std::string::npos) {
        const std::size_t end = std::min(tags.find_first_of(", ", start), tags.size());
        words += (words.empty() ? "" : " ") + tags.substr(start, end - start);
        start = end;
    }
    return words;
}

}  // namespace clipferry::rules
