// The request results that need no service: refusals before any transfer,
// and a missing or partial libcurl.
#include "transport/soap_requests.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "test_environment.h"
#include "transport/response_buffer.h"

namespace clipferry {
namespace {

using namespace clipferry::testing;

// Nothing listens here: a request that slipped through would end with
// libcurl's connection error instead of the result under test.
constexpr char kClosedPort[] = "127.0.0.1:1";

using Request = std::function<int32_t(UploaderContext&, char**)>;

struct NamedRequest {
    const char* name;
    Request run;
};

const NamedRequest kValidRequests[] = {
    {"UserLogin", [](UploaderContext& c, char** r) { return PostUserLogin(c, "anna", "pw", r); }},
    {"GetFileTypes", [](UploaderContext& c, char** r) { return PostGetFileTypes(c, r); }},
    {"GetCategories", [](UploaderContext& c, char** r) { return PostGetCategories(c, 0, r); }},
    {"GetModerators", [](UploaderContext& c, char** r) { return PostGetModerators(c, 7, r); }},
};

TEST(SoapRequests, RefuseBadArgumentsBeforeAnyTransfer) {
    auto context = MakeContext(kClosedPort);
    ASSERT_TRUE(context);
    const NamedRequest cases[] = {
        {"NullUserName", [](UploaderContext& c, char** r) { return PostUserLogin(c, nullptr, "pw", r); }},
        {"NullPassword", [](UploaderContext& c, char** r) { return PostUserLogin(c, "anna", nullptr, r); }},
        {"LoginNullBuffer", [](UploaderContext& c, char**) { return PostUserLogin(c, "a", "b", nullptr); }},
        {"FileTypesNullBuffer", [](UploaderContext& c, char**) { return PostGetFileTypes(c, nullptr); }},
        {"CategoriesNegative", [](UploaderContext& c, char** r) { return PostGetCategories(c, -1, r); }},
        {"CategoriesNullBuffer", [](UploaderContext& c, char**) { return PostGetCategories(c, 0, nullptr); }},
        {"ModeratorsZero", [](UploaderContext& c, char** r) { return PostGetModerators(c, 0, r); }},
        {"ModeratorsNegative", [](UploaderContext& c, char** r) { return PostGetModerators(c, -1, r); }},
        {"ModeratorsNullBuffer", [](UploaderContext& c, char**) { return PostGetModerators(c, 7, nullptr); }},
    };
    for (const NamedRequest& c : cases) {
        SCOPED_TRACE(c.name);
        ResponseBody body;
        EXPECT_EQ(c.run(*context, body.Address()), 82);
        EXPECT_EQ(body.Text(), nullptr);
    }
}

TEST(SoapRequests, RefuseWithoutBinding) {
    auto context = MakeContext(kClosedPort);
    ASSERT_TRUE(context);
    context->binding.reset();
    for (const NamedRequest& c : kValidRequests) {
        SCOPED_TRACE(c.name);
        ResponseBody body;
        EXPECT_EQ(c.run(*context, body.Address()), 82);
    }
}

TEST(SoapRequests, GiveFortyTwoWithoutLibcurl) {
    const std::string missing = test::StubCurlPath("no_such_libcurl");
    auto context = MakeContext(kClosedPort, missing.c_str());
    ASSERT_TRUE(context);
    ASSERT_FALSE(context->binding->IsBound());
    for (const NamedRequest& c : kValidRequests) {
        SCOPED_TRACE(c.name);
        ResponseBody body;
        EXPECT_EQ(c.run(*context, body.Address()), 42);
        EXPECT_EQ(body.Text(), nullptr);
    }
}

TEST(SoapRequests, RefuseWhenNoEasyHandleCanBeHad) {
    // The library loads but offers no entry points, so no handle is made and
    // libcurl is never called with a null one.
    const std::string bare = test::StubCurlPath("stub_curl_bare");
    auto context = MakeContext(kClosedPort, bare.c_str());
    ASSERT_TRUE(context);
    ASSERT_TRUE(context->binding->IsBound());
    for (const NamedRequest& c : kValidRequests) {
        SCOPED_TRACE(c.name);
        ResponseBody body;
        EXPECT_EQ(c.run(*context, body.Address()), 82);
    }
}

TEST(SoapRequests, PassLibcurlsResultThroughUnchanged) {
    // Refused by the proxy: libcurl's "could not connect", with or without a
    // reset entry point.
    for (const char* library : {"stub_curl_full", "stub_curl_no_reset"}) {
        SCOPED_TRACE(library);
        const std::string path = test::StubCurlPath(library);
        auto context = MakeContext(kClosedPort, path.c_str());
        ASSERT_TRUE(context);
        ASSERT_TRUE(context->proxyEnabled);
        for (const NamedRequest& c : kValidRequests) {
            SCOPED_TRACE(c.name);
            ResponseBody body;
            EXPECT_EQ(c.run(*context, body.Address()), CURLE_COULDNT_CONNECT);
        }
    }
}

}  // namespace
}  // namespace clipferry
