// The upload-form lists through the exports, as a host calls them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "service_session.h"

namespace clipferry::test {
namespace {

struct Item {
    int32_t id;
    std::u16string first;
    std::u16string second;
};

void OnCategory(int32_t id, const clipferry_char* name, int32_t reserved, void* userData) {
    EXPECT_EQ(reserved, 0);
    static_cast<std::vector<Item>*>(userData)->push_back(Item{id, name, u""});
}

void OnModerator(int32_t id, const clipferry_char* first, const clipferry_char* last, int32_t reserved,
                 void* userData) {
    EXPECT_EQ(reserved, 0);
    static_cast<std::vector<Item>*>(userData)->push_back(Item{id, first, last});
}

class ListServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetDevServer();
        ASSERT_EQ(session_.Login(u"demo", u"demo-password"), CLIPFERRY_OK);
        ResetDevServer();
    }
    OwnTemporaryDirectory tmp_;
    ServiceSession session_{"999"};
    std::vector<Item> items_;
    int32_t count_ = -1;
};

TEST_F(ListServiceTest, CategoriesBelowAParent) {
    ASSERT_EQ(CLIPFERRY_GetCategories(session_.handle(), 1, &items_, OnCategory, &count_), CLIPFERRY_OK);
    ASSERT_EQ(items_.size(), 2u);
    EXPECT_EQ(items_[0].id, 11);
    EXPECT_EQ(items_[0].first, u"Short Films");
    EXPECT_EQ(items_[1].first, u"Animation <2D/3D>");
    EXPECT_EQ(count_, 2);
    EXPECT_TRUE(tmp_.Has("Clipferry_GetCategories.xml"));
    EXPECT_FALSE(tmp_.HasScratch());
}

TEST_F(ListServiceTest, StatedCountIsStoredWhateverTheItems) {
    ScriptApiAnswer(SoapAnswer("<GetCategoriesResult><ResultCount>5</ResultCount>"
                               "<item><CategoryId>1</CategoryId><CategoryName>A &amp;amp; B</CategoryName></item>"
                               "<note>skipped</note><ITEM><CategoryId>2</CategoryId></ITEM>"
                               "<wrap><item><CategoryId>9</CategoryId></item></wrap>"
                               "<Item><CategoryId>3</CategoryId></Item></GetCategoriesResult>"));
    ASSERT_EQ(CLIPFERRY_GetCategories(session_.handle(), 0, &items_, OnCategory, &count_), CLIPFERRY_OK);
    EXPECT_EQ(count_, 5);
    ASSERT_EQ(items_.size(), 3u);
    EXPECT_EQ(items_[0].first, u"A & B");
    EXPECT_EQ(items_[1].id, 2);
    EXPECT_EQ(items_[2].id, 3);

    items_.clear();
    ScriptApiAnswer(SoapAnswer("<GetCategoriesResult><item><CategoryId>4</CategoryId></item></GetCategoriesResult>"));
    ASSERT_EQ(CLIPFERRY_GetCategories(session_.handle(), 0, &items_, OnCategory, &count_), CLIPFERRY_OK);
    EXPECT_EQ(count_, 0) << "no stated count stores 0";
    EXPECT_EQ(items_.size(), 1u);

    items_.clear();
    ASSERT_EQ(CLIPFERRY_GetCategories(session_.handle(), 0, &items_, OnCategory, nullptr), CLIPFERRY_OK);
    EXPECT_EQ(items_.size(), 3u) << "a null count pointer only skips the count";
}

TEST_F(ListServiceTest, ModeratorsOfTheLoggedInUser) {
    ASSERT_EQ(CLIPFERRY_GetModerators(session_.handle(), &items_, OnModerator, &count_), CLIPFERRY_OK);
    ASSERT_EQ(items_.size(), 2u);
    EXPECT_EQ(items_[0].id, 501);
    EXPECT_EQ(items_[1].second, u"O'Neil");
    EXPECT_EQ(count_, 2);
    const auto requests = RecordedRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_NE(requests[0].body.find(">17</ContactId>"), std::string::npos);
}

TEST_F(ListServiceTest, FileTypesAreCutAtTheBufferAndUntouchedWhenMissing) {
    clipferry_char buffer[10];
    std::fill(std::begin(buffer), std::end(buffer), u'x');
    ASSERT_EQ(CLIPFERRY_GetFileTypes(session_.handle(), buffer, 10), CLIPFERRY_OK);
    EXPECT_EQ(std::u16string(buffer), u"*.mp4;*.m");
    EXPECT_TRUE(tmp_.Has("Clipferry_FileTypes.xml"));

    clipferry_char kept[8] = u"kept";
    ScriptApiAnswer(SoapAnswer("<return><Other>1</Other></return>"));
    EXPECT_EQ(CLIPFERRY_GetFileTypes(session_.handle(), kept, 8), CLIPFERRY_OK);
    EXPECT_EQ(std::u16string(kept), u"kept");
}

TEST_F(ListServiceTest, AnswerThatIsNotXmlChangesNothing) {
    const std::string page = "<html><body>Service unavailable</body></html>";
    clipferry_char kept[8] = u"kept";
    ScriptApiAnswer(page, 503);
    EXPECT_EQ(CLIPFERRY_GetFileTypes(session_.handle(), kept, 8), CLIPFERRY_OK);
    EXPECT_EQ(std::u16string(kept), u"kept");
    EXPECT_EQ(tmp_.Read("Clipferry_FileTypes.xml"), page);

    ScriptApiAnswer("", 502);
    EXPECT_EQ(CLIPFERRY_GetModerators(session_.handle(), &items_, OnModerator, &count_), CLIPFERRY_OK);
    EXPECT_EQ(count_, -1) << "no body: nothing is stored";

    ScriptApiAnswer("not xml at all");
    EXPECT_EQ(CLIPFERRY_GetCategories(session_.handle(), 0, &items_, OnCategory, &count_), CLIPFERRY_OK);
    EXPECT_TRUE(items_.empty());
    EXPECT_EQ(count_, 0);
}

TEST_F(ListServiceTest, RefusedStatesSendNothing) {
    ServiceSession loggedOut;
    ServiceSession solo;
    ASSERT_EQ(solo.Login(u"solo", u"solo-password"), CLIPFERRY_OK);
    ResetDevServer();
    clipferry_char buffer[8] = {};
    const int32_t results[] = {
        CLIPFERRY_GetFileTypes(loggedOut.handle(), buffer, 8),
        CLIPFERRY_GetCategories(loggedOut.handle(), 0, &items_, OnCategory, &count_),
        CLIPFERRY_GetModerators(loggedOut.handle(), &items_, OnModerator, &count_),
        CLIPFERRY_GetModerators(solo.handle(), &items_, OnModerator, &count_),
        CLIPFERRY_GetCategories(session_.handle(), -1, &items_, OnCategory, &count_),
        CLIPFERRY_GetFileTypes(session_.handle(), buffer, 0),
    };
    for (int32_t result : results) EXPECT_EQ(result, CLIPFERRY_BAD_ARGUMENT);
    EXPECT_TRUE(RecordedRequests().empty());
    EXPECT_EQ(count_, -1);
}

}  // namespace
}  // namespace clipferry::test
