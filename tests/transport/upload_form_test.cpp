// The pieces of an upload that need no transfer: the media file's name, the
// upload URL and the form's parts.
#include <gtest/gtest.h>

#include <string>

#include "transport/media_file_name.h"
#include "transport/service_urls.h"
#include "transport/upload_form.h"
#include "transport/upload_url.h"

namespace clipferry {
namespace {

TEST(MediaFileNameTest, TakesTheFinalComponent) {
    const struct {
        const char* path;
        const char* name;
    } cases[] = {
        {"/home/user/clip.final.mp4", "clip.final.mp4"},
        {"C:\\Videos\\holiday.avi", "holiday.avi"},
        {"C:holiday.avi", "holiday.avi"},
        {"dir\\sub/mixed\\last.mov", "last.mov"},
        {"/videos/no_extension", "no_extension"},
        {"relative.mkv", "relative.mkv"},
        {"/videos/.hidden", ".hidden"},
        {"/videos/trailing.", "trailing."},
        {"/videos.d/plain", "plain"},
        {"/videos/", ""},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(MediaFileName(c.path), c.name) << c.path;
}

TEST(MediaFileNameTest, LongNamesAreCutNeverOverflow) {
    const std::string longName(300, 'n');
    const std::string longExtension = "." + std::string(300, 'e');
    const struct {
        std::string component;
        std::string expected;
    } cases[] = {
        // Each part alone keeps its first 255 bytes.
        {longName + ".mp4", std::string(255, 'n') + ".mp4"},
        {longName, std::string(255, 'n')},
        {"clip" + longExtension, "clip" + longExtension.substr(0, 255)},
        // Together they fit 259 bytes: the name part gives way to the extension.
        {longName + longExtension, std::string(4, 'n') + longExtension.substr(0, 255)},
        {std::string(200, 'n') + "." + std::string(100, 'e'), std::string(158, 'n') + "." + std::string(100, 'e')},
        {std::string(255, 'n') + ".mp4", std::string(255, 'n') + ".mp4"},
    };
    for (const auto& c : cases) {
        const std::string name = MediaFileName("/videos/" + c.component);
        EXPECT_LE(name.size(), kMediaFileNameMax);
        EXPECT_EQ(name, c.expected) << c.component.size();
    }
}

TEST(MediaFileNameTest, CutsKeepWholeCharacters) {
    // 254 ASCII bytes, then a two-byte character straddling the 255-byte cut.
    const std::string name = std::string(254, 'a') + "\xC3\xA9" + "tail";
    EXPECT_EQ(MediaFileName("/v/" + name + ".mp4"), std::string(254, 'a') + ".mp4");
    EXPECT_EQ(MediaFileName("/v/\xC3\xA9t\xC3\xA9.mp4"), "\xC3\xA9t\xC3\xA9.mp4");
}

TEST(UploadUrlTest, DiscoveredServerOrDefaultHost) {
    EXPECT_EQ(UploadUrl(""), std::string(UploadHostUrl) + "/upload");
    EXPECT_EQ(UploadUrl(nullptr), std::string(UploadHostUrl) + "/upload");
    EXPECT_EQ(UploadUrl("http://up.example"), "http://up.example/upload");
    EXPECT_EQ(UploadUrl("http://up.example/"), "http://up.example/upload");
    EXPECT_EQ(UploadUrl("http://up.example/in/"), "http://up.example/in/upload");
    EXPECT_EQ(UploadUrl("http://up.example//"), "http://up.example//upload");
}

TEST(UploadFormTest, ThirteenPartsInOrder) {
    const UploadFormValues fields{"KEY", "T\xC3\xADtulo", "<d>", "a, b & c", 0, 7, -5, 2147483647};
    const auto parts = DescribeUploadForm(fields, "clip.mp4");
    const struct {
        const char* name;
        const char* value;
        bool isFile;
    } expected[] = {
        {"Filename", "clip.mp4", false},   {"tags", "a, b & c", false},       {"terms", "1", false},
        {"authkey", "KEY", false},         {"title", "T\xC3\xADtulo", false}, {"contest", "0", false},
        {"description", "<d>", false},     {"category1", "7", false},         {"category2", "-5", false},
        {"category3", "2147483647", false}, {"moderator", "0", false},        {"userfile", "clip.mp4", true},
        {"Upload", "Submit Query", false},
    };
    ASSERT_EQ(parts.size(), std::size(expected));
    for (size_t i = 0; i < parts.size(); ++i) {
        EXPECT_STREQ(parts[i].name, expected[i].name) << i;
        EXPECT_EQ(parts[i].value, expected[i].value) << i;
        EXPECT_EQ(parts[i].isFile, expected[i].isFile) << i;
    }
}

}  // namespace
}  // namespace clipferry
