// Opening a file always yields a root; saving adds a UTF-16 declaration.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "xml/element_search.h"
#include "xml/xml_file_document.h"
#include "xml_test_support.h"

namespace clipferry::xml {
namespace {

using test::Wide;
using Names = std::vector<std::u16string>;

Names ChildNames(const DomNodePtr& node) {
    Names names;
    for (DomNodePtr child = FirstChildOf(node); child != nullptr; child = NextSiblingOf(child))
        names.push_back(ReadNodeName(child));
    return names;
}

class XmlFileDocumentTest : public testing::Test {
protected:
    int OpenBytes(const std::string& bytes) {
        test::WriteBytes(dir_.File("in.xml"), bytes);
        path_ = Wide(dir_.File("in.xml"));
        EXPECT_TRUE(document_.SetPath(path_.c_str()));
        return document_.OpenStoredPath();
    }

    test::OwnDirectory dir_;
    std::u16string path_;
    XmlFileDocument document_;
};

TEST_F(XmlFileDocumentTest, NonXmlOpensWithOnlyAnEmptyFakeRoot) {
    const std::string bodies[] = {
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>502 Bad Gateway</title></head>"
        "<body><h1>Bad Gateway</h1><br></body></html>",
        "",
        "<?xml version=\"1.0\"?><soap:Envelope xmlns:soap=\"urn:s\"><soap:Body><r>1</r>",
        "plain text",
    };
    for (const std::string& body : bodies) {
        XmlFileDocument document;
        test::WriteBytes(dir_.File("bad.xml"), body);
        const std::u16string path = Wide(dir_.File("bad.xml"));
        ASSERT_TRUE(document.SetPath(path.c_str()));
        EXPECT_EQ(document.OpenStoredPath(), 1) << body;
        EXPECT_EQ(ChildNames(document.documentNode()), Names{u"FakeRootNode"}) << body;
        EXPECT_EQ(ReadNodeName(document.rootNode()), u"FakeRootNode");
        EXPECT_EQ(FirstChildOf(document.rootNode()), nullptr);
        EXPECT_EQ(document.rootNode()->GetAttributes(), platform::kDomOk);
    }
}

TEST_F(XmlFileDocumentTest, LeadingDeclarationIsStripped) {
    ASSERT_EQ(OpenBytes("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Envelope><Body/></Envelope>"), 1);
    EXPECT_EQ(ChildNames(document_.documentNode()), Names{u"Envelope"});
    EXPECT_EQ(ReadNodeName(document_.rootNode()), u"Envelope");
}

TEST_F(XmlFileDocumentTest, FirstElementNamedXmlIsRemovedAndFakeRootAppended) {
    ASSERT_EQ(OpenBytes("<XML><status>SUCCESS</status></XML>"), 1);
    EXPECT_EQ(ChildNames(document_.documentNode()), Names{u"FakeRootNode"});
    EXPECT_EQ(ReadNodeName(document_.rootNode()), u"FakeRootNode");
}

TEST_F(XmlFileDocumentTest, CommentBeforeTheRootIsTheRootNode) {
    ASSERT_EQ(OpenBytes("<?xml version=\"1.0\"?><!-- generated --><r/>"), 1);
    EXPECT_EQ(ChildNames(document_.documentNode()), (Names{u"#comment", u"r"}));
    EXPECT_EQ(ReadNodeName(document_.rootNode()), u"#comment");
}

}  // namespace
}  // namespace clipferry::xml
