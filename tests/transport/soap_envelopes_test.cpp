#include "transport/soap_envelopes.h"

#include <gtest/gtest.h>

#include <string>

#include "expected_envelopes.h"

namespace clipferry {
namespace {

using namespace clipferry::testing;

TEST(SoapEnvelopes, MatchTheLayoutByteForByte) {
    EXPECT_EQ(UserLoginEnvelope("anna", "s3cret"), ExpectedUserLogin("anna", "s3cret"));
    EXPECT_EQ(GetModeratorsEnvelope(4711), ExpectedGetModerators("4711"));
    EXPECT_EQ(GetCategoriesEnvelope(0), ExpectedGetCategories("0"));
    EXPECT_EQ(GetCategoriesEnvelope(2147483647), ExpectedGetCategories("2147483647"));
    EXPECT_EQ(GetFileTypesEnvelope(), ExpectedGetFileTypes());
}

struct EscapeCase {
    const char* raw;
    const char* escaped;
};

TEST(SoapEnvelopes, EscapeMarkupInUserNameAndPassword) {
    const EscapeCase cases[] = {
        {"plain", "plain"},
        {"a&b", "a&amp;b"},
        {"<x>", "&lt;x&gt;"},
        {"say \"hi\"", "say &quot;hi&quot;"},
        {"it's", "it&apos;s"},
        {"&amp;", "&amp;amp;"},  // an entity typed by the user stays literal text
        {"</Username><Admin>1</Admin>", "&lt;/Username&gt;&lt;Admin&gt;1&lt;/Admin&gt;"},
        {"J\xC3\xB6rg", "J\xC3\xB6rg"},  // UTF-8 passes unchanged
        {"a\rb", "a&#13;b"},  // a raw one would be read back as a line feed
    };
    for (const EscapeCase& c : cases) {
        SCOPED_TRACE(c.raw);
        EXPECT_EQ(UserLoginEnvelope(c.raw, "pw"), ExpectedUserLogin(c.escaped, "pw"));
        EXPECT_EQ(UserLoginEnvelope("user", c.raw), ExpectedUserLogin("user", c.escaped));
    }
}

TEST(SoapEnvelopes, HoldLongEscapedTextWhole) {
    // 259 ampersands each way grow far past the old fixed body size.
    const std::string raw(259, '&');
    std::string escaped;
    for (int i = 0; i < 259; ++i) escaped += "&amp;";
    EXPECT_EQ(UserLoginEnvelope(raw.c_str(), raw.c_str()), ExpectedUserLogin(escaped, escaped));
}

struct CredentialCase {
    const char* name;
    std::u16string text;
    bool accepted;
};

TEST(SoapEnvelopes, CredentialFieldsHoldOnlyWhatTheEnvelopeCanCarry) {
    const CredentialCase cases[] = {
        {"plain", u"demo", true},
        {"tab_line_feed_return", u"a\tb\nc\rd", true},
        {"unpaired_surrogate_sent_as_replacement", u"a\xD800z", true},
        {"longest", std::u16string(259, u'x'), true},
        {"too_long", std::u16string(260, u'x'), false},
        {"control_character", u"ap*ac>\"\x0164\x0005", false},
        {"unit_separator", u"x\x001F", false},
        {"noncharacter_fffe", u"x\xFFFE", false},
        {"noncharacter_ffff", u"\xFFFF", false},
    };
    for (const CredentialCase& c : cases) {
        SCOPED_TRACE(c.name);
        char field[260] = {};
        EXPECT_EQ(ToCredentialField(c.text.c_str(), field), c.accepted);
    }
}

}  // namespace
}  // namespace clipferry
