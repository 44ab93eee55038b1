// The upload server's status text decides acceptance; a refusal that happens
// to contain "SUCCESS" must stay a refusal.
#include <gtest/gtest.h>

#include "api/upload_verdict.h"

namespace clipferry {
namespace {

TEST(UploadVerdictTest, StatusTexts) {
    const struct {
        const char16_t* status;
        bool accepted;
    } cases[] = {
        {u"SUCCESS", true},
        {u"Success", true},
        {u"success", true},
        {u"upload success", true},
        {u"SUCCESSFUL", true},
        {u"UNSUCCESSFUL", false},
        {u"Unsuccessful", false},
        {u"unsuccess", false},
        {u"UNSUCCESSFUL, retry: SUCCESS later", true},
        {u"NSUCCESS", true},
        {u"FAILED", false},
        {u"SUCCES", false},
        {u"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsUploadAccepted(c.status), c.accepted) << std::string(c.status, c.status + std::char_traits<char16_t>::length(c.status));
    }
}

}  // namespace
}  // namespace clipferry
