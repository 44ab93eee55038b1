// The four SOAP calls against the local Lumivid service, reached as the
// context's proxy.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "devserver_client.h"
#include "expected_envelopes.h"
#include "platform/text.h"
#include "test_environment.h"
#include "transport/dump_file.h"
#include "transport/response_buffer.h"
#include "transport/service_urls.h"
#include "transport/soap_requests.h"

namespace clipferry {
namespace {

using namespace clipferry::testing;
using clipferry::test::DevServerProxy;
using clipferry::test::RecordedRequest;
using clipferry::test::RecordedRequests;
using clipferry::test::ResetDevServer;
using clipferry::test::ScriptedResponse;
using clipferry::test::ScriptResponse;

constexpr char kClosedPort[] = "127.0.0.1:1";
const std::string kEndpoint = std::string(ApiHostUrl) + "/0.1.1/api";

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

class SoapServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetDevServer();
        proxy_ = DevServerProxy();
        context_ = MakeContext(proxy_.c_str());
        ASSERT_TRUE(context_);
        ASSERT_TRUE(context_->settings.proxyEnabled);
    }

    // Scripts the next answer of the API endpoint: status and body, sent in
    // pieces of the given sizes delayMs apart, or cut off after them.
    static void ScriptApi(int status, const std::string& body, std::vector<size_t> chunks = {},
                          int delayMs = 0, bool drop = false) {
        ScriptedResponse response;
        response.path = "/0.1.1/api";
        response.status = status;
        response.headers = {{"Content-Type", "text/xml; charset=utf-8"}};
        response.body = body;
        response.chunks = std::move(chunks);
        response.delay_ms = delayMs;
        response.drop = drop;
        ScriptResponse(response);
    }

    std::string proxy_;
    ContextPtr context_;
};

struct Call {
    const char* operation;
    std::function<int32_t(RequestSettings&, ResponseBody*)> run;
    std::string expectedBody;
};

std::vector<Call> FourCalls() {
    return {
        {"UserLogin", [](RequestSettings& c, ResponseBody* r) { return PostUserLogin(c, "demo", "demo-password", r); },
         ExpectedUserLogin("demo", "demo-password")},
        {"GetFileTypes", [](RequestSettings& c, ResponseBody* r) { return PostGetFileTypes(c, r); },
         ExpectedGetFileTypes()},
        {"GetCategories", [](RequestSettings& c, ResponseBody* r) { return PostGetCategories(c, 0, r); },
         ExpectedGetCategories("0")},
        {"GetModerators", [](RequestSettings& c, ResponseBody* r) { return PostGetModerators(c, 17, r); },
         ExpectedGetModerators("17")},
    };
}

TEST_F(SoapServiceTest, EachCallPostsItsEnvelopeToTheEndpoint) {
    const std::vector<Call> calls = FourCalls();
    for (const Call& call : calls) {
        SCOPED_TRACE(call.operation);
        ResponseBody body;
        ASSERT_EQ(call.run(context_->settings, body.Address()), 0);
        ASSERT_NE(body.Text(), nullptr);
        EXPECT_NE(std::string(body.Text()).find(std::string(call.operation) + "Response"), std::string::npos);
    }
    const std::vector<RecordedRequest> requests = RecordedRequests();
    ASSERT_EQ(requests.size(), calls.size());
    for (size_t i = 0; i < calls.size(); ++i) {
        SCOPED_TRACE(calls[i].operation);
        EXPECT_EQ(requests[i].method, "POST");
        EXPECT_EQ(requests[i].target, kEndpoint);  // absolute form: sent through the proxy
        EXPECT_EQ(requests[i].body, calls[i].expectedBody);
    }
}

TEST_F(SoapServiceTest, HeadersAreExactAndInOrder) {
    const std::vector<Call> calls = FourCalls();
    for (const Call& call : calls) {
        ResponseBody body;
        ASSERT_EQ(call.run(context_->settings, body.Address()), 0);
    }
    const std::vector<RecordedRequest> requests = RecordedRequests();
    ASSERT_EQ(requests.size(), calls.size());
    for (size_t i = 0; i < calls.size(); ++i) {
        SCOPED_TRACE(calls[i].operation);
        // Our two headers, in their own letter case and order; libcurl's own
        // Content-Type and Expect must not appear beside them.
        std::vector<std::string> ours;
        for (const auto& [name, value] : requests[i].headers) {
            const std::string lower = Lower(name);
            EXPECT_NE(lower, "expect");
            if (lower == "content-type" || lower == "soapaction") ours.push_back(name + ": " + value);
        }
        const std::vector<std::string> expected = {
            "Content-type: text/xml; charset=utf-8",
            std::string("soapAction: \"") + ApiHostUrl + "/0.1.1/" + calls[i].operation + "\""};
        EXPECT_EQ(ours, expected);
    }
}

