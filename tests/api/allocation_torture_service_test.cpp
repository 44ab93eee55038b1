// Each operation run again and again against the local service, the k-th
// allocation failing on the k-th run, until a run needs no more than it has:
// every run ends in a documented result, leaves no file and leaks nothing.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "allocation_torture.h"
#include "api/uploader_context.h"
#include "clipferry.h"
#include "devserver_client.h"
#include "service_session.h"
#include "upload_files.h"

namespace clipferry {
namespace {

using namespace clipferry::test;
using namespace clipferry::testing;

void OnCategory(int32_t, const clipferry_char*, int32_t, void* items) { ++*static_cast<int*>(items); }

// The operation's result and how many items its callback saw.
struct Outcome {
    int32_t result;
    int items;
};

bool Documented(int32_t result) {
    // 23: the body could not be stored; 27: libcurl ran out of memory.
    return result == CLIPFERRY_OK || result == CLIPFERRY_BAD_ARGUMENT || result == CLIPFERRY_REFUSED ||
           result == 23 || result == 27;
}

TEST(AllocationTortureServiceTest, EveryFailedAllocationGivesADocumentedResult) {
    TemporaryFolder media;
    const std::u16string path = Wide(media.Write("clip.mp4", "video bytes"));
    const struct {
        const char* name;
        bool loggedIn;  // whether the run starts from a successful login
        // Runs the operation; it must not allocate itself, so that every
        // counted allocation is the library's.
        std::function<Outcome(void* handle)> run;
    } routes[] = {
        {"login", false,
         [](void* handle) {
             // The length of the key stands for the record: an empty one is a wrong one.
             const int32_t result = CLIPFERRY_Login(handle, u"demo", u"demo-password");
             return Outcome{result, int(std::strlen(static_cast<UploaderContext*>(handle)->login.authKey))};
         }},
        {"categories", true,
         [](void* handle) {
             Outcome outcome{0, 0};
             outcome.result = CLIPFERRY_GetCategories(handle, 0, &outcome.items, OnCategory, nullptr);
             return outcome;
         }},
        {"upload", true,
         [&path](void* handle) {
             clipferry_char message[64] = {};
             return Outcome{CLIPFERRY_DoUpload(handle, path.c_str(), u"T", u"D", u"a", 0, 1, 0, 0, message, 64,
                                               nullptr, nullptr),
                            0};
         }},
    };
    ResetDevServer();
    SetDevServerSetting("store_uploads", false);
    for (const auto& route : routes) {
        SCOPED_TRACE(route.name);
        Outcome expected{-1, -1};
        for (long k = 0;; ++k) {  // k = 0: a run with nothing failing, the reference
            SCOPED_TRACE("allocation " + std::to_string(k));
            OwnTemporaryDirectory tmp;
            ServiceSession session;
            ASSERT_NE(session.handle(), nullptr);
            if (route.loggedIn) ASSERT_EQ(CLIPFERRY_Login(session.handle(), u"demo", u"demo-password"), 0);
            Outcome outcome;
            bool injected;
            {
                AllocationTorture torture(k);
                outcome = route.run(session.handle());
                injected = torture.Injected();
            }
            if (k == 0) {
                ASSERT_EQ(outcome.result, CLIPFERRY_OK);
                expected = outcome;
                continue;
            }
            EXPECT_TRUE(Documented(outcome.result)) << outcome.result;
            // A list whose answer could not be loaded is an empty list, never a part of one.
            const bool emptyList = std::string(route.name) == "categories" && outcome.items == 0;
            if (outcome.result == CLIPFERRY_OK && !emptyList) EXPECT_EQ(outcome.items, expected.items);
            EXPECT_TRUE(std::filesystem::is_empty(tmp.File(""))) << "a file was left";
            if (!injected) {
                EXPECT_EQ(outcome.result, CLIPFERRY_OK);
                break;
            }
            ASSERT_LT(k, 20000) << "no end to the allocations";
        }
    }
}

}  // namespace
}  // namespace clipferry
