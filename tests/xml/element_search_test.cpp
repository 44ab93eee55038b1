// The search walk: children of the start, then down the chain of last
// children; names compared with ASCII-only case folding.
#include <gtest/gtest.h>

#include <string>

#include "xml/element_search.h"
#include "xml/xml_file_document.h"
#include "xml_test_support.h"

namespace clipferry::xml {
namespace {

class ElementSearchTest : public testing::Test {
protected:
    const DomNodePtr& Open(const std::string& xml) {
        test::WriteBytes(dir_.File("doc.xml"), xml);
        const std::u16string path = test::Wide(dir_.File("doc.xml"));
        EXPECT_TRUE(document_.SetPath(path.c_str()));
        EXPECT_EQ(document_.OpenStoredPath(), 1);
        return document_.documentNode();
    }

    // The name of what FindElement finds, "" for nothing.
    std::u16string Found(const DomNodePtr& start, const char16_t* name) {
        DomNodePtr out;
        EXPECT_EQ(FindElement(start, name, &out), 1);
        return out ? ReadNodeName(out) : u"";
    }

    test::OwnDirectory dir_;
    XmlFileDocument document_;
};

TEST_F(ElementSearchTest, WalkVisitsChildrenThenTheChainOfLastChildren) {
    DomNodePtr start;
    FindElement(Open("<S><K1><K1a/></K1><K2><K2a/></K2><K3><K3a/><K3b><K3c/></K3b></K3></S>"), u"S", &start);
    ASSERT_NE(start, nullptr);
    for (const char16_t* name : {u"K1", u"K2", u"K3", u"K3a", u"K3b", u"K3c"})
        EXPECT_EQ(Found(start, name), name);
    EXPECT_EQ(Found(start, u"K1a"), u"");
    EXPECT_EQ(Found(start, u"K2a"), u"");
    EXPECT_EQ(Found(start, u"S"), u"");  // the start itself is never compared
}

TEST_F(ElementSearchTest, ElementUnderAnEarlierSiblingIsFoundOnlyWhenLast) {
    EXPECT_EQ(Found(Open("<P><K1><K1a/></K1><K2/></P>"), u"K1a"), u"");
    EXPECT_EQ(Found(Open("<P><K2/><K1><K1a/></K1></P>"), u"K1a"), u"K1a");
}

TEST_F(ElementSearchTest, NamesFoldOnlyAsciiLettersAndKeepThePrefix) {
    const DomNodePtr& document = Open("<r><loginstatus>1</loginstatus><!--c--><p:return xmlns:p='u'/><\xC3\x89t\xC3\xA9/></r>");
    DomNodePtr root = FirstChildOf(document);
    EXPECT_EQ(Found(root, u"LoginStatus"), u"loginstatus");
    EXPECT_EQ(Found(root, u"LOGINSTATUS"), u"loginstatus");
    EXPECT_EQ(Found(root, u"return"), u"");
    EXPECT_EQ(Found(root, u"P:RETURN"), u"p:return");
    EXPECT_EQ(Found(root, u"\u00C9t\u00E9"), u"\u00C9t\u00E9");
    EXPECT_EQ(Found(root, u"\u00E9t\u00E9"), u"");  // non-ASCII case is not folded
    EXPECT_EQ(Found(root, u"loginstatu"), u"");
    EXPECT_EQ(Found(root, u"#COMMENT"), u"#comment");  // every kind of node takes part
}

TEST_F(ElementSearchTest, FindChildElementLooksOnlyAtDirectChildren) {
    DomNodePtr root = FirstChildOf(Open("<r><a><b/></a><c><d/></c></r>"));
    DomNodePtr out;
    EXPECT_EQ(FindChildElement(root, u"c", &out), 1);
    EXPECT_EQ(ReadNodeName(out), u"c");
    out.reset();
    EXPECT_EQ(FindChildElement(root, u"d", &out), 1);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(FindChildElement(root, u"c", nullptr), 0);
    EXPECT_EQ(FindChildElement(nullptr, u"c", &out), 0);
    EXPECT_EQ(FindElement(nullptr, u"c", &out), 0);
}

TEST_F(ElementSearchTest, CopyElementTextCutsAndTerminates) {
    const DomNodePtr& document = Open("<r><status>SUCCESS</status></r>");
    struct Case {
        uint32_t size;
        std::u16string expected;
    };
    for (const Case& c : {Case{1, u""}, Case{5, u"SUCC"}, Case{8, u"SUCCESS"}, Case{20, u"SUCCESS"}}) {
        std::u16string buffer(c.size + 1, u'#');
        EXPECT_EQ(CopyElementText(document, u"status", buffer.data(), c.size), 1);
        EXPECT_EQ(buffer.substr(0, c.expected.size() + 1), c.expected + u'\0') << c.size;
        EXPECT_EQ(buffer[c.size], u'#') << "wrote past the buffer, size " << c.size;
    }
}

TEST_F(ElementSearchTest, CopyElementTextLeavesTheBufferWhenNothingMatches) {
    const DomNodePtr& document = Open("<r><a>x</a></r>");
    char16_t buffer[4] = {u'k', u'e', u'p', u'\0'};
    EXPECT_EQ(CopyElementText(document, u"missing", buffer, 4), 1);
    EXPECT_EQ(std::u16string(buffer), u"kep");
    EXPECT_EQ(CopyElementText(document, u"a", buffer, 0), 0);
    EXPECT_EQ(CopyElementText(document, nullptr, buffer, 4), 0);
    EXPECT_EQ(CopyElementText(nullptr, u"a", buffer, 4), 0);
    EXPECT_EQ(std::u16string(buffer), u"kep");
}

TEST_F(ElementSearchTest, TextOfAnElementWithSeveralChildrenIsTheirConcatenation) {
    const DomNodePtr& document = Open("<r><item>\n  <id>7</id>\n  <name>Cats &amp; dogs</name>\n</item></r>");
    char16_t buffer[64] = {};
    CopyElementText(document, u"item", buffer, 64);
    EXPECT_EQ(std::u16string(buffer), u"7Cats & dogs");
}

TEST_F(ElementSearchTest, CopyChildTextFindsOnlyADirectChildOfTheOuterElement) {
    Open("<r><return><LoginStatus>1</LoginStatus><info><AuthKey>k</AuthKey></info></return></r>");
    char16_t buffer[8] = {u'k', u'e', u'p', u'\0'};
    EXPECT_EQ(document_.CopyChildText(u"return", u"AuthKey", buffer, 8), 0);
    EXPECT_EQ(document_.CopyChildText(u"return", u"Missing", buffer, 8), 0);
    EXPECT_EQ(document_.CopyChildText(u"Missing", u"LoginStatus", buffer, 8), 0);
    EXPECT_EQ(std::u16string(buffer), u"kep");
    EXPECT_EQ(document_.CopyChildText(u"return", u"LoginStatus", buffer, 8), 1);
    EXPECT_EQ(std::u16string(buffer), u"1");
    EXPECT_EQ(document_.CopyChildText(u"return", u"LoginStatus", buffer, 0), 0);
}

}  // namespace
}  // namespace clipferry::xml