TEST_F(SoapServiceTest, MarkupInCredentialsArrivesEscaped) {
    ResponseBody body;
    ASSERT_EQ(PostUserLogin(context_->settings, "demo</Username>", "a&b<c'\"", body.Address()), 0);
    const std::vector<RecordedRequest> requests = RecordedRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].body, ExpectedUserLogin("demo&lt;/Username&gt;", "a&amp;b&lt;c&apos;&quot;"));
    // Well-formed, so the service answers with a refusal, not a fault.
    ASSERT_NE(body.Text(), nullptr);
    EXPECT_EQ(std::string(body.Text()).find("Fault"), std::string::npos);
}

TEST_F(SoapServiceTest, ProxyIsSetOnlyWhenEnabled) {
    // libcurl's own proxy variable points at the service; only a request
    // without its own proxy option follows it.
    test::ScopedEnvironment noProxy("no_proxy", std::nullopt);
    test::ScopedEnvironment noProxyUpper("NO_PROXY", std::nullopt);
    test::ScopedEnvironment fromEnvironment("http_proxy", proxy_);

    auto disabled = MakeContext(kClosedPort);
    ASSERT_TRUE(disabled);
    disabled->settings.proxyEnabled = 0;
    ResponseBody first;
    EXPECT_EQ(PostGetFileTypes(disabled->settings, first.Address()), 0);
    EXPECT_EQ(RecordedRequests().size(), 1u);

    auto enabled = MakeContext(kClosedPort);
    ASSERT_TRUE(enabled);
    ASSERT_TRUE(enabled->settings.proxyEnabled);
    ResponseBody second;
    EXPECT_EQ(PostGetFileTypes(enabled->settings, second.Address()), CURLE_COULDNT_CONNECT);
    EXPECT_EQ(RecordedRequests().size(), 1u);
}

TEST_F(SoapServiceTest, AnswerInSeveralChunksIsJoined) {
    const std::string answer = "<r><a>first piece</a><b>second piece</b><c>third</c></r>";
    ScriptApi(200, answer, {7, 13, 5, 20}, 20);
    ResponseBody body;
    ASSERT_EQ(PostGetFileTypes(context_->settings, body.Address()), 0);
    ASSERT_NE(body.Text(), nullptr);
    EXPECT_EQ(std::string(body.Text()), answer);
}

TEST_F(SoapServiceTest, NulByteDropsOnlyTheRestOfItsChunk) {
    using std::string_literals::operator""s;
    // Sent chunked, one piece per chunk: the middle piece is all that is lost.
    ScriptApi(200, "<r>first\0lost\0second</r>"s, {8, 6}, 50);
    ResponseBody body;
    ASSERT_EQ(PostGetFileTypes(context_->settings, body.Address()), 0);
    ASSERT_NE(body.Text(), nullptr);
    EXPECT_EQ(std::string(body.Text()), "<r>firstsecond</r>");
}

TEST_F(SoapServiceTest, ErrorStatusWithFaultStillGivesTheBody) {
    const std::string fault =
        "<?xml version=\"1.0\"?><SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\">"
        "<SOAP-ENV:Body><SOAP-ENV:Fault><faultcode>SOAP-ENV:Server</faultcode>"
        "<faultstring>Down for maintenance</faultstring></SOAP-ENV:Fault></SOAP-ENV:Body></SOAP-ENV:Envelope>";
    ScriptApi(500, fault);
    ResponseBody body;
    ASSERT_EQ(PostGetCategories(context_->settings, 3, body.Address()), 0);
    ASSERT_NE(body.Text(), nullptr);
    EXPECT_EQ(std::string(body.Text()), fault);
}

