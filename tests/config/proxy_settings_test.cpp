#include "config/proxy_settings.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>


namespace clipferry {
namespace {

struct ProxyCase {
    const char* name;
    std::u16string text;
    bool used;
    std::u16string address;
};

class DeriveProxyAddressTest : public ::testing::TestWithParam<ProxyCase> {};

TEST_P(DeriveProxyAddressTest, FollowsTheDecisionTable) {
    const ProxyCase& c = GetParam();
    std::u16string address = u"unchanged";
    EXPECT_EQ(DeriveProxyAddress(c.text, address), c.used);
    EXPECT_EQ(address, c.used ? c.address : u"unchanged");
}

INSTANTIATE_TEST_SUITE_P(
    Table, DeriveProxyAddressTest,
    ::testing::Values(
        ProxyCase{"single_address", u"proxy.corp:8080", true, u"proxy.corp:8080"},
        ProxyCase{"single_address_kept_verbatim", u" http://proxy:80 ;", true, u" http://proxy:80 ;"},
        ProxyCase{"http_among_others", u"ftp=f:21;http=h:80;https=s:443", true, u"h:80"},
        ProxyCase{"http_entry_ends_text", u"https=s:443;http=h:80", true, u"h:80"},
        ProxyCase{"blanks_before_semicolon_trimmed", u"http=h:80  \t;https=s:1", true, u"h:80"},
        ProxyCase{"blanks_at_end_kept", u"ftp=f:21;http=h:80  ", true, u"h:80  "},
        ProxyCase{"empty_http_before_semicolon", u"http=;https=s:1", true, u""},
        ProxyCase{"empty_http_at_end", u"ftp=f:1;http=", true, u""},
        ProxyCase{"only_https", u"https=s:443", false, u""},
        ProxyCase{"only_other_protocols", u"ftp=f:21;socks=k:1080;https=s:443", false, u""},
        ProxyCase{"http_followed_by_prefix_without_semicolon", u"http=h:80 socks=k:1", false, u""},
        ProxyCase{"capital_prefix_is_no_prefix", u"HTTP=h:80", true, u"HTTP=h:80"},
        ProxyCase{"no_port_needed", u"http=h;", true, u"h"}),
    [](const ::testing::TestParamInfo<ProxyCase>& info) { return std::string(info.param.name); });

struct RecordedCase {
    const char* name;
    std::optional<std::u16string> recorded;
    std::optional<uint32_t> enabled;
    bool used;
    std::u16string address;
};

class ChooseProxyTest : public ::testing::TestWithParam<RecordedCase> {};

TEST_P(ChooseProxyTest, FollowsTheRecordedTextAndSwitch) {
    const RecordedCase& c = GetParam();
    std::u16string address;
    EXPECT_EQ(ChooseProxy(c.recorded, c.enabled, address), c.used);
    EXPECT_EQ(address, c.address);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, ChooseProxyTest,
    ::testing::Values(RecordedCase{"missing", std::nullopt, std::nullopt, false, u""},
                      RecordedCase{"empty", u"", std::nullopt, false, u""},
                      RecordedCase{"address", u"127.0.0.1:3128", std::nullopt, true, u"127.0.0.1:3128"},
                      RecordedCase{"cut_at_nul", std::u16string(u"a:1\0b:2", 7), std::nullopt, true, u"a:1"},
                      RecordedCase{"list", u"https=a:1;http=b:2", std::nullopt, true, u"b:2"},
                      RecordedCase{"switched_on", u"a:1", 1u, true, u"a:1"},
                      RecordedCase{"switched_off", u"a:1", 0u, false, u""},
                      RecordedCase{"switched_off_without_text", std::nullopt, 0u, false, u""}),
    [](const ::testing::TestParamInfo<RecordedCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace clipferry
