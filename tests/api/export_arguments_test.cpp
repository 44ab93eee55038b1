// Every export refuses a missing handle or argument with 82 before any work.
#include <gtest/gtest.h>

#include "clipferry.h"

namespace {

void OnCategory(int32_t, const clipferry_char*, int32_t, void*) {}
void OnModerator(int32_t, const clipferry_char*, const clipferry_char*, int32_t, void*) {}

TEST(ExportArgumentsTest, MissingOrOutOfRangeArgumentsGive82) {
    void* handle = CLIPFERRY_Init();
    ASSERT_NE(handle, nullptr);
    int userData = 0;
    clipferry_char buffer[16] = {};
    int32_t count = 0;
    const clipferry_char* text = u"x";

    const int32_t results[] = {
        CLIPFERRY_Login(nullptr, text, text),
        CLIPFERRY_Login(handle, nullptr, text),
        CLIPFERRY_Login(handle, text, nullptr),
        CLIPFERRY_GetFileTypes(nullptr, buffer, 16),
        CLIPFERRY_GetFileTypes(handle, nullptr, 16),
        CLIPFERRY_GetFileTypes(handle, buffer, 0),
        CLIPFERRY_GetCategories(nullptr, 0, &userData, OnCategory, &count),
        CLIPFERRY_GetCategories(handle, -1, &userData, OnCategory, &count),
        CLIPFERRY_GetCategories(handle, 0, nullptr, OnCategory, &count),
        CLIPFERRY_GetCategories(handle, 0, &userData, nullptr, &count),
        CLIPFERRY_GetModerators(nullptr, &userData, OnModerator, &count),
        CLIPFERRY_GetModerators(handle, nullptr, OnModerator, &count),
        CLIPFERRY_GetModerators(handle, &userData, nullptr, &count),
        CLIPFERRY_DoUpload(nullptr, text, text, text, text, 0, 0, 0, 0, buffer, 16, nullptr, nullptr),
        CLIPFERRY_DoUpload(handle, nullptr, text, text, text, 0, 0, 0, 0, buffer, 16, nullptr, nullptr),
        CLIPFERRY_DoUpload(handle, text, nullptr, text, text, 0, 0, 0, 0, buffer, 16, nullptr, nullptr),
        CLIPFERRY_DoUpload(handle, text, text, nullptr, text, 0, 0, 0, 0, buffer, 16, nullptr, nullptr),
        CLIPFERRY_DoUpload(handle, text, text, text, nullptr, 0, 0, 0, 0, buffer, 16, nullptr, nullptr),
        CLIPFERRY_DoUpload(handle, text, text, text, text, -1, 0, 0, 0, buffer, 16, nullptr, nullptr),
        CLIPFERRY_DoUpload(handle, text, text, text, text, 0, -1, 0, 0, buffer, 16, nullptr, nullptr),
    };
    for (size_t i = 0; i < sizeof results / sizeof results[0]; ++i) {
        EXPECT_EQ(results[i], CLIPFERRY_BAD_ARGUMENT) << "call #" << i;
    }
    EXPECT_EQ(count, 0);
    EXPECT_EQ(buffer[0], u'\0');
    CLIPFERRY_Release(handle);
}

}  // namespace
