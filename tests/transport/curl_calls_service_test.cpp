// What each request asks of libcurl, as a recording stand-in for it sees it:
// every option in order with its value, then the cleanup calls in order.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "devserver_client.h"
#include "expected_envelopes.h"
#include "test_environment.h"
#include "transport/response_buffer.h"
#include "transport/service_urls.h"
#include "transport/soap_requests.h"
#include "transport/upload_transport.h"
#include "upload_files.h"

namespace clipferry {
namespace {

using namespace clipferry::testing;
using namespace clipferry::test;

using Calls = std::vector<std::string>;

std::string Set(CURLoption option, const std::string& value) {
    return "setopt " + std::to_string(int(option)) + " " + value;
}
std::string Set(CURLoption option, long value) { return Set(option, std::to_string(value)); }

Calls operator+(Calls head, const Calls& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

int KeepGoing(void*, double, double, double, double) { return 0; }

Calls ReadCalls(const std::string& record) {
    Calls seen;
    std::ifstream in(record);
    for (std::string line; std::getline(in, line);) seen.push_back(line);
    return seen;
}

// Every request starts by holding itself and its redirects to http and https.
const Calls kStart = {"easy_init", "easy_reset", Set(CURLOPT_PROTOCOLS_STR, "http,https"),
                      Set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https")};

TEST(CurlCallsServiceTest, EachRequestSetsItsOptionsAndCleansUpInOrder) {
    ResetDevServer();
    TemporaryFolder folder;
    const std::string record = (folder.path() / "calls.txt").string();
    ScopedEnvironment recording("CLIPFERRY_TEST_CURL_RECORD", record);
    ScopedEnvironment dumps("TMPDIR", folder.path().string());
    const std::string proxy = DevServerProxy();
    ContextPtr context = MakeContext(proxy.c_str(), StubCurlPath("stub_curl_recording").c_str());
    ASSERT_TRUE(context);
    const std::u16string media = Wide(folder.Write("clip.mp4", "video bytes"));
    const UploadFormValues fields{"key", "title", "description", "tags", 501, 1, 0, 0};

    // Every request is set up alike: only http and https, the proxy, the
    // address, the answer refused past 64 MiB, and a time limit.
    const auto start = [&](const std::string& url) {
        return kStart + Calls{Set(CURLOPT_PROXY, proxy), Set(CURLOPT_URL, url), Set(CURLOPT_WRITEFUNCTION, "function"),
                              Set(CURLOPT_WRITEDATA, "pointer"), Set(CURLOPT_MAXFILESIZE, 64L << 20)};
    };
    const Calls end = {"easy_perform", "slist_free_all", "easy_reset", "easy_cleanup"};
    const auto soap = [&](const std::string& operation, const std::string& envelope) {
        return start(std::string(ApiHostUrl) + "/0.1.1/api") +
               Calls{Set(CURLOPT_TIMEOUT, 50L),
                     Set(CURLOPT_HTTPHEADER, "[Expect:|Content-type: text/xml; charset=utf-8|soapAction: \"" +
                                                 std::string(ApiHostUrl) + "/0.1.1/" + operation + "\"]"),
                     Set(CURLOPT_POST, 1L), Set(CURLOPT_POSTFIELDS, envelope)} +
               end;
    };
    // No limit on the whole transfer: only on a standstill.
    const Calls uploadStart = start(std::string(UploadHostUrl) + "/upload") +
                              Calls{Set(CURLOPT_LOW_SPEED_LIMIT, 1L), Set(CURLOPT_LOW_SPEED_TIME, 500L)};
    const Calls uploadBody = {
        Set(CURLOPT_HTTPHEADER, "[Expect:]"),
        Set(CURLOPT_HTTPPOST, "[Filename|tags|terms|authkey|title|contest|description|category1|category2|"
                              "category3|moderator|userfile|Upload]"),
        Set(CURLOPT_UPLOAD_BUFFERSIZE, 1L << 20), Set(CURLOPT_READFUNCTION, "function"),
        Set(CURLOPT_READDATA, "pointer"), Set(CURLOPT_SOCKOPTFUNCTION, "function"),
        Set(CURLOPT_SOCKOPTDATA, "pointer")};
    const Calls progress = {Set(CURLOPT_NOPROGRESS, 0L), Set(CURLOPT_PROGRESSFUNCTION, "function"),
                            Set(CURLOPT_PROGRESSDATA, "pointer")};
    const Calls uploadEnd = end + Calls{"formfree"};

    const struct {
        const char* label;
        bool log;
        std::function<int32_t(ResponseBody*)> run;
        Calls expected;
    } cases[] = {
        {"login", false, [&](ResponseBody* r) { return PostUserLogin(context->settings, "demo", "demo-password", r); },
         soap("UserLogin", ExpectedUserLogin("demo", "demo-password"))},
        // The log switch never makes a SOAP call verbose.
        {"file types, logging", true, [&](ResponseBody* r) { return PostGetFileTypes(context->settings, r); },
         soap("GetFileTypes", ExpectedGetFileTypes())},
        {"categories", false, [&](ResponseBody* r) { return PostGetCategories(context->settings, 0, r); },
         soap("GetCategories", ExpectedGetCategories("0"))},
        {"moderators", false, [&](ResponseBody* r) { return PostGetModerators(context->settings, 17, r); },
         soap("GetModerators", ExpectedGetModerators("17"))},
        // A plain GET.
        {"discovery", false, [&](ResponseBody* r) { return GetDiscovery(context->settings, r); },
         start(std::string(ApiHostUrl) + "/upload.xml") +
             Calls{Set(CURLOPT_TIMEOUT, 50L), "easy_perform", "easy_reset", "easy_cleanup"}},
        {"upload", false,
         [&](ResponseBody* r) { return PostUploadForm(context->settings, r, fields, media.c_str(), nullptr, nullptr); },
         uploadStart + uploadBody + uploadEnd},
        {"upload with progress, logging", true,
         [&](ResponseBody* r) { return PostUploadForm(context->settings, r, fields, media.c_str(), KeepGoing, &folder); },
         uploadStart + Calls{Set(CURLOPT_VERBOSE, 1L)} + uploadBody + progress + uploadEnd},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        std::filesystem::remove(record);
        context->settings.logResponses = c.log ? 1 : 0;
        ResponseBody body;
        ::testing::internal::CaptureStderr();  // the verbose trace
        EXPECT_EQ(c.run(body.Address()), 0);
        ::testing::internal::GetCapturedStderr();
        context->settings.uploadServerUrl[0] = '\0';  // every upload goes to the default host

        EXPECT_EQ(ReadCalls(record), c.expected);
    }
}

// A libcurl before 7.85.0 refuses the protocols by name: the bitmask holds the
// request to http and https instead, and the request still goes out.
TEST(CurlCallsServiceTest, AnOlderLibcurlIsHeldToTheWebByTheBitmask) {
    ResetDevServer();
    TemporaryFolder folder;
    const std::string record = (folder.path() / "calls.txt").string();
    ScopedEnvironment recording("CLIPFERRY_TEST_CURL_RECORD", record);
    const std::string proxy = DevServerProxy();
    ContextPtr context = MakeContext(proxy.c_str(), StubCurlPath("stub_curl_before_7_85").c_str());
    ASSERT_TRUE(context);
    ResponseBody body;
    EXPECT_EQ(PostGetFileTypes(context->settings, body.Address()), 0);
    EXPECT_NE(body.Text(), nullptr);
    const long web = CURLPROTO_HTTP | CURLPROTO_HTTPS;
    const Calls expected = {"easy_init", "easy_reset", Set(CURLOPT_PROTOCOLS_STR, "http,https"),
                            Set(CURLOPT_PROTOCOLS, web), Set(CURLOPT_REDIR_PROTOCOLS, web), Set(CURLOPT_PROXY, proxy)};
    const Calls seen = ReadCalls(record);
    ASSERT_GE(seen.size(), expected.size());
    EXPECT_EQ(Calls(seen.begin(), seen.begin() + expected.size()), expected);
}

}  // namespace
}  // namespace clipferry
