// Which discovered addresses an upload may use: http and https URLs alone.
#include "transport/web_protocols.h"

#include <gtest/gtest.h>

namespace clipferry {
namespace {

struct AddressCase {
    const char* name;
    const char* address;
    bool web;
};

class IsWebUrlTest : public ::testing::TestWithParam<AddressCase> {};

TEST_P(IsWebUrlTest, FollowsTheTable) { EXPECT_EQ(IsWebUrl(GetParam().address), GetParam().web); }

INSTANTIATE_TEST_SUITE_P(
    Table, IsWebUrlTest,
    ::testing::Values(AddressCase{"http", "http://uploads.lumivid.example", true},
                      AddressCase{"https_with_port_and_path", "https://10.0.0.1:8443/in/", true},
                      AddressCase{"scheme_in_capitals", "HTTPS://uploads.lumivid.example", true},
                      // libcurl would guess a protocol from the host name (ftp.* is ftp).
                      AddressCase{"no_scheme", "ftp.lumivid.example/in", false},
                      AddressCase{"file", "file:///etc/passwd#", false},
                      AddressCase{"scheme_with_one_slash", "http:/uploads.lumivid.example", false},
                      AddressCase{"longer_scheme", "httpx://uploads.lumivid.example", false},
                      AddressCase{"blank_first", " http://uploads.lumivid.example", false},
                      AddressCase{"empty", "", false}, AddressCase{"null", nullptr, false}),
    [](const ::testing::TestParamInfo<AddressCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace clipferry
