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
        EXPECT_EQ(ContextOf(handle.value).logResponses, c.on ? 1 : 0) << c.stored.value_or("(absent)");
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
    EXPECT_STREQ(context.proxy, "");
    EXPECT_EQ(context.proxyEnabled, 0);
    EXPECT_STREQ(context.uploadServerUrl, "");
    EXPECT_NE(context.binding, nullptr);
}

TEST(UploaderContextTest, TakesTheProxyDerivedAtCreation) {
    ScopedEnvironment proxy("CLIPFERRY_PROXY_SERVER", "ftp=f:21;http=127.0.0.1:3128 ;");
    Handle handle;
    EXPECT_EQ(ContextOf(handle.value).proxyEnabled, 1);
    EXPECT_STREQ(ContextOf(handle.value).proxy, "127.0.0.1:3128");
}

TEST(UploaderContextTest, ProxyListWithoutHttpEntryLeavesProxyOff) {
    ScopedEnvironment proxy("CLIPFERRY_PROXY_SERVER", "https=s:443");
    Handle handle;
    EXPECT_EQ(ContextOf(handle.value).proxyEnabled, 0);
    EXPECT_STREQ(ContextOf(handle.value).proxy, "");
}

TEST(UploaderContextTest, MissingLibcurlStillGivesAHandle) {
    ScopedEnvironment curl("CLIPFERRY_CURL_LIBRARY", "/nonexistent/libcurl.so.4");
    Handle handle;
    ASSERT_NE(handle.value, nullptr);
    ASSERT_NE(ContextOf(handle.value).binding, nullptr);
    EXPECT_FALSE(ContextOf(handle.value).binding->IsBound());
}

TEST(UploaderContextTest, ReleaseUnloadsLibcurlAndIgnoresNull) {
    const std::string path = test::StubCurlPath("stub_curl_full");
    ScopedEnvironment curl("CLIPFERRY_CURL_LIBRARY", path);
    void* handle = CLIPFERRY_Init();
    ASSERT_NE(handle, nullptr);
    EXPECT_TRUE(ContextOf(handle).binding->IsBound());
    CLIPFERRY_Release(handle);
    EXPECT_EQ(dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr);
    CLIPFERRY_Release(nullptr);
}

}  // namespace
}  // namespace clipferry
