// The numeric conversion and the entity decoding applied to response texts.
#include <gtest/gtest.h>

#include "xml/entity_decoding.h"
#include "xml/text_to_int.h"

namespace clipferry {
namespace {

TEST(TextToIntTest, ConvertsLikeTheServiceExpects) {
    const struct {
        std::u16string text;
        int32_t value;
    } cases[] = {
        {u"1", 1},           {u"01", 1},        {u"+1", 1},          {u"1.0", 1},
        {u" 1", 1},          {u"\t\n\r\v\f 7", 7}, {u"1 and more", 1}, {u"-7", -7},
        {u"12abc", 12},      {u"4294967297", 1}, {u"2147483648", INT32_MIN},
        {u"", 0},            {u"true", 0},      {u"-", 0},           {u"+-1", 0},
        {u"x1", 0},          {u"0000000000000000001", 1},
        {u"00000000000000000001", 0},  // the twentieth character no longer takes part
        {u"\u00e91", 0},     // a non-ASCII character is no white space
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TextToInt(c.text.c_str()), c.value) << std::string(c.text.begin(), c.text.end());
    }
    EXPECT_EQ(TextToInt(nullptr), 0);
}

TEST(DecodeEntitiesTest, RunsItsPassesInOrder) {
    const struct {
        std::u16string in;
        std::u16string out;
    } cases[] = {
        {u"Film &amp; Animation", u"Film & Animation"},
        {u"&amp;lt;", u"&lt;"},
        {u"&amp;gt;", u"&gt;"},
        {u"&amp;amp;", u"&amp;"},
        {u"&amp;apos;", u"'"},
        {u"&amp;quot;", u"\""},
        {u"&LT;&Amp;", u"&LT;&Amp;"},
        {u"&lt;&lt;&lt;", u"<<<"},
        {u"&lt;b&gt; &apos;x&quot;", u"<b> 'x\""},
        {u"&#38; &nbsp; & alone", u"&#38; &nbsp; & alone"},
        {u"", u""},
    };
    for (const auto& c : cases) {
        std::u16string text = c.in;
        DecodeEntities(text);
        EXPECT_EQ(text, c.out) << std::string(c.in.begin(), c.in.end());
    }
}

TEST(DecodeEntitiesTest, EachAmpersandReferenceShortensByFour) {
    std::u16string text = u"a&amp;b&amp;c&amp;";
    const size_t before = text.size();
    DecodeEntities(text);
    EXPECT_EQ(text, u"a&b&c&");
    EXPECT_EQ(text.size(), before - 12);
}

}  // namespace
}  // namespace clipferry
