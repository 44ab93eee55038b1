// Each operation run again and again against the local service through a
// libcurl stand-in that fails its N-th call (a null handle or list, a refused
// option or form part, every transfer result a host meets), for every N until
// a run makes fewer calls: each run gives the documented result of the call
// that failed, leaves no file, leaks nothing, and the context then serves the
// same call as if nothing had happened.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "api/uploader_context.h"
#include "clipferry.h"
#include "devserver_client.h"
#include "service_session.h"
#include "upload_files.h"

namespace clipferry {
namespace {

using namespace clipferry::test;
using namespace clipferry::testing;

// The stand-in's controls, reached through a handle of the test's own: the
// library loads the same file, so both see the one count.
class FaultyCurl {
public:
    FaultyCurl() : path_(StubCurlPath("stub_curl_faults")), library_(dlopen(path_.c_str(), RTLD_NOW)) {
        if (library_ == nullptr) return;
        fail_ = reinterpret_cast<void (*)(long, int)>(dlsym(library_, "stub_curl_fail_call"));
        failed_ = reinterpret_cast<const char* (*)()>(dlsym(library_, "stub_curl_failed_call"));
    }
    ~FaultyCurl() {
        if (library_ != nullptr) dlclose(library_);
    }
    FaultyCurl(const FaultyCurl&) = delete;
    FaultyCurl& operator=(const FaultyCurl&) = delete;

