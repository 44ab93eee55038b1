#include "text/text.h"

#include <gtest/gtest.h>

#include <utility>

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
        EXPECT_EQ(toUtf16(Secret(utf8)).view(), utf16) << utf8;  // a password's, wiped after
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
        // A password's error does not repeat it.
        try {
            toUtf16(Secret(std::string("hunter2") + bad));
            ADD_FAILURE() << bad;
        } catch (const TextError& e) {
            EXPECT_EQ(std::string(e.what()).find("hunter2"), std::string::npos) << e.what();
        }
    }
}

TEST(Text, UnpairedSurrogatesFromTheServiceAreReplaced) {
    EXPECT_EQ(toUtf8(std::u16string{u'a', 0xD800, u'b'}), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(toUtf8(std::u16string{0xDC00}), "\xEF\xBF\xBD");
    EXPECT_EQ(toUtf8(static_cast<const char16_t*>(nullptr)), "");
}

TEST(Text, ControlCharactersAreShownAsEscapes) {
    // (text, as printed)
    const std::pair<std::string, std::string> rows[] = {
        {"Harbour at dusk", "Harbour at dusk"},
        {"a\x01" "b", "a\\x01b"},
        {"\x1b[31mred", "\\x1b[31mred"},
        {"line\none\ttab", "line\\none\\ttab"},
        {"del\x7f", "del\\x7f"},
        {"csi \xC2\x9B" "2J", "csi \\u009b2J"},  // C1, as UTF-8
        {"caf\xE9", "caf\\xe9"},               // not UTF-8: the byte
        {"Ünïcödé \xC2\xA0", "Ünïcödé \xC2\xA0"},  // no-break space stays
    };
    for (const auto& [text, shown] : rows) EXPECT_EQ(visible(text), shown);
}

}  // namespace
}  // namespace clipferry::cli
