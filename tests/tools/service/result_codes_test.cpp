#include "service/result_codes.h"

#include <gtest/gtest.h>

namespace clipferry::cli {
namespace {

TEST(ExitStatus, EachKindOfResultHasOneStableStatusBelowTheShellsOwn) {
    struct Case { int32_t result; int status; };
    const Case cases[] = {
        {0, 0}, {82, 3}, {83, 4}, {42, 5},
        {5, 6}, {6, 6}, {7, 6}, {97, 6},        // cannot reach the service or the proxy
        {28, 7},                                // timed out
        {18, 8}, {52, 8}, {55, 8}, {56, 8},     // the connection broke
        {1, 10}, {35, 10}, {60, 10}, {99, 10},  // any other libcurl failure
        {127, 10}, {128, 9}, {-1, 9}, {1000, 9},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(exitStatusFor(c.result), c.status) << "result " << c.result;
    }
    for (int32_t result = -5; result <= 300; ++result) {
        EXPECT_LT(exitStatusFor(result), 126) << "result " << result;
    }
}

TEST(ExitStatus, ABatchEndsWithTheWorstOfItsUploads) {
    struct Case { int a, b, worse; };
    const Case cases[] = {
        {0, 0, 0}, {0, 4, 4}, {4, 3, 3}, {3, 8, 8}, {8, 7, 7}, {7, 6, 6},
        {6, 10, 10}, {10, 9, 9}, {9, 1, 1}, {1, 5, 5}, {5, 0, 5}, {0, 8, 8}, {0, 77, 77},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(worseExitStatus(c.a, c.b), c.worse) << c.a << " and " << c.b;
        EXPECT_EQ(worseExitStatus(c.b, c.a), c.worse) << c.b << " and " << c.a;
    }
}

TEST(Explain, OneLineNamingWhatFailedWhereAndWhatToDo) {
    const std::string proxy = "127.0.0.1:3128";
    const std::string host = "http://api.lumivid.example";
    struct Case {
        Operation operation;
        int32_t result;
        Circumstances circumstances;
        std::vector<std::string> expected;  // the first starts the line, the rest are in it
        int status = -1;                    // -1: the result's own
    };
    Circumstances stalled;
    stalled.stalledFor = 90;
    Circumstances stalledAfterEveryByte = stalled;
    stalledAfterEveryByte.everyByteSent = true;
    Circumstances throughProxy{"", false, proxy, host};
    throughProxy.passwordSource = "the password typed at the prompt";
    Circumstances notLumivid = throughProxy;
    notLumivid.loginAnswer = Circumstances::LoginAnswer::NotLumivid;
    notLumivid.proxySource = "--proxy";
    notLumivid.dumpFile = "/tmp/Clipferry_Login.xml";
    Circumstances lumivid = throughProxy;
    lumivid.loginAnswer = Circumstances::LoginAnswer::Lumivid;
    const Case cases[] = {
        {Operation::Login, 83, {}, {"login: login refused: wrong user name or password, or the "
                                    "service answered without a verdict"}},
        {Operation::Upload, 83, {"Title is too long", false, "", host, "a.mp4"},
         {"upload of a.mp4: refused by the service: Title is too long"}},
        {Operation::Upload, 83, {}, {"upload: refused by the service (no message)"}},
        {Operation::Moderators, 82, {}, {"moderators: bad argument or state: this account may not"}},
        {Operation::Categories, 82, {}, {"categories: bad argument or state: parent category"}},
        {Operation::Upload, 42, {"", true}, {"upload: cancelled"}, exit_status::interrupted},
        {Operation::Login, 42, {}, {"login: aborted: libcurl could not be loaded"}},
        {Operation::Upload, 42, stalled, {"upload: stalled: nothing moved for 1 min 30 s (--stall-timeout)"},
         exit_status::timedOut},
        {Operation::Login, 83, notLumivid,
         {"login: the answer did not come from Lumivid: the proxy 127.0.0.1:3128 (--proxy) did not "
          "answer as Lumivid does; is it a proxy to Lumivid? check --proxy; "
          "/tmp/Clipferry_Login.xml shows what came back"}},
        {Operation::Login, 83, lumivid,
         {"login: login refused: wrong user name or password; check --user and the password typed "
          "at the prompt"}},
        {Operation::Upload, 83, {"Bad \x1b[31mtitle", false, "", host, "a\x07.mp4"},
         {"upload of a\\x07.mp4: refused by the service: Bad \\x1b[31mtitle"}},
        {Operation::FileTypes, 7, {"", false, proxy, host},
         {"file types: could not reach the proxy 127.0.0.1:3128 (CLIPFERRY_PROXY_SERVER)",
          "(libcurl result 7: could not connect)", "is the service or proxy running?"}},
        {Operation::Login, 6, {"", false, "", host},
         {"login: could not reach http://api.lumivid.example",
          "(libcurl result 6: could not resolve the host)", "check the network"}},
        {Operation::Upload, 28, {"", false, proxy, host, "b.mp4"},
         {"upload of b.mp4: timed out waiting for the proxy", "libcurl result 28"}},
        {Operation::Upload, 52, {"", false, "", host, "c.mp4"},
         {"upload of c.mp4: the connection to http://api.lumivid.example broke",
          "libcurl result 52", "--retry"}},
        {Operation::Upload, 56, {"", false, "", host, "d.mp4", true},
         {"upload of d.mp4: the connection to http://api.lumivid.example broke after every byte "
          "was handed to the network (libcurl result 56: receive error)"}},
        // After the last byte: no verdict, and no hint to send it again.
        {Operation::Upload, 83, {"", false, "", host, "f.mp4", true},
         {"upload of f.mp4: no verdict came after every byte was handed to the network"}},
        {Operation::Upload, 42, stalledAfterEveryByte,
         {"upload: stalled: nothing moved for 1 min 30 s (--stall-timeout) after every byte was "
          "handed to the network"},
         exit_status::timedOut},
        // Failures on this side of the network say what to look at, not the service.
        {Operation::Upload, 26, {"", false, "", host, "e.mp4"},
         {"upload of e.mp4: the file ended early or changed while it was sent", "nothing was published"}},
        {Operation::Login, 23, {}, {"login: could not keep the answer", "TMPDIR"}},
        {Operation::Categories, 63, {"", false, proxy, host},
         {"categories: the answer from the proxy 127.0.0.1:3128", "64 MiB"}},
        {Operation::Categories, 99, {"", false, "", host},
         {"categories: talking to http://api.lumivid.example failed (libcurl result 99: "}},
        {Operation::Login, -5, {}, {"login: unexpected result -5"}},
    };
    for (const Case& c : cases) {
        Explanation explanation = explain(c.operation, c.result, c.circumstances);
        const std::string& text = explanation.text;
        EXPECT_EQ(text.rfind(c.expected[0], 0), 0u) << "got \"" << text << "\"";
        for (size_t i = 1; i < c.expected.size(); ++i) {
            EXPECT_NE(text.find(c.expected[i]), std::string::npos) << "got \"" << text << "\"";
        }
        EXPECT_EQ(text.find('\n'), std::string::npos) << text;
        EXPECT_EQ(explanation.exitStatus, c.status >= 0 ? c.status : exitStatusFor(c.result)) << text;
    }
}

TEST(Explain, HelpTableListsTheStatusesThatExplainGives) {
    std::string table = exitStatusTable();
    for (int32_t result : {0, 82, 83, 42, 6, 7, 28, 52, 55, 56, 35, -1}) {
        std::string status = std::to_string(exitStatusFor(result));
        EXPECT_NE(table.find("  " + status + " "), std::string::npos) << "status " << status;
    }
}

}  // namespace
}  // namespace clipferry::cli
