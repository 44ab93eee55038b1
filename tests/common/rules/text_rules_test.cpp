// The text rules every host holds a text or a file to: control characters and
// the service's file types.
#include <clipferry-common/control_characters.h>
#include <clipferry-common/file_types.h>

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace clipferry::rules {
namespace {

TEST(TextRules, ControlCharacters) {
    // (text, holds one, holds one besides tab and line breaks)
    const std::tuple<const char*, std::string, bool, bool> rows[] = {
        {"plain", "Harbour at dusk", false, false},
        {"C0", "a\x01" "b", true, true},
        {"escape sequence", "\x1b[31mred", true, true},
        {"line break and tab", "line\none\ttab", true, false},
        {"carriage return", "a\r\nb", true, false},
        {"DEL", "del\x7f", true, true},
        {"C1 as UTF-8", "csi \xC2\x9B" "2J", true, true},
        {"last C1", "\xC2\x9F", true, true},
        {"no-break space, past C1", "Ünïcödé \xC2\xA0", false, false},
        {"lone C2 at the end", "caf\xC2", false, false},
        {"not UTF-8", "caf\xE9", false, false},
    };
    for (const auto& [name, text, any, beyondLineBreaks] : rows) {
        EXPECT_EQ(hasControlCharacter(text), any) << name;
        EXPECT_EQ(hasControlCharacter(text, true), beyondLineBreaks) << name;
    }
}

TEST(TextRules, FileTypesAsTheServiceListsThem) {
    const std::pair<std::string, std::vector<std::string>> rows[] = {
        {"*.mp4; *.MOV;", {"*.mp4", "*.MOV"}},
        {"*.avi,*.mkv , webm", {"*.avi", "*.mkv", "webm"}},
        {" ; ,\t", {}},
        {"", {}},
    };
    for (const auto& [list, patterns] : rows) EXPECT_EQ(splitFileTypes(list), patterns) << list;
}

TEST(TextRules, FileNamesAgainstFileTypes) {
    const char* const service = "*.mp4; *.MOV;*.av?;clip-*.mkv;webm;.ogv";
    // (the service's list, a file's name, whether it matches)
    const std::tuple<const char*, const char*, bool> rows[] = {
        {service, "holiday.mp4", true},
        {service, "HOLIDAY.MP4", true},  // ASCII case is ignored
        {service, "a.mov", true},
        {service, "a.avi", true},
        {service, "a.av\xC3\xAF", true},  // ? takes a whole character
        {service, "a.av", false},
        {service, "a.avix", false},
        {service, "clip-1.mkv", true},
        {service, "other.mkv", false},
        {service, "a.webm", true},  // without a wildcard: an extension
        {service, "a.ogv", true},
        {service, "a.mp4.txt", false},
        {service, "mp4", false},
        {"*.*.*", "a.b.c", true},
        {"*a*b", "aaab", true},  // the * has to try longer
        {"", "a.mp4", false},
    };
    for (const auto& [list, name, matches] : rows) {
        EXPECT_EQ(matchesFileTypes(name, splitFileTypes(list)), matches) << list << " / " << name;
    }
    // An empty pattern (never in a list the service gives) matches nothing.
    EXPECT_EQ(asWildcard(""), "");
    EXPECT_FALSE(matchesFileTypes("a.", {""}));
}

}  // namespace
}  // namespace clipferry::rules
