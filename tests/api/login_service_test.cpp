// Logging in through the export, as a host does, against the local service.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>

#include "service_session.h"

namespace clipferry::test {
namespace {

class LoginServiceTest : public ::testing::Test {
protected:
    void SetUp() override { ResetDevServer(); }
    OwnTemporaryDirectory tmp_;
};

TEST_F(LoginServiceTest, AcceptedLoginFillsTheContext) {
    ServiceSession session;
    ASSERT_EQ(session.Login(u"demo", u"demo-password"), CLIPFERRY_OK);
    const LoginRecord& login = session.context().login;
    EXPECT_EQ(login.loggedIn, 1);
    EXPECT_EQ(login.contactId, 17);
    EXPECT_EQ(login.showModerators, 1);
    EXPECT_STREQ(login.authKey, "demo-auth-key-0017");
    EXPECT_EQ(std::u16string(login.firstName), u"Dana");
    EXPECT_EQ(std::u16string(login.emailAddress), u"demo@lumivid.example");
    EXPECT_STREQ(login.userName, "demo");
    EXPECT_STREQ(login.password, "demo-password");
    EXPECT_FALSE(tmp_.HasScratch()) << "the scratch file does not outlive the call";
    EXPECT_FALSE(tmp_.Has("Clipferry_Login.xml")) << "no dump while the log switch is off";
}

TEST_F(LoginServiceTest, RefusalsLeaveTheContextAndAreDumped) {
    const std::string refusals[] = {
        "",  // the service's own refusal for a wrong password
        SoapAnswer("<return><LoginStatus>0</LoginStatus></return>"),
        "<html><body><h1>502 Bad Gateway</h1></body></html>",
        SoapAnswer("<UserLoginInformation><ContactId>3</ContactId></UserLoginInformation>"),
    };
    ServiceSession session("999");
    ASSERT_EQ(session.Login(u"demo", u"demo-password"), CLIPFERRY_OK);
    for (const std::string& answer : refusals) {
        if (!answer.empty()) ScriptApiAnswer(answer);
        EXPECT_EQ(session.Login(u"demo", u"wrong"), CLIPFERRY_REFUSED) << answer;
        const LoginRecord& login = session.context().login;
        EXPECT_EQ(login.contactId, 17);
        EXPECT_STREQ(login.authKey, "demo-auth-key-0017");
        EXPECT_STREQ(login.password, "demo-password");
        if (!answer.empty()) EXPECT_EQ(tmp_.Read("Clipferry_Login.xml"), answer);
        // The header promises this: the command tells Lumivid from a stand-in by it.
        if (answer.empty()) EXPECT_NE(tmp_.Read("Clipferry_Login.xml").find("LoginStatus"), std::string::npos);
    }
}

TEST_F(LoginServiceTest, AnswerWithoutBodyIsNoLogin) {
    ServiceSession session;
    for (const int status : {200, 500, 502}) {
        ScriptApiAnswer("", status);
        EXPECT_EQ(session.Login(u"demo", u"demo-password"), CLIPFERRY_REFUSED) << status;
        EXPECT_EQ(session.context().login.loggedIn, 0) << status;
    }
}

TEST_F(LoginServiceTest, SecondLoginRewritesTheRecord) {
    ServiceSession session;
    ASSERT_EQ(session.Login(u"demo", u"demo-password"), CLIPFERRY_OK);
    ScriptApiAnswer(SoapAnswer("<return><LoginStatus>1</LoginStatus><UserLoginInformation>"
                               "<ContactId>42</ContactId><FirstName>Sam</FirstName>"
                               "</UserLoginInformation></return>"));
    // Shorter than the first: a copy without its terminator would show.
    ASSERT_EQ(session.Login(u"sam", u"pw"), CLIPFERRY_OK);
    const LoginRecord& login = session.context().login;
    EXPECT_EQ(login.contactId, 42);
    EXPECT_EQ(login.showModerators, 0);
    EXPECT_STREQ(login.authKey, "") << "a missing key is cleared";
    EXPECT_EQ(std::u16string(login.firstName), u"Sam");
    EXPECT_EQ(std::u16string(login.emailAddress), u"demo@lumivid.example") << "a missing address is kept";
    EXPECT_STREQ(login.userName, "sam");
    EXPECT_STREQ(login.password, "pw");
}

TEST_F(LoginServiceTest, OverlongCredentialsAreRefusedBeforeAnyRequest) {
    ServiceSession session;
    const std::u16string longPassword(260, u'p');
    const std::u16string fits(259, u'p');
    EXPECT_EQ(session.Login(u"demo", longPassword), CLIPFERRY_BAD_ARGUMENT);
    EXPECT_EQ(session.Login(longPassword, u"x"), CLIPFERRY_BAD_ARGUMENT);
    EXPECT_TRUE(RecordedRequests().empty());
    EXPECT_EQ(session.Login(u"demo", fits), CLIPFERRY_REFUSED);
}

// A proxy that does not fit the context's field is never cut (cut, this one
// would still reach the service): every export gives 5 and sends nothing.
TEST_F(LoginServiceTest, ProxyTooLongForItsFieldSendsNothing) {
    const std::string media = tmp_.File("clip.mp4");
    std::ofstream(media) << "video bytes";
    ScopedEnvironment proxy("CLIPFERRY_PROXY_SERVER", "http://" + DevServerProxy() + "/" + std::string(300, 'p'));
    void* handle = CLIPFERRY_Init();
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(CLIPFERRY_Login(handle, u"demo", u"demo-password"), 5);
    LoginRecord& login = static_cast<UploaderContext*>(handle)->login;
    login.loggedIn = 1, login.showModerators = 1, login.contactId = 17;
    clipferry_char text[64] = {};
    EXPECT_EQ(CLIPFERRY_GetFileTypes(handle, text, 64), 5);
    EXPECT_EQ(CLIPFERRY_GetCategories(handle, 0, text, [](int32_t, const clipferry_char*, int32_t, void*) {}, nullptr),
              5);
    EXPECT_EQ(CLIPFERRY_GetModerators(
                  handle, text, [](int32_t, const clipferry_char*, const clipferry_char*, int32_t, void*) {}, nullptr),
              5);
    const std::u16string path(media.begin(), media.end());
    EXPECT_EQ(CLIPFERRY_DoUpload(handle, path.c_str(), u"T", u"D", u"t", 0, 1, 0, 0, text, 64, nullptr, nullptr), 5);
    CLIPFERRY_Release(handle);
    EXPECT_TRUE(RecordedRequests().empty());
}

TEST_F(LoginServiceTest, MissingLibcurlGivesFortyTwo) {
    ScopedEnvironment curl("CLIPFERRY_CURL_LIBRARY", "/nonexistent/libcurl.so.4");
    ServiceSession session;
    EXPECT_EQ(session.Login(u"demo", u"demo-password"), 42);
}

}  // namespace
}  // namespace clipferry::test