TEST_F(SoapServiceTest, TransferFailuresPassLibcurlsCodeThrough) {
    ScriptApi(200, "", {}, 0, true);
    ResponseBody dropped;
    EXPECT_EQ(PostGetFileTypes(context_->settings, dropped.Address()), CURLE_GOT_NOTHING);
    EXPECT_EQ(dropped.Text(), nullptr);

    // Cut off after the first piece: the partial body stays for the caller.
    ScriptApi(200, "<r>partial answer</r>", {9}, 0, true);
    ResponseBody cut;
    EXPECT_NE(PostGetFileTypes(context_->settings, cut.Address()), 0);
    ASSERT_NE(cut.Text(), nullptr);
    EXPECT_EQ(std::string(cut.Text()), "<r>partia");

    auto refused = MakeContext(kClosedPort);
    ASSERT_TRUE(refused);
    ResponseBody none;
    EXPECT_EQ(PostGetFileTypes(refused->settings, none.Address()), CURLE_COULDNT_CONNECT);
    EXPECT_EQ(none.Text(), nullptr);
}

TEST_F(SoapServiceTest, LibcurlWithoutResetStillWorks) {
    const std::string noReset = test::StubCurlPath("stub_curl_no_reset");
    auto context = MakeContext(proxy_.c_str(), noReset.c_str());
    ASSERT_TRUE(context);
    for (const Call& call : FourCalls()) {
        SCOPED_TRACE(call.operation);
        ResponseBody body;
        EXPECT_EQ(call.run(context->settings, body.Address()), 0);
        EXPECT_NE(body.Text(), nullptr);
    }
    EXPECT_EQ(RecordedRequests().size(), 4u);
}

TEST_F(SoapServiceTest, NoLibcurlGivesFortyTwoAndSendsNothing) {
    // Nothing loads, or a library loads that lacks libcurl's entry points.
    for (const char* library : {"no_such_libcurl", "stub_curl_bare"}) {
        auto context = MakeContext(proxy_.c_str(), test::StubCurlPath(library).c_str());
        ASSERT_TRUE(context);
        for (const Call& call : FourCalls()) {
            SCOPED_TRACE(std::string(library) + " " + call.operation);
            ResponseBody body;
            EXPECT_EQ(call.run(context->settings, body.Address()), 42);
            EXPECT_EQ(body.Text(), nullptr);
        }
    }
    EXPECT_TRUE(RecordedRequests().empty());
}

TEST_F(SoapServiceTest, RefusedCallsSendNothing) {
    auto noBinding = MakeContext(proxy_.c_str());
    ASSERT_TRUE(noBinding);
    noBinding->settings.binding.reset();

    RequestSettings& c = context_->settings;
    ResponseBody body;
    ResponseBody* r = body.Address();
    EXPECT_EQ(PostUserLogin(c, nullptr, "pw", r), 82);
    EXPECT_EQ(PostUserLogin(c, "demo", nullptr, r), 82);
    EXPECT_EQ(PostUserLogin(c, "demo", "pw", nullptr), 82);
    EXPECT_EQ(PostGetFileTypes(c, nullptr), 82);
    EXPECT_EQ(PostGetCategories(c, -1, r), 82);
    EXPECT_EQ(PostGetCategories(c, 0, nullptr), 82);
    EXPECT_EQ(PostGetModerators(c, 0, r), 82);
    EXPECT_EQ(PostGetModerators(c, -5, r), 82);
    EXPECT_EQ(PostGetModerators(c, 17, nullptr), 82);
    for (const Call& call : FourCalls()) {
        SCOPED_TRACE(call.operation);
        EXPECT_EQ(call.run(noBinding->settings, r), 82);
    }
    EXPECT_EQ(body.Text(), nullptr);
    EXPECT_TRUE(RecordedRequests().empty());
}

TEST_F(SoapServiceTest, DumpReplacesThePreviousOne) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / "clipferry-soap-dumps";
    fs::remove_all(dir);
    fs::create_directories(dir);
    test::ScopedEnvironment tmp("TMPDIR", dir.string());
    const std::u16string path = DumpFilePath(DumpFile::Login);

    ResponseBody first;
    ASSERT_EQ(PostUserLogin(context_->settings, "demo", "demo-password", first.Address()), 0);
    ASSERT_NE(first.Text(), nullptr);
    WriteDumpFile(path.c_str(), first.Text(), std::char_traits<char>::length(first.Text()));

    const std::string shorter = "<r>no</r>";
    ScriptApi(200, shorter);
    ResponseBody second;
    ASSERT_EQ(PostUserLogin(context_->settings, "demo", "wrong", second.Address()), 0);
    WriteDumpFile(path.c_str(), second.Text(), std::char_traits<char>::length(second.Text()));

    std::ifstream in(dir / "Clipferry_Login.xml", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), shorter);
    EXPECT_EQ(fs::status(dir / "Clipferry_Login.xml").permissions(), fs::perms::owner_read | fs::perms::owner_write);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace clipferry