    bool Usable() const { return fail_ != nullptr && failed_ != nullptr; }
    const std::string& path() const { return path_; }
    // From now on the n-th failable call fails (0: none); a failing perform gives performResult.
    void FailCall(long n, int performResult = 0) const { fail_(n, performResult); }
    // The call that failed ("easy_init", "easy_setopt 10002", "easy_perform"...), or "".
    std::string FailedCall() const { return failed_(); }

private:
    std::string path_;
    void* library_;
    void (*fail_)(long, int) = nullptr;
    const char* (*failed_)() = nullptr;
};

// Every transfer result the header names, and the cancel.
const int kPerformResults[] = {1, 3, 5, 6, 7, 18, 23, 26, 27, 28, 35, 42, 52, 55, 56, 60, 63, 97};

// What the documented result is when the call failed: a missing handle or
// form part is 82, a refused option or header line out of memory (27), a
// failed transfer its own result.
int32_t ResultOfFailed(const std::string& call, int performResult) {
    if (call == "easy_perform") return performResult;
    if (call == "easy_init" || call == "formadd") return CLIPFERRY_BAD_ARGUMENT;
    return 27;
}

// An operation's result and what it delivered, as text to compare with the
// run in which nothing failed.
struct Outcome {
    int32_t result;
    std::string delivered;
};

void OnCategory(int32_t id, const clipferry_char*, int32_t, void* seen) {
    *static_cast<std::string*>(seen) += std::to_string(id) + " ";
}
void OnModerator(int32_t id, const clipferry_char*, const clipferry_char*, int32_t, void* seen) {
    *static_cast<std::string*>(seen) += std::to_string(id) + " ";
}
int KeepGoing(void*, double, double, double, double) { return 0; }

std::string Narrow(const clipferry_char* text) {
    return platform::Utf16ToUtf8(std::u16string(reinterpret_cast<const char16_t*>(text)));
}

TEST(CurlFaultsServiceTest, EveryFailedLibcurlCallGivesItsDocumentedResult) {
    FaultyCurl curl;
    ASSERT_TRUE(curl.Usable()) << dlerror();
    ScopedEnvironment curlLibrary("CLIPFERRY_CURL_LIBRARY", curl.path());
    TemporaryFolder media;
    const std::u16string path = Wide(media.Write("clip.mp4", "video bytes"));
    const struct {
        const char* name;
        bool loggedIn;  // whether the run starts from a successful login
        // A failure inside the upload's discovery is not reported: the form
        // goes to the default upload server, which is the local service too.
        bool mayRecover;
        // What the run delivers when it fails: nothing, or the context as it was.
        const char* untouched;
        std::function<Outcome(void* handle)> run;
    } operations[] = {
        {"login", false, false, "0 ",
         [](void* handle) {
             const int32_t result = CLIPFERRY_Login(handle, u"demo", u"demo-password");
             const LoginRecord& login = static_cast<UploaderContext*>(handle)->login;
             return Outcome{result, std::to_string(login.loggedIn) + " " + login.authKey};
         }},
        {"file types", true, false, "-",
         [](void* handle) {
             clipferry_char buffer[128] = {u'-'};
             const int32_t result = CLIPFERRY_GetFileTypes(handle, buffer, 128);
             return Outcome{result, Narrow(buffer)};
         }},
        {"categories", true, false, "count -1",
         [](void* handle) {
             Outcome outcome{0, ""};
             int32_t count = -1;
             outcome.result = CLIPFERRY_GetCategories(handle, 0, &outcome.delivered, OnCategory, &count);
             outcome.delivered += "count " + std::to_string(count);
             return outcome;
         }},
        {"moderators", true, false, "count -1",
         [](void* handle) {
             Outcome outcome{0, ""};
             int32_t count = -1;
             outcome.result = CLIPFERRY_GetModerators(handle, &outcome.delivered, OnModerator, &count);
             outcome.delivered += "count " + std::to_string(count);
             return outcome;
         }},
        {"discovery and upload", true, true, "-",
         [&path](void* handle) {
             clipferry_char message[128] = {u'-'};
             const int32_t result = CLIPFERRY_DoUpload(handle, path.c_str(), u"T", u"D", u"a", 501, 1, 0, 0,
                                                       message, 128, KeepGoing, nullptr);
             return Outcome{result, Narrow(message)};
         }},
    };
    ResetDevServer();
    SetDevServerSetting("store_uploads", false);
    long failurePoints = 0;
    for (const auto& operation : operations) {
        SCOPED_TRACE(operation.name);
        // In a fresh context, logged in when the operation needs it.
        const auto runFailing = [&](long n, int performResult) {
            ServiceSession session;
            EXPECT_NE(session.handle(), nullptr);
            curl.FailCall(0);
            if (operation.loggedIn) EXPECT_EQ(session.Login(u"demo", u"demo-password"), CLIPFERRY_OK);
            curl.FailCall(n, performResult);
            const Outcome outcome = operation.run(session.handle());
            const std::string failed = curl.FailedCall();
            curl.FailCall(0);
            // The next call on the same context goes as if nothing had happened.
            const Outcome next = failed.empty() ? Outcome{} : operation.run(session.handle());
            return std::make_tuple(outcome, failed, next);
        };
        const Outcome reference = std::get<0>(runFailing(0, 0));
        ASSERT_EQ(reference.result, CLIPFERRY_OK);
        long points = 0;
        for (long n = 1;; ++n) {
            std::vector<int> performResults = {kPerformResults[0]};
            bool reached = true;
            for (size_t i = 0; i < performResults.size(); ++i) {
                SCOPED_TRACE("call " + std::to_string(n) + ", transfer result " + std::to_string(performResults[i]));
                OwnTemporaryDirectory tmp;
                const auto [outcome, failed, next] = runFailing(n, performResults[i]);
                if (failed.empty()) {
                    // The operation is over before its n-th call: the sweep is done.
                    EXPECT_EQ(outcome.result, reference.result);
                    EXPECT_EQ(outcome.delivered, reference.delivered);
                    reached = false;
                    break;
                }
                SCOPED_TRACE("failed: " + failed);
                ++points;
                if (failed == "easy_perform" && i == 0)
                    performResults.assign(std::begin(kPerformResults), std::end(kPerformResults));
                if (outcome.result == CLIPFERRY_OK) {
                    EXPECT_TRUE(operation.mayRecover) << "a failure reported as success";
                    EXPECT_EQ(outcome.delivered, reference.delivered);
                } else {
                    EXPECT_EQ(outcome.result, ResultOfFailed(failed, performResults[i]));
                    // Nothing delivered, nothing changed.
                    EXPECT_EQ(outcome.delivered, operation.untouched);
                }
                EXPECT_EQ(next.result, reference.result);
                EXPECT_EQ(next.delivered, reference.delivered);
                EXPECT_TRUE(std::filesystem::is_empty(tmp.path())) << "a file was left";
            }
            if (!reached) break;
            ASSERT_LT(n, 500) << "no end to the calls";
        }
        std::printf("%s: %ld failure points\n", operation.name, points);
        failurePoints += points;
    }
    std::printf("%ld failure points in all\n", failurePoints);
    EXPECT_GT(failurePoints, 0);
}

}  // namespace
}  // namespace clipferry
