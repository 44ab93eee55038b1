#include "result_codes.h"

#include <gtest/gtest.h>

#include <map>

namespace clipferry::cli {
namespace {

TEST(ExitStatus, EveryResultHasItsOwnStatusBelowTheSignalRange) {
    std::map<int, int32_t> seen;
    for (int32_t result = 0; result <= 117; ++result) {
        int status = exitStatusFor(result);
        EXPECT_LT(status, 128) << "result " << result;
        EXPECT_NE(status, exit_status::usage) << "result " << result;
        EXPECT_NE(status, exit_status::failure) << "result " << result;
        auto [where, fresh] = seen.emplace(status, result);
        EXPECT_TRUE(fresh) << "results " << where->second << " and " << result << " share " << status;
    }
}

TEST(ExitStatus, KnownResults) {
    struct Case { int32_t result; int status; };
    const Case cases[] = {
        {0, 0}, {82, 3}, {83, 4}, {42, 5}, {6, 16}, {7, 17}, {28, 38}, {52, 62},
        {55, 65}, {56, 66}, {117, 127}, {118, 9}, {-1, 9}, {1000, 9},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(exitStatusFor(c.result), c.status) << "result " << c.result;
    }
}

TEST(Explain, OneLineNamingTheOperationAndTheCause) {
    struct Case {
        Operation operation;
        int32_t result;
        std::string serviceMessage;
        bool interrupted;
        std::string expected;
    };
    const Case cases[] = {
        {Operation::Login, 83, "", false, "login: login refused"},
        {Operation::Upload, 83, "Title is too long", false,
         "upload: refused by the service: Title is too long"},
        {Operation::Upload, 83, "", false, "upload: refused by the service (no message)"},
        {Operation::Moderators, 82, "", false, "moderators: bad argument or state: this account may not"},
        {Operation::Upload, 82, "", false, "upload: bad argument or state: file missing"},
        {Operation::Categories, 82, "", false, "categories: bad argument or state: parent category"},
        {Operation::Upload, 42, "", true, "upload: cancelled"},
        {Operation::Login, 42, "", false, "login: aborted: libcurl could not be loaded"},
        {Operation::FileTypes, 7, "", false, "file types: could not connect"},
        {Operation::Login, 6, "", false, "login: could not resolve the host (libcurl result 6)"},
        {Operation::Upload, 28, "", false, "upload: timed out (libcurl result 28)"},
        {Operation::Upload, 52, "", false, "upload: the server sent nothing"},
        {Operation::Categories, 99, "", false, "categories: libcurl error (libcurl result 99)"},
        {Operation::Login, -5, "", false, "login: unexpected result -5"},
    };
    for (const Case& c : cases) {
        Explanation explanation = explain(c.operation, c.result, c.serviceMessage, c.interrupted);
        EXPECT_EQ(explanation.text.rfind(c.expected, 0), 0u)
            << "got \"" << explanation.text << "\", expected it to start with \"" << c.expected << "\"";
        EXPECT_EQ(explanation.text.find('\n'), std::string::npos) << explanation.text;
        EXPECT_EQ(explanation.exitStatus, exitStatusFor(c.result));
    }
}

TEST(Explain, HelpTableListsTheStatusesThatExplainGives) {
    std::string table = exitStatusTable();
    for (int32_t result : {0, 82, 83, 42, 6, 7, 28, 52, 55, 56}) {
        std::string status = std::to_string(exitStatusFor(result));
        EXPECT_NE(table.find(" " + status + " "), std::string::npos) << "status " << status;
    }
}

}  // namespace
}  // namespace clipferry::cli
