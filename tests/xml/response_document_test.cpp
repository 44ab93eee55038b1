// The response body goes through a scratch file of the operation's own,
// gone once the operation is over, whatever stands in the temporary directory.
#include <gtest/gtest.h>

#include <filesystem>
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
    bool ScratchLeft() const { return tmp_.HasScratch(); }
    int Load(ResponseDocument& document, const std::string& body) {
        return document.LoadFromBuffer(body.data(), uint32_t(body.size()));
    }

    test::OwnDirectory tmp_;
    test::TmpdirOverride tmpdir_{tmp_.path().string()};
    const std::string scratch_ = tmp_.File("LumividRes.xml");
};

TEST_F(ResponseDocumentTest, BodyIsLookedUpInItsOwnEncoding) {
    const std::string bodies[] = {kLoginAnswer, "<r><status>caf\xC3\xA9</status></r>",
                                  test::Utf16LeWithBom(u"<r><status>\u4E2D</status></r>")};
    const std::u16string texts[] = {u"secret-key", u"caf\u00E9", u"\u4E2D"};
    for (size_t i = 0; i < 3; ++i) {
        ResponseDocument document;
        ASSERT_EQ(Load(document, bodies[i]), 1);
        char16_t buffer[64] = {};
        EXPECT_EQ(document.LookupText(i == 0 ? u"AuthKey" : u"status", buffer, 64), 1);
        EXPECT_EQ(std::u16string(buffer), texts[i]);
    }
}

TEST_F(ResponseDocumentTest, NoScratchFileOutlivesTheOperation) {
    {
        ResponseDocument document;
        ASSERT_EQ(Load(document, kLoginAnswer), 1);
        document.DeleteScratch();
        EXPECT_FALSE(ScratchLeft());
        char16_t buffer[16] = {};
        document.LookupText(u"LoginStatus", buffer, 16);  // the parsed answer stays usable
        EXPECT_EQ(std::u16string(buffer), u"1");
    }
    EXPECT_FALSE(ScratchLeft());
    {
        ResponseDocument document;
        ASSERT_EQ(Load(document, kLoginAnswer), 1);
    }
    EXPECT_FALSE(ScratchLeft());
    {
        ResponseDocument document;
        ASSERT_EQ(Load(document, "<html><body>Service Unavailable</body>"), 1);
    }
    EXPECT_FALSE(ScratchLeft());
}

TEST_F(ResponseDocumentTest, FileAtTheOldFixedNameIsNeitherReadNorRemoved) {
    const std::string stale = "<stale><status>OLD</status></stale>";
    test::WriteBytes(scratch_, stale);
    ResponseDocument document;
    ASSERT_EQ(Load(document, "<r><status>NEW</status></r>"), 1);
    char16_t buffer[8] = {};
    document.LookupText(u"status", buffer, 8);
    EXPECT_EQ(std::u16string(buffer), u"NEW");
    document.DeleteScratch();
    EXPECT_EQ(test::ReadBytes(scratch_), stale);
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

// No scratch file can be made there, so nothing is sent; an answer that came
// all the same is read from memory.
TEST_F(ResponseDocumentTest, MissingOrOverlongTemporaryDirectoryReadsTheAnswerFromMemory) {
    for (const std::string& tmpdir : {tmp_.File("missing"), tmp_.File(std::string(5000, 'd'))}) {
        test::TmpdirOverride override(tmpdir);
        ResponseDocument document;
        EXPECT_FALSE(document.PrepareScratch()) << tmpdir.size();
        ASSERT_EQ(Load(document, kLoginAnswer), 1) << tmpdir.size();
        char16_t buffer[16] = {};
        document.LookupText(u"AuthKey", buffer, 16);
        EXPECT_EQ(std::u16string(buffer), u"secret-key");
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
