// The form rules every host holds an upload to: a title with words, tags as words.
#include <clipferry-common/form_rules.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace clipferry::rules {
namespace {

TEST(FormRules, BlankText) {
    const std::pair<const char*, bool> rows[] = {
        {"", true}, {" \t\r\n", true}, {" a ", false}, {"\xC2\xA0", false},  // a no-break space is a character
    };
    for (const auto& [text, blank] : rows) EXPECT_EQ(isBlank(text), blank) << text;
}

TEST(FormRules, TagsWrittenWithCommasBecomeWords) {
    const std::pair<const char*, const char*> rows[] = {
        {"harbour, dusk,sea", "harbour dusk sea"}, {" a  b ", "a b"}, {",,", ""}, {"one", "one"}, {"", ""},
        {"caf\xC3\xA9,th\xC3\xA9", "caf\xC3\xA9 th\xC3\xA9"},
    };
    for (const auto& [given, sent] : rows) EXPECT_EQ(tagsAsWords(given), sent) << given;
}

}  // namespace
}  // namespace clipferry::rules
