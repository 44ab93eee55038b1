// Every face of the results against the header: the table, the Python
// package's module and the project's version; and the meaning of a result.
#include <clipferry-common/results.h>

#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "python_module.h"

namespace clipferry::results {
namespace {

// What the face says that the header does not; empty when they agree.
std::string tableAgainstHeader() {
    const std::string other = clipferry_result_text(INT32_MIN);
    std::string faults;
    for (int32_t code = -1000; code <= 1000; ++code) {
        const bool named = other != clipferry_result_text(code);
        int rows = 0;
        for (const Row& row : kRows) rows += row.code == code;
        if (rows != (named ? 1 : 0)) {
            faults += "result " + std::to_string(code) + ": " + std::to_string(rows) + " rows; ";
        }
    }
    return faults;
}

std::string pythonModuleAgainstHeader() {
    std::ifstream file(CLIPFERRY_PYTHON_CONTRACT, std::ios::binary);
    std::stringstream checkedIn;
    checkedIn << file.rdbuf();
    return checkedIn.str() == pythonModule()
               ? ""
               : CLIPFERRY_PYTHON_CONTRACT " is not what the header and results.def give: "
                 "cmake --build BUILD --target update_python_contract";
}

std::string projectVersionAgainstHeader() {
    return std::string(CLIPFERRY_PROJECT_VERSION) == CLIPFERRY_VERSION
               ? ""
               : "the project says " CLIPFERRY_PROJECT_VERSION ", the header " CLIPFERRY_VERSION;
}

TEST(Faces, EachSaysWhatTheHeaderSays) {
    struct Face {
        const char* name;
        std::function<std::string()> disagreement;
    };
    const Face faces[] = {
        {"the table: one row per result the header names", tableAgainstHeader},
        {"the Python package's _contract.py", pythonModuleAgainstHeader},
        {"the CMake project's version", projectVersionAgainstHeader},
    };
    for (const Face& face : faces) {
        EXPECT_EQ(face.disagreement(), "") << face.name;
    }
}

TEST(Meaning, WhatAResultTellsAHost) {
    struct Case {
        int32_t result;
        Meaning meaning;
        bool retryable;
    };
    const Case cases[] = {
        {CLIPFERRY_OK, Meaning::Accepted, false},
        {CLIPFERRY_REFUSED, Meaning::Refused, false},
        {CLIPFERRY_BAD_ARGUMENT, Meaning::NotSent, false},
        {CLIPFERRY_ABORTED, Meaning::Cancelled, false},
        {code::PROXY_HANDSHAKE_FAILED, Meaning::Unreachable, true},
        {code::TIMED_OUT, Meaning::TimedOut, true},
        {code::EMPTY_REPLY, Meaning::ConnectionBroke, true},
        {code::TLS_HANDSHAKE_FAILED, Meaning::Failed, false},
        {99, Meaning::Failed, false},  // a libcurl result the header does not name
        {kHighestCurlCode, Meaning::Failed, false},
        {kHighestCurlCode + 1, Meaning::Unknown, false},
        {-1, Meaning::Unknown, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(meaningOf(c.result), c.meaning) << "result " << c.result;
        EXPECT_EQ(isRetryable(c.result), c.retryable) << "result " << c.result;
    }
}

TEST(Meaning, AFailureAfterTheLastByteMayHaveBeenReceived) {
    struct Case {
        int32_t result;
        bool everyByteSent;
        bool messageEmpty;
        bool mayHaveBeenReceived;
    };
    const Case cases[] = {
        {CLIPFERRY_OK, true, true, false},
        {CLIPFERRY_REFUSED, true, false, false},  // the service's own refusal
        {CLIPFERRY_REFUSED, true, true, true},    // no verdict could be read
        {CLIPFERRY_REFUSED, false, true, false},
        {code::RECEIVE_ERROR, true, true, true},
        {code::RECEIVE_ERROR, false, true, false},
        {CLIPFERRY_ABORTED, true, true, true},
        {code::WRITE_ERROR, true, false, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(mayHaveBeenReceived(c.result, c.everyByteSent, c.messageEmpty), c.mayHaveBeenReceived)
            << "result " << c.result << (c.everyByteSent ? ", every byte sent" : "")
            << (c.messageEmpty ? ", no message" : "");
    }
}

}  // namespace
}  // namespace clipferry::results
