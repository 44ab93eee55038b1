#include "transport/curl_binding.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/text.h"
#include "scoped_environment.h"

namespace clipferry {
namespace {

// Counts what the binding asks of the loader.
struct LoaderLog {
    int loads = 0;
    int unloads = 0;
    std::map<std::string, int> lookups;
};
LoaderLog g_log;

const LibraryLoader kCountingLoader{
    [](const char16_t* name) {
        ++g_log.loads;
        return PlatformLibraryLoader().load(name);
    },
    [](platform::LibraryHandle library, const char* name) {
        ++g_log.lookups[name];
        return PlatformLibraryLoader().find(library, name);
    },
    [](platform::LibraryHandle library) {
        ++g_log.unloads;
        PlatformLibraryLoader().unload(library);
    }};

std::u16string Wide(const std::string& text) { return platform::Utf8ToUtf16(text); }

class CurlBindingTest : public ::testing::Test {
protected:
    void SetUp() override { g_log = LoaderLog{}; }
};

TEST_F(CurlBindingTest, MissingLibraryGivesTheFixedResults) {
    CurlBinding binding(u"/nonexistent/libcurl-missing.so", kCountingLoader);
    EXPECT_FALSE(binding.IsBound());
    curl_httppost* first = nullptr;
    curl_httppost* last = nullptr;
    EXPECT_EQ(binding.EasyInit(), nullptr);
    EXPECT_EQ(binding.SlistAppend(nullptr, "Expect:"), nullptr);
    EXPECT_EQ(binding.EasyPerform(nullptr), CURLE_ABORTED_BY_CALLBACK);
    EXPECT_EQ(binding.EasySetopt(nullptr, CURLOPT_TIMEOUT, 50L), CURLE_ABORTED_BY_CALLBACK);
    EXPECT_EQ(binding.FormAdd(&first, &last, CURLFORM_COPYNAME, "a", CURLFORM_COPYCONTENTS, "b"),
              CURL_FORMADD_NULL);
    binding.SlistFreeAll(nullptr);
    binding.FormFree(nullptr);
    binding.EasyReset(nullptr);
    binding.EasyCleanup(nullptr);
    EXPECT_TRUE(g_log.lookups.empty()) << "no lookup without a library";
    binding.Unload();
    EXPECT_EQ(g_log.unloads, 0) << "a binding whose load failed unloads nothing";
}

TEST_F(CurlBindingTest, LibraryWithoutEntryPointsAnswersAsMissingAndRetriesLookups) {
    CurlBinding binding(Wide(test::StubCurlPath("stub_curl_bare")).c_str(), kCountingLoader);
    ASSERT_TRUE(binding.IsBound());
    curl_httppost* first = nullptr;
    curl_httppost* last = nullptr;
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(binding.EasyInit(), nullptr);
        EXPECT_EQ(binding.SlistAppend(nullptr, "x"), nullptr);
        EXPECT_EQ(binding.EasyPerform(nullptr), CURLE_ABORTED_BY_CALLBACK);
        EXPECT_EQ(binding.EasySetopt(nullptr, CURLOPT_URL, "u"), CURLE_ABORTED_BY_CALLBACK);
        EXPECT_EQ(binding.FormAdd(&first, &last, CURLFORM_COPYNAME, "a"), CURL_FORMADD_NULL);
        binding.EasyReset(nullptr);
    }
    // A failed lookup is tried again on the next call.
    for (const char* name : {"curl_easy_init", "curl_slist_append", "curl_easy_perform",
                             "curl_easy_setopt", "curl_formadd", "curl_easy_reset"}) {
        EXPECT_EQ(g_log.lookups[name], 2) << name;
    }
}

TEST_F(CurlBindingTest, EntryPointsAreLookedUpOnceAndTheLibraryUnloadedOnce) {
    const std::string path = test::StubCurlPath("stub_curl_full");
    {
        CurlBinding binding(Wide(path).c_str(), kCountingLoader);
        ASSERT_TRUE(binding.IsBound());
        EXPECT_EQ(g_log.lookups.size(), 0u) << "nothing is looked up at construction";
        for (int i = 0; i < 3; ++i) {
            CURL* handle = binding.EasyInit();
            ASSERT_NE(handle, nullptr);
            binding.EasyReset(handle);
            binding.EasySetopt(handle, CURLOPT_TIMEOUT, 5L);
            curl_slist* list = binding.SlistAppend(nullptr, "Expect:");
            binding.SlistFreeAll(list);
            binding.EasyCleanup(handle);
        }
        for (const auto& [name, count] : g_log.lookups) EXPECT_EQ(count, 1) << name;
        EXPECT_EQ(g_log.lookups.size(), 6u);
    }
    EXPECT_EQ(g_log.loads, 1);
    EXPECT_EQ(g_log.unloads, 1);
    EXPECT_EQ(dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr) << "the library is gone";
}

TEST_F(CurlBindingTest, FormAddPassesPairsThroughInOrder) {
    CurlBinding binding(Wide(test::StubCurlPath("stub_curl_full")).c_str());
    curl_httppost* first = nullptr;
    curl_httppost* last = nullptr;
    EXPECT_EQ(binding.FormAdd(&first, &last, CURLFORM_COPYNAME, "terms", CURLFORM_COPYCONTENTS, "1"),
              CURL_FORMADD_OK);
    ASSERT_NE(first, nullptr);
    EXPECT_STREQ(first->name, "terms");
    EXPECT_STREQ(first->contents, "1");
    binding.FormFree(first);
}

}  // namespace
}  // namespace clipferry
