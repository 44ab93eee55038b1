// The end-to-end cases on Linux: the shared library opened as a host opens
// it, settings through the environment, one CTest test per case.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "devserver_client.h"
#include "end_to_end_cases.h"

namespace clipferry::e2e {

// Names the case in gtest's messages.
void PrintTo(const Case& which, std::ostream* out) {
    *out << which.name;
}

namespace {

template <typename Function>
void Resolve(void* library, const char* name, Function& slot) {
    slot = reinterpret_cast<Function>(dlsym(library, name));
    if (slot == nullptr) ADD_FAILURE() << name << " is not exported";
}

// The library stays loaded for the whole run, as in a host.
Exports LoadExports() {
    Exports exports;
    void* library = dlopen(CLIPFERRY_E2E_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        ADD_FAILURE() << dlerror();
        return exports;
    }
    Resolve(library, "CLIPFERRY_Init", exports.init);
    Resolve(library, "CLIPFERRY_Release", exports.release);
    Resolve(library, "CLIPFERRY_Login", exports.login);
    Resolve(library, "CLIPFERRY_GetFileTypes", exports.getFileTypes);
    Resolve(library, "CLIPFERRY_GetCategories", exports.getCategories);
    Resolve(library, "CLIPFERRY_GetModerators", exports.getModerators);
    Resolve(library, "CLIPFERRY_DoUpload", exports.doUpload);
    return exports;
}

void Prepare(const InitSettings& settings) {
    if (settings.logSwitch) {
        setenv("CLIPFERRY_LOG", "999", 1);
    } else {
        unsetenv("CLIPFERRY_LOG");
    }
    if (settings.libcurlMissing) {
        setenv("CLIPFERRY_CURL_LIBRARY", "/nonexistent/libcurl.so.4", 1);
    } else {
        unsetenv("CLIPFERRY_CURL_LIBRARY");
    }
}

void UseTemporaryDirectory(const std::filesystem::path& folder) { setenv("TMPDIR", folder.c_str(), 1); }

class EndToEndTest : public ::testing::TestWithParam<Case> {
protected:
    // A temporary directory of the test's own, where the library puts its
    // scratch and dump files; the service as the library's proxy.
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "clipferry-e2e-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        platform_.temporaryDirectory = pattern;
        platform_.dumpDirectory = pattern;
        platform_.prepare = Prepare;
        platform_.useTemporaryDirectory = UseTemporaryDirectory;
        setenv("TMPDIR", pattern.c_str(), 1);
        setenv("CLIPFERRY_PROXY_SERVER", test::DevServerProxy().c_str(), 1);
    }
    void TearDown() override {
        Prepare({});
        unsetenv("CLIPFERRY_PROXY_SERVER");
        unsetenv("TMPDIR");
        std::error_code ignored;
        std::filesystem::remove_all(platform_.temporaryDirectory, ignored);
    }
    Platform platform_;
};

TEST_P(EndToEndTest, Passes) {
    static const Exports exports = LoadExports();
    ASSERT_NE(exports.doUpload, nullptr);
    for (const auto& failure : RunCase(GetParam(), exports, platform_)) ADD_FAILURE() << failure;
}

INSTANTIATE_TEST_SUITE_P(Shared, EndToEndTest, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace clipferry::e2e
