// Answers that declare entities to make a small body expand without bound:
// every route reads them as unreadable, at once and in little memory.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "../transport/test_environment.h"
#include "api/operations.h"
#include "devserver_client.h"
#include "service_session.h"
#include "transport/upload_transport.h"
#include "upload_files.h"

namespace clipferry {
namespace {

using namespace clipferry::testing;
using namespace clipferry::test;

long PeakResidentKib() {
    struct rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

std::string Repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
}

// A declaration of entities and the references to put where a route reads.
struct Expansion {
    const char* label;
    std::string declaration;
    std::string references;
};

std::vector<Expansion> Expansions() {
    // 1,000,000,000 characters from a body of about 130 KB.
    Expansion wide{"wide", "<!DOCTYPE r [<!ENTITY e '" + std::string(50000, 'x') + "'>]>", Repeat("&e;", 20000)};
    // Ten to the tenth characters from ten levels of ten references.
    Expansion nested{"nested", "<!DOCTYPE r [<!ENTITY a0 'aaaaaaaaaa'>", "&a9;"};
    for (int i = 1; i < 10; ++i)
        nested.declaration += "<!ENTITY a" + std::to_string(i) + " '" + Repeat("&a" + std::to_string(i - 1) + ";", 10) + "'>";
    nested.declaration += "]>";
    return {wide, nested};
}

ScriptedResponse Answer(const std::string& path, const std::string& body) {
    ScriptedResponse response;
    response.path = path;
    response.headers = {{"Content-Type", "text/xml; charset=utf-8"}};
    response.body = body;
    return response;
}

void OnCategory(int32_t, const clipferry_char*, int32_t, void* userData) { ++*static_cast<int*>(userData); }

class HostileAnswerServiceTest : public ::testing::Test {
public:
    void SetUp() override { path_ = Wide(folder_.Write("clip.mp4", "video bytes")); }

    // As a successful login leaves the context.
    void LogIn() {
        context_->login.loggedIn = 1;
        std::strcpy(context_->login.authKey, "k");
    }

    ContextPtr context_;
    TemporaryFolder folder_;
    std::u16string path_;
};

TEST_F(HostileAnswerServiceTest, EntityExpansionIsAnUnreadableAnswerOnEveryRoute) {
    const std::string body = "<?xml version=\"1.0\"?>%DTD%<r>%BODY%</r>";
    const struct {
        const char* route;
        const char* path;
        const char* inner;  // %REFS% marks where the references go
        // Runs the route and checks its result for an unreadable answer.
        std::function<void(HostileAnswerServiceTest&)> run;
    } routes[] = {
        {"login", "/0.1.1/api",
         "<return><LoginStatus>1</LoginStatus><UserLoginInformation><ContactId>1</ContactId>"
         "<AuthKey>%REFS%</AuthKey></UserLoginInformation></return>",
         [](HostileAnswerServiceTest& t) {
             EXPECT_EQ(RunLogin(*t.context_, u"demo", u"demo-password"), CLIPFERRY_REFUSED);
             EXPECT_EQ(t.context_->login.loggedIn, 0);
         }},
        {"categories", "/0.1.1/api",
         "<GetCategoriesResult><ResultCount>1</ResultCount><item><CategoryId>1</CategoryId>"
         "<CategoryName>%REFS%</CategoryName></item></GetCategoriesResult>",
         [](HostileAnswerServiceTest& t) {
             t.LogIn();
             int items = 0;
             int32_t count = -1;
             EXPECT_EQ(RunGetCategories(*t.context_, 0, &items, OnCategory, &count), CLIPFERRY_OK);
             EXPECT_EQ(items, 0);
             EXPECT_EQ(count, 0);
         }},
        {"upload verdict", "/upload", "<status>SUCCESS</status><message>%REFS%</message>",
         [](HostileAnswerServiceTest& t) {
             t.LogIn();
             char16_t message[64] = u"kept";
             const UploadRequest request{t.path_.c_str(), u"T", u"D", u"a", 0, 1, 0, 0};
             EXPECT_EQ(RunUpload(*t.context_, request, message, 64, nullptr, nullptr), CLIPFERRY_REFUSED);
             EXPECT_EQ(std::u16string(message), u"kept");
         }},
        {"discovery", "/upload.xml", "<url>%REFS%</url>",
         [](HostileAnswerServiceTest& t) {
             std::strcpy(t.context_->uploadServerUrl, "http://stale.example");
             DiscoverUploadServer(*t.context_);
             EXPECT_STREQ(t.context_->uploadServerUrl, "");  // the default host
         }},
    };
    for (const Expansion& expansion : Expansions()) {
        for (const auto& route : routes) {
            SCOPED_TRACE(std::string(route.route) + ", " + expansion.label);
            ResetDevServer();
            std::string inner = route.inner;
            inner.replace(inner.find("%REFS%"), 6, expansion.references);
            std::string answer = body;
            answer.replace(answer.find("%DTD%"), 5, expansion.declaration);
            answer.replace(answer.find("%BODY%"), 6, inner);
            ScriptResponse(Answer(route.path, answer));

            context_ = MakeContext(DevServerProxy().c_str());
            ASSERT_TRUE(context_);
            const long before = PeakResidentKib();
            route.run(*this);
            EXPECT_LT(PeakResidentKib() - before, 64 * 1024) << "KiB more at the peak";
        }
    }
}

}  // namespace
}  // namespace clipferry
