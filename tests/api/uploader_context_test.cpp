#include "api/uploader_context.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>

#include "clipferry.h"
#include "scoped_environment.h"

namespace clipferry {
namespace {

using test::ScopedEnvironment;

UploaderContext& ContextOf(void* handle) { return *static_cast<UploaderContext*>(handle); }

struct Handle {
    void* value = CLIPFERRY_Init();
    ~Handle() { CLIPFERRY_Release(value); }
};

struct LogSwitchCase {
    std::optional<std::string> stored;
    bool on;
};

TEST(LogSwitchTest, OnlyExactly999TurnsItOn) {
    const LogSwitchCase cases[] = {{"999", true},        {"998", false}, {"1000", false},
                                   {std::nullopt, false}, {"", false},    {"garbage", false},
                                   {"999x", false},       {" 999", false}, {"-999", false},
                                   {"4294968295", false}};
    for (const auto& c : cases) {
        ScopedEnvironment log("CLIPFERRY_LOG", c.stored);
        Handle handle;
        ASSERT_NE(handle.value, nullptr);
        EXPECT_EQ(ContextOf(handle.value).settings.logResponses, c.on ? 1 : 0) << c.stored.value_or("(absent)");
    }
}

TEST(UploaderContextTest, StartsLoggedOutWithNothingStored) {
    ScopedEnvironment proxy("CLIPFERRY_PROXY_SERVER", std::nullopt);
    Handle handle;
    ASSERT_NE(handle.value, nullptr);
    const UploaderContext& context = ContextOf(handle.value);
    EXPECT_EQ(context.login.loggedIn, 0);
    EXPECT_EQ(context.login.contactId, 0);
    EXPECT_STREQ(context.login.authKey, "");
    EXPECT_STREQ(context.settings.proxy, "");
    EXPECT_EQ(context.settings.proxyEnabled, 0);
    EXPECT_STREQ(context.settings.uploadServerUrl, "");
    EXPECT_NE(context.settings.binding, nullptr);
}

// The proxy a context takes from CLIPFERRY_PROXY_SERVER when it is created.
struct ProxyAtCreation {
    const char* name;
    std::string recorded;
    int32_t enabled;
    std::string proxy;
    bool tooLong;
};

class UploaderContextProxyTest : public ::testing::TestWithParam<ProxyAtCreation> {};

TEST_P(UploaderContextProxyTest, TakesTheProxyDerivedAtCreation) {
    const ProxyAtCreation& c = GetParam();
    ScopedEnvironment proxy("CLIPFERRY_PROXY_SERVER", c.recorded);
    Handle handle;
    EXPECT_EQ(ContextOf(handle.value).settings.proxyEnabled, c.enabled);
    EXPECT_EQ(std::string(ContextOf(handle.value).settings.proxy), c.proxy);
    EXPECT_EQ(ContextOf(handle.value).settings.proxyTooLong, c.tooLong);
}

INSTANTIATE_TEST_SUITE_P(
    Table, UploaderContextProxyTest,
    ::testing::Values(ProxyAtCreation{"http_entry", "ftp=f:21;http=127.0.0.1:3128 ;", 1, "127.0.0.1:3128", false},
                      ProxyAtCreation{"no_http_entry", "https=s:443", 0, "", false},
                      ProxyAtCreation{"utf8_text", "pr\xc3\xb6xy:1", 1, "pr\xc3\xb6xy:1", false},
                      ProxyAtCreation{"fills_the_field", std::string(259, 'p'), 1, std::string(259, 'p'), false},
                      // Never cut: a cut address names another host or port.
                      ProxyAtCreation{"too_long", std::string(256, 'p') + ":8080", 1, "", true}),
    [](const ::testing::TestParamInfo<ProxyAtCreation>& info) { return std::string(info.param.name); });

TEST(UploaderContextTest, MissingLibcurlStillGivesAHandle) {
    ScopedEnvironment curl("CLIPFERRY_CURL_LIBRARY", "/nonexistent/libcurl.so.4");
    Handle handle;
    ASSERT_NE(handle.value, nullptr);
    ASSERT_NE(ContextOf(handle.value).settings.binding, nullptr);
    EXPECT_FALSE(ContextOf(handle.value).settings.binding->IsBound());
}

TEST(UploaderContextTest, ReleaseUnloadsLibcurlAndIgnoresNull) {
    const std::string path = test::StubCurlPath("stub_curl_full");
    ScopedEnvironment curl("CLIPFERRY_CURL_LIBRARY", path);
    void* handle = CLIPFERRY_Init();
    ASSERT_NE(handle, nullptr);
    EXPECT_TRUE(ContextOf(handle).settings.binding->IsBound());
    CLIPFERRY_Release(handle);
    EXPECT_EQ(dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr);
    CLIPFERRY_Release(nullptr);
}

}  // namespace
}  // namespace clipferry
