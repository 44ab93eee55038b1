// Every export with hostile arguments: missing, empty, over-long and broken
// UTF-16 text, out-buffers of one unit and of exactly the text's length,
// extreme ids, calls in the wrong order. Each gives its documented code and
// writes nothing outside the buffer it was given.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>

#include "clipferry.h"
#include "devserver_client.h"
#include "service_session.h"
#include "upload_files.h"

namespace clipferry::test {
namespace {

using clipferry::testing::TemporaryFolder;
using clipferry::testing::Wide;

void OnCategory(int32_t, const clipferry_char*, int32_t, void* calls) { ++*static_cast<int*>(calls); }
void OnModerator(int32_t, const clipferry_char*, const clipferry_char*, int32_t, void* calls) {
    ++*static_cast<int*>(calls);
}

// An out-buffer inside guard units: every unit the call was not given keeps
// its fill, so a write past the stated size shows.
class GuardedBuffer {
public:
    static constexpr size_t kGuard = 16;
    static constexpr size_t kRoom = 256;
    static constexpr clipferry_char kFill = 0xA5A5;

    GuardedBuffer() { std::fill(std::begin(units_), std::end(units_), kFill); }
    clipferry_char* data() { return units_ + kGuard; }
    // Whether nothing outside the first `given` units changed.
    bool OnlyWithin(uint32_t given) const {
        for (size_t i = 0; i < sizeof units_ / sizeof units_[0]; ++i) {
            const bool inside = i >= kGuard && i < kGuard + given;
            if (!inside && units_[i] != kFill) return false;
        }
        return true;
    }
    // The text written, up to its NUL (empty when nothing was).
    std::u16string Text() const {
        std::u16string text;
        for (size_t i = kGuard; i < kGuard + kRoom && units_[i] != 0 && units_[i] != kFill; ++i) text += units_[i];
        return text;
    }

private:
    clipferry_char units_[kGuard + kRoom + kGuard];
};

TEST(ExportArgumentsServiceTest, HostileArgumentsGiveTheirCodeAndStayInTheirBuffers) {
    ResetDevServer();
    TemporaryFolder folder;
    const std::u16string media = Wide(folder.Write("clip.mp4", "video bytes"));
    const std::u16string missing = Wide((folder.path() / "missing.mp4").string());
    const std::u16string longText(100000, u'x');
    const std::u16string loneSurrogates = u"a\xD800" u"b\xDC00";
    // The service's file types and its message for an upload titled "T".
    const std::u16string types = u"*.mp4;*.mov;*.avi;*.wmv;*.mpg";
    const std::u16string accepted = u"Your video \"T\" was received and awaits moderation.";

    ServiceSession fresh;  // never logged in
    ServiceSession in;
    ASSERT_EQ(in.Login(u"demo", u"demo-password"), CLIPFERRY_OK);
    void* const h = in.handle();
    void* const f = fresh.handle();
    int calls = 0;
    int32_t count = -7;
    const clipferry_char* x = u"x";
    auto upload = [&](void* handle, const std::u16string& path, const std::u16string& title, int32_t moderator,
                      int32_t category1, clipferry_char* message, uint32_t size) {
        return CLIPFERRY_DoUpload(handle, path.c_str(), title.c_str(), u"d", u"t", moderator, category1, 0, 0,
                                  message, size, nullptr, nullptr);
    };

    const struct {
        const char* name;
        std::function<int32_t(clipferry_char* buffer)> call;
        uint32_t given;  // units of the buffer the call is told about
        int32_t code;
        std::u16string text;  // what the buffer holds after
    } cases[] = {
        // Missing handles and arguments.
        {"login, no handle", [&](clipferry_char*) { return CLIPFERRY_Login(nullptr, x, x); }, 0, 82, u""},
        {"login, no user", [&](clipferry_char*) { return CLIPFERRY_Login(f, nullptr, x); }, 0, 82, u""},
        {"login, no password", [&](clipferry_char*) { return CLIPFERRY_Login(f, x, nullptr); }, 0, 82, u""},
        {"file types, no handle", [&](clipferry_char* b) { return CLIPFERRY_GetFileTypes(nullptr, b, 16); }, 16, 82,
         u""},
        {"file types, no buffer", [&](clipferry_char*) { return CLIPFERRY_GetFileTypes(h, nullptr, 16); }, 0, 82,
         u""},
        {"file types, size 0", [&](clipferry_char* b) { return CLIPFERRY_GetFileTypes(h, b, 0); }, 0, 82, u""},
        {"categories, no handle",
         [&](clipferry_char*) { return CLIPFERRY_GetCategories(nullptr, 0, &calls, OnCategory, &count); }, 0, 82,
         u""},
        {"categories, no user data",
         [&](clipferry_char*) { return CLIPFERRY_GetCategories(h, 0, nullptr, OnCategory, &count); }, 0, 82, u""},
        {"categories, no callback",
         [&](clipferry_char*) { return CLIPFERRY_GetCategories(h, 0, &calls, nullptr, &count); }, 0, 82, u""},
        {"moderators, no handle",
         [&](clipferry_char*) { return CLIPFERRY_GetModerators(nullptr, &calls, OnModerator, &count); }, 0, 82, u""},
        {"moderators, no user data",
         [&](clipferry_char*) { return CLIPFERRY_GetModerators(h, nullptr, OnModerator, &count); }, 0, 82, u""},
        {"moderators, no callback",
         [&](clipferry_char*) { return CLIPFERRY_GetModerators(h, &calls, nullptr, &count); }, 0, 82, u""},
        {"upload, no handle",
         [&](clipferry_char* b) {
             return CLIPFERRY_DoUpload(nullptr, x, x, x, x, 0, 0, 0, 0, b, 16, nullptr, nullptr);
         },
         16, 82, u""},
        {"upload, no path",
         [&](clipferry_char* b) { return CLIPFERRY_DoUpload(h, nullptr, x, x, x, 0, 0, 0, 0, b, 16, nullptr, nullptr); },
         16, 82, u""},
        {"upload, no title",
         [&](clipferry_char* b) { return CLIPFERRY_DoUpload(h, x, nullptr, x, x, 0, 0, 0, 0, b, 16, nullptr, nullptr); },
         16, 82, u""},
        {"upload, no description",
         [&](clipferry_char* b) { return CLIPFERRY_DoUpload(h, x, x, nullptr, x, 0, 0, 0, 0, b, 16, nullptr, nullptr); },
         16, 82, u""},
        {"upload, no tags",
         [&](clipferry_char* b) { return CLIPFERRY_DoUpload(h, x, x, x, nullptr, 0, 0, 0, 0, b, 16, nullptr, nullptr); },
         16, 82, u""},
        // Calls in the wrong order: nothing before a login.
        {"file types before login", [&](clipferry_char* b) { return CLIPFERRY_GetFileTypes(f, b, 64); }, 64, 82, u""},
        {"categories before login",
         [&](clipferry_char*) { return CLIPFERRY_GetCategories(f, 0, &calls, OnCategory, &count); }, 0, 82, u""},
        {"moderators before login",
         [&](clipferry_char*) { return CLIPFERRY_GetModerators(f, &calls, OnModerator, &count); }, 0, 82, u""},
        {"upload before login", [&](clipferry_char* b) { return upload(f, media, u"T", 0, 1, b, 64); }, 64, 82, u""},
        // Negative and extreme ids.
        {"categories below -1",
         [&](clipferry_char*) { return CLIPFERRY_GetCategories(h, -1, &calls, OnCategory, &count); }, 0, 82, u""},
        {"categories below INT32_MIN",
         [&](clipferry_char*) { return CLIPFERRY_GetCategories(h, INT32_MIN, &calls, OnCategory, &count); }, 0, 82,
         u""},
        {"upload, moderator -1", [&](clipferry_char* b) { return upload(h, media, u"T", -1, 1, b, 64); }, 64, 82, u""},
        {"upload, moderator INT32_MIN",
         [&](clipferry_char* b) { return upload(h, media, u"T", INT32_MIN, 1, b, 64); }, 64, 82, u""},
        {"upload, category INT32_MIN",
         [&](clipferry_char* b) { return upload(h, media, u"T", 0, INT32_MIN, b, 64); }, 64, 82, u""},
        // Sent whole: the service names the category it does not know.
        {"upload, moderator and category INT32_MAX",
         [&](clipferry_char* b) { return upload(h, media, u"T", INT32_MAX, INT32_MAX, b, 64); }, 64, 83,
         u"Unknown category 2147483647"},
        // Empty, over-long and broken text.
        {"login, empty", [&](clipferry_char*) { return CLIPFERRY_Login(f, u"", u""); }, 0, 83, u""},
        {"login, 100,000 units", [&](clipferry_char*) { return CLIPFERRY_Login(f, longText.c_str(), x); }, 0, 82,
         u""},
        {"login, lone surrogates",
         [&](clipferry_char*) { return CLIPFERRY_Login(f, loneSurrogates.c_str(), loneSurrogates.c_str()); }, 0, 83,
         u""},
        {"upload, empty path", [&](clipferry_char* b) { return upload(h, u"", u"T", 0, 1, b, 64); }, 64, 82, u""},
        {"upload, missing file", [&](clipferry_char* b) { return upload(h, missing, u"T", 0, 1, b, 64); }, 64, 82,
         u""},
        {"upload, 100,000-unit path", [&](clipferry_char* b) { return upload(h, longText, u"T", 0, 1, b, 64); }, 64,
         82, u""},
        {"upload, path with lone surrogates",
         [&](clipferry_char* b) { return upload(h, loneSurrogates, u"T", 0, 1, b, 64); }, 64, 82, u""},
        {"upload, a folder",
         [&](clipferry_char* b) { return upload(h, Wide(folder.path().string()), u"T", 0, 1, b, 64); }, 64, 82, u""},
        // Texts the service would echo into a verdict that is no longer XML.
        {"upload, control character in the title",
         [&](clipferry_char* b) { return upload(h, media, u"a\x01" u"b", 0, 1, b, 64); }, 64, 82, u""},
        {"upload, control character in the description",
         [&](clipferry_char* b) {
             return CLIPFERRY_DoUpload(h, media.c_str(), u"T", u"line\n\x1f", u"t", 0, 1, 0, 0, b, 64, nullptr, nullptr);
         },
         64, 82, u""},
        {"upload, control character in the tags",
         [&](clipferry_char* b) {
             return CLIPFERRY_DoUpload(h, media.c_str(), u"T", u"d", u"\x0b", 0, 1, 0, 0, b, 64, nullptr, nullptr);
         },
         64, 82, u""},
        {"upload, empty title", [&](clipferry_char* b) { return upload(h, media, u"", 0, 1, b, 64); }, 64, 83,
         u"A title is required"},
        {"upload, 100,000-unit title", [&](clipferry_char* b) { return upload(h, media, longText, 0, 1, b, 4); }, 4, 0,
         u"You"},
        {"upload, title with lone surrogates",
         [&](clipferry_char* b) { return upload(h, media, loneSurrogates, 0, 1, b, 4); }, 4, 0, u"You"},
        // Out-buffers of one unit and of exactly the text's length.
        {"file types, 1 unit", [&](clipferry_char* b) { return CLIPFERRY_GetFileTypes(h, b, 1); }, 1, 0, u""},
        {"file types, the text's length",
         [&](clipferry_char* b) { return CLIPFERRY_GetFileTypes(h, b, uint32_t(types.size())); },
         uint32_t(types.size()), 0, types.substr(0, types.size() - 1)},
        {"file types, one more", [&](clipferry_char* b) { return CLIPFERRY_GetFileTypes(h, b, uint32_t(types.size() + 1)); },
         uint32_t(types.size() + 1), 0, types},
        {"message, 1 unit", [&](clipferry_char* b) { return upload(h, media, u"T", 0, 1, b, 1); }, 1, 0, u""},
        {"message, the text's length",
         [&](clipferry_char* b) { return upload(h, media, u"T", 0, 1, b, uint32_t(accepted.size())); },
         uint32_t(accepted.size()), 0, accepted.substr(0, accepted.size() - 1)},
        {"message, none", [&](clipferry_char*) { return upload(h, media, u"T", 0, 1, nullptr, 64); }, 0, 0, u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ResetDevServer();
        GuardedBuffer buffer;
        EXPECT_EQ(c.call(buffer.data()), c.code);
        // An 82 sends nothing; for a file that is not a regular one, nothing
        // but the question for the upload server.
        if (c.code == CLIPFERRY_BAD_ARGUMENT)
            for (const auto& request : RecordedRequests()) EXPECT_EQ(request.path, "/upload.xml");
        EXPECT_TRUE(buffer.OnlyWithin(c.given)) << "a write outside the buffer";
        EXPECT_EQ(buffer.Text(), c.text);
    }
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(count, -7);
}

}  // namespace
}  // namespace clipferry::test
