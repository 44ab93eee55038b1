// Login and list results taken out of answers the way the service shapes them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "xml/login_record.h"
#include "xml/list_extraction.h"
#include "xml/login_extraction.h"
#include "xml/response_document.h"
#include "xml_test_support.h"

namespace clipferry::xml {
namespace {

using test::Wide;

std::string Envelope(const std::string& inner) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><SOAP-ENV:Envelope "
           "xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" xmlns:ns1=\"urn:x\">"
           "<SOAP-ENV:Body><ns1:Response>" +
           inner + "</ns1:Response></SOAP-ENV:Body></SOAP-ENV:Envelope>";
}

std::string LoginAnswer(const std::string& status, const std::string& information) {
    return Envelope("<return><LoginStatus>" + status + "</LoginStatus>" + information + "</return>");
}

class ExtractionTest : public ::testing::Test {
protected:
    ResponseDocument& Load(const std::string& body) {
        EXPECT_EQ(document_.LoadFromBuffer(body.data(), uint32_t(body.size())), 1);
        return document_;
    }
    test::OwnDirectory directory_;
    test::TmpdirOverride tmpdir_{directory_.path().string()};
    ResponseDocument document_;
};

TEST_F(ExtractionTest, LoginStatusAcceptsOnlyOne) {
    const struct {
        std::string body;
        bool accepted;
    } cases[] = {
        {LoginAnswer("1", ""), true},
        {LoginAnswer("01", ""), true},
        {LoginAnswer(" 1 and more", ""), true},
        {LoginAnswer("0", ""), false},
        {LoginAnswer("2", ""), false},
        {LoginAnswer("true", ""), false},
        {LoginAnswer("", ""), false},
        {Envelope("<RETURN><loginstatus>1</loginstatus></RETURN>"), true},
        {Envelope("<return><wrap><LoginStatus>1</LoginStatus></wrap></return>"), false},
        {Envelope("<LoginStatus>1</LoginStatus>"), false},
        {Envelope("<x:return xmlns:x=\"urn:y\"><LoginStatus>1</LoginStatus></x:return>"), false},
        {"<html><body>502 Bad Gateway</body></html>", false},
    };
    for (const auto& c : cases) {
        ResponseDocument document;
        ASSERT_EQ(document.LoadFromBuffer(c.body.data(), uint32_t(c.body.size())), 1);
        EXPECT_EQ(ReadLoginStatus(document), c.accepted) << c.body;
    }
}

TEST_F(ExtractionTest, LoginInformationFillsTheRecord) {
    LoginRecord record{};
    const std::string first(300, 'f');
    const std::string key(3100, 'k');
    Load(LoginAnswer("1", "<UserLoginInformation><ContactId>-7</ContactId><ShowModerators>1</ShowModerators>"
                          "<FirstName>" + first + "</FirstName><LastName>L&amp;M</LastName>"
                          "<EmailAddress>a@b.example</EmailAddress><AuthKey>" + key +
                          "</AuthKey></UserLoginInformation>"));
    EXPECT_EQ(ReadLoginInformation(document_, record), 1);
    EXPECT_EQ(record.contactId, -7);
    EXPECT_EQ(record.showModerators, 1);
    EXPECT_EQ(std::u16string(record.firstName), Wide(first.substr(0, 259)));
    EXPECT_EQ(std::u16string(record.lastName), u"L&M");
    EXPECT_EQ(std::u16string(record.emailAddress), u"a@b.example");
    EXPECT_EQ(std::string(record.authKey), key.substr(0, 3071));
}

TEST_F(ExtractionTest, AuthKeyOfFullLengthIsKeptWhole) {
    LoginRecord record{};
    const std::string key(3071, 'k');
    Load(LoginAnswer("1", "<UserLoginInformation><AuthKey>" + key + "</AuthKey></UserLoginInformation>"));
    ReadLoginInformation(document_, record);
    EXPECT_EQ(std::string(record.authKey), key);
}

TEST_F(ExtractionTest, MissingFieldsKeepOrClear) {
    LoginRecord record{};
    record.contactId = 5;
    record.showModerators = 1;
    std::strcpy(record.authKey, "old-key");
    std::u16string(u"old@mail").copy(record.emailAddress, 8);
    std::u16string(u"Old").copy(record.firstName, 3);

    Load(LoginAnswer("1", "<UserLoginInformation><ShowModerators>yes</ShowModerators>"
                          "<FirstName></FirstName></UserLoginInformation>"));
    ReadLoginInformation(document_, record);
    EXPECT_EQ(record.contactId, 0);
    EXPECT_EQ(record.showModerators, 0);
    EXPECT_STREQ(record.authKey, "");
    EXPECT_EQ(std::u16string(record.emailAddress), u"old@mail");
    EXPECT_EQ(std::u16string(record.firstName), u"");
}

TEST_F(ExtractionTest, NoLoginInformationWritesNothing) {
    LoginRecord record{};
    record.contactId = 9;
    std::strcpy(record.authKey, "kept");
    Load(LoginAnswer("1", ""));
    EXPECT_EQ(ReadLoginInformation(document_, record), 1);
    EXPECT_EQ(record.contactId, 9);
    EXPECT_STREQ(record.authKey, "kept");
}

struct Category {
    int32_t id;
    std::u16string name;
    int32_t reserved;
    void* userData;
};

void CollectCategory(int32_t id, const clipferry_char* name, int32_t reserved, void* userData) {
    static_cast<std::vector<Category>*>(userData)->push_back(Category{id, name, reserved, userData});
}

TEST_F(ExtractionTest, CategoriesInDocumentOrderWithDecodedNames) {
    const std::string longName(300, 'n');
    Load(Envelope("<GetCategoriesResult><ResultCount>5</ResultCount>"
                  "<item><CategoryId>3</CategoryId><CategoryName>Film &amp;amp; Animation</CategoryName></item>"
                  "<other><item><CategoryId>99</CategoryId></item></other>"
                  "<ITEM><CategoryId>4</CategoryId></ITEM>"
                  "<Item><CategoryName>" + longName + "</CategoryName></Item>"
                  "</GetCategoriesResult>"));
    std::vector<Category> seen;
    EXPECT_EQ(EnumerateCategories(document_, &seen, CollectCategory), 1);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].id, 3);
    EXPECT_EQ(seen[0].name, u"Film & Animation");
    EXPECT_EQ(seen[1].id, 4);
    EXPECT_EQ(seen[1].name, u"");
    EXPECT_EQ(seen[2].id, 0);
    EXPECT_EQ(seen[2].name, Wide(longName));
    for (const auto& c : seen) {
        EXPECT_EQ(c.reserved, 0);
        EXPECT_EQ(c.userData, &seen);
    }
}

