// The response body goes through a scratch file that is written exactly,
// owner-only, never through a link, and gone once the operation is over.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "xml/response_document.h"
#include "xml_test_support.h"

namespace clipferry::xml {
namespace {

const std::string kLoginAnswer =
    "<soap:Envelope xmlns:soap=\"urn:s\"><soap:Body><UserLoginResponse><return>"
    "<LoginStatus>1</LoginStatus><AuthKey>secret-key</AuthKey></return></UserLoginResponse>"
    "</soap:Body></soap:Envelope>";

class ResponseDocumentTest : public testing::Test {
protected:
    bool ScratchExists() const {
        struct stat info;
        return lstat(scratch_.c_str(), &info) == 0;
    }
    int Load(ResponseDocument& document, const std::string& body) {
        return document.LoadFromBuffer(body.data(), uint32_t(body.size()));
    }

    test::OwnDirectory tmp_;
    test::TmpdirOverride tmpdir_{tmp_.path()};
    const std::string scratch_ = tmp_.File("LumividRes.xml");
};

TEST_F(ResponseDocumentTest, BodyIsWrittenByteForByteAndLookedUp) {
    const std::string bodies[] = {kLoginAnswer, "<r><status>caf\xC3\xA9</status></r>",
                                  test::Utf16LeWithBom(u"<r><status>\u4E2D</status></r>")};
    const std::u16string texts[] = {u"secret-key", u"caf\u00E9", u"\u4E2D"};
    for (size_t i = 0; i < 3; ++i) {
        ResponseDocument document;
        ASSERT_EQ(Load(document, bodies[i]), 1);
        EXPECT_EQ(test::ReadBytes(scratch_), bodies[i]);
        char16_t buffer[64] = {};
        EXPECT_EQ(document.LookupText(i == 0 ? u"AuthKey" : u"status", buffer, 64), 1);
        EXPECT_EQ(std::u16string(buffer), texts[i]);
    }
}

TEST_F(ResponseDocumentTest, ScratchFileIsOwnerOnly) {
    ResponseDocument document;
    ASSERT_EQ(Load(document, kLoginAnswer), 1);
    struct stat info;
    ASSERT_EQ(lstat(scratch_.c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(ResponseDocumentTest, NoScratchFileOutlivesTheOperation) {
    {
        ResponseDocument document;
        ASSERT_EQ(Load(document, kLoginAnswer), 1);
        document.DeleteScratch();
        EXPECT_FALSE(ScratchExists());
        char16_t buffer[16] = {};
        document.LookupText(u"LoginStatus", buffer, 16);  // the parsed answer stays usable
        EXPECT_EQ(std::u16string(buffer), u"1");
    }
    EXPECT_FALSE(ScratchExists());
    {
        ResponseDocument document;
        ASSERT_EQ(Load(document, kLoginAnswer), 1);
    }
    EXPECT_FALSE(ScratchExists());
    {
        ResponseDocument document;
        ASSERT_EQ(Load(document, "<html><body>Service Unavailable</body>"), 1);
    }
    EXPECT_FALSE(ScratchExists());
}

TEST_F(ResponseDocumentTest, StaleScratchFileIsReplaced) {
    test::WriteBytes(scratch_, "<stale><status>OLD</status><padding>" + std::string(4000, 'x') + "</padding></stale>");
    ResponseDocument document;
    ASSERT_EQ(Load(document, "<r><status>NEW</status></r>"), 1);
    EXPECT_EQ(test::ReadBytes(scratch_), "<r><status>NEW</status></r>");
    char16_t buffer[8] = {};
    document.LookupText(u"status", buffer, 8);
    EXPECT_EQ(std::u16string(buffer), u"NEW");
}

TEST_F(ResponseDocumentTest, PlantedLinkIsNotFollowed) {
    test::OwnDirectory elsewhere;
    const std::string victim = elsewhere.File("victim");
    test::WriteBytes(victim, "precious");
    ASSERT_EQ(symlink(victim.c_str(), scratch_.c_str()), 0);
    {
        ResponseDocument document;
        ASSERT_EQ(Load(document, kLoginAnswer), 1);
        struct stat info;
        ASSERT_EQ(lstat(scratch_.c_str(), &info), 0);
        EXPECT_TRUE(S_ISREG(info.st_mode));
    }
    EXPECT_EQ(test::ReadBytes(victim), "precious");
}

TEST_F(ResponseDocumentTest, NoBytesLoadsNothingAndLeavesAnExistingFileAlone) {
    test::WriteBytes(scratch_, "other");
    ResponseDocument document;
    EXPECT_EQ(document.LoadFromBuffer(kLoginAnswer.data(), 0), 0);
    EXPECT_EQ(document.LoadFromBuffer(nullptr, 5), 0);
    document.DeleteScratch();
    EXPECT_EQ(test::ReadBytes(scratch_), "other");
    char16_t buffer[4] = {u'k', u'\0'};
    EXPECT_EQ(document.LookupText(u"status", buffer, 4), 0);
    EXPECT_EQ(buffer[0], u'k');
}

TEST_F(ResponseDocumentTest, TrailingSeparatorIsNotDoubled) {
    test::TmpdirOverride withSlash(tmp_.path() + "/");
    ResponseDocument document;
    ASSERT_EQ(Load(document, kLoginAnswer), 1);
    EXPECT_TRUE(ScratchExists());
}

TEST_F(ResponseDocumentTest, OverlongTemporaryDirectoryLoadsNothing) {
    // The scratch path must fit the 260-character stored path, terminator included.
    const size_t nameAndSeparator = std::string("/LumividRes.xml").size();
    // Nested inside the test's own directory, so that it goes with it.
    std::string longest = tmp_.path() + "/d";
    while (longest.size() + nameAndSeparator < XmlFileDocument::kPathCapacity - 1)
        longest += longest.size() % 50 == 0 ? '/' : 'd';
    ASSERT_NE(longest.back(), '/');
    std::filesystem::create_directories(longest);

    struct Case {
        std::string tmpdir;
        int expected;
    };
    for (const Case& c : {Case{longest, 1}, Case{longest + "d", 0}, Case{longest + std::string(2000, 'd'), 0}}) {
        test::TmpdirOverride override(c.tmpdir);
        ResponseDocument document;
        EXPECT_EQ(Load(document, kLoginAnswer), c.expected) << c.tmpdir.size();
    }
}

TEST_F(ResponseDocumentTest, NonXmlBodyLoadsAndLookupsLeaveBuffersAlone) {
    ResponseDocument document;
    ASSERT_EQ(Load(document, "<html><body><h1>502 Bad Gateway</h1></body>"), 1);
    char16_t buffer[8] = {u'k', u'e', u'p', u'\0'};
    EXPECT_EQ(document.LookupText(u"status", buffer, 8), 1);
    EXPECT_EQ(std::u16string(buffer), u"kep");
    EXPECT_EQ(document.LookupText(nullptr, buffer, 8), 0);
    EXPECT_EQ(document.LookupText(u"status", nullptr, 8), 0);
    EXPECT_EQ(document.LookupText(u"status", buffer, 0), 0);
}

}  // namespace
}  // namespace clipferry::xml
