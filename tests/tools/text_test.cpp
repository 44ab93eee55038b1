#include "text.h"

#include <gtest/gtest.h>

namespace clipferry::cli {
namespace {

TEST(Text, RoundTripsEveryPlane) {
    const std::pair<std::string, std::u16string> cases[] = {
        {"", u""},
        {"Dana Demo", u"Dana Demo"},
        {"Ünïcödé – “quotes”", u"Ünïcödé – “quotes”"},
        {"動画", u"動画"},
        {"clip \xF0\x9F\x8E\xAC", u"clip \U0001F3AC"},  // outside the BMP: a surrogate pair
    };
    for (const auto& [utf8, utf16] : cases) {
        EXPECT_EQ(toUtf16(utf8), utf16) << utf8;
        EXPECT_EQ(toUtf8(utf16), utf8) << utf8;
    }
}

TEST(Text, InvalidUtf8IsRejected) {
    const char* const cases[] = {
        "\xFF",              // never a UTF-8 byte
        "abc\xC3",           // sequence cut short
        "\xC3(",             // continuation byte missing
        "\xC0\xAF",          // overlong '/'
        "\xED\xA0\x80",      // an encoded surrogate
        "\xF4\x90\x80\x80",  // past U+10FFFF
    };
    for (const char* bad : cases) {
        EXPECT_THROW(toUtf16(bad), TextError) << bad;
    }
}

TEST(Text, UnpairedSurrogatesFromTheServiceAreReplaced) {
    EXPECT_EQ(toUtf8(std::u16string{u'a', 0xD800, u'b'}), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(toUtf8(std::u16string{0xDC00}), "\xEF\xBF\xBD");
    EXPECT_EQ(toUtf8(static_cast<const char16_t*>(nullptr)), "");
}

}  // namespace
}  // namespace clipferry::cli