struct Moderator {
    int32_t id;
    std::u16string first;
    std::u16string last;
};

void CollectModerator(int32_t id, const clipferry_char* first, const clipferry_char* last, int32_t reserved,
                      void* userData) {
    EXPECT_EQ(reserved, 0);
    static_cast<std::vector<Moderator>*>(userData)->push_back(Moderator{id, first, last});
}

TEST_F(ExtractionTest, ModeratorNamesArePassedAsTheyAre) {
    Load(Envelope("<GetModeratorsResult><item><ModeratorContactId>21</ModeratorContactId>"
                  "<ModeratorFirstName>Ann</ModeratorFirstName>"
                  "<ModeratorLastName>B &amp;amp; C</ModeratorLastName></item></GetModeratorsResult>"));
    std::vector<Moderator> seen;
    EnumerateModerators(document_, &seen, CollectModerator);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].id, 21);
    EXPECT_EQ(seen[0].first, u"Ann");
    EXPECT_EQ(seen[0].last, u"B &amp; C");
}

TEST_F(ExtractionTest, FileTypesAreCutAndAMissingElementLeavesTheBuffer) {
    Load(Envelope("<return><wrap><FileTypes>*.mp4;*.mov;*.avi;*.wmv;*.mpg;</FileTypes></wrap></return>"));
    char16_t buffer[10];
    std::fill(std::begin(buffer), std::end(buffer), u'x');
    EXPECT_EQ(ReadFileTypes(document_, buffer, 10), 1);
    EXPECT_EQ(std::u16string(buffer), u"*.mp4;*.m");

    ResponseDocument other;
    const std::string body = Envelope("<return><Other>1</Other></return>");
    ASSERT_EQ(other.LoadFromBuffer(body.data(), uint32_t(body.size())), 1);
    char16_t untouched[4] = {u'a', u'b', u'c', u'\0'};
    EXPECT_EQ(ReadFileTypes(other, untouched, 4), 1);
    EXPECT_EQ(std::u16string(untouched), u"abc");
}

}  // namespace
}  // namespace clipferry::xml
