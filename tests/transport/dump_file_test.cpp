#include "transport/dump_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/text.h"
#include "test_environment.h"

namespace clipferry {
namespace {

namespace fs = std::filesystem;
using clipferry::test::ScopedEnvironment;

class DumpFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("clipferry-dump-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::u16string PathOf(const char* name) const { return platform::Utf8ToUtf16((dir_ / name).string()); }
    static std::string Read(const std::u16string& path) {
        std::ifstream in(platform::Utf16ToUtf8(path), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    fs::path dir_;
};

TEST_F(DumpFileTest, PathsUseTheTemporaryDirectory) {
    ScopedEnvironment tmp("TMPDIR", dir_.string());
    const std::string base = dir_.string() + "/";
    const std::pair<DumpFile, const char*> cases[] = {
        {DumpFile::Login, "Clipferry_Login.xml"},
        {DumpFile::FileTypes, "Clipferry_FileTypes.xml"},
        {DumpFile::GetCategories, "Clipferry_GetCategories.xml"},
        {DumpFile::GetModerators, "Clipferry_GetModerators.xml"},
        {DumpFile::Upload, "Clipferry_Upload.xml"},
        {DumpFile::Discovery, "Clipferry_GetServer.xml"},
    };
    for (const auto& [file, name] : cases) {
        EXPECT_EQ(platform::Utf16ToUtf8(DumpFilePath(file)), base + name);
    }
}

TEST_F(DumpFileTest, NewDumpReplacesTheOldOwnerOnly) {
    const std::u16string path = PathOf("Clipferry_Login.xml");
    const std::string first = "<a>a longer first answer</a>";
    const std::string second = "<b/>tail not counted";
    WriteDumpFile(path.c_str(), first.data(), first.size());
    fs::permissions(platform::Utf16ToUtf8(path), fs::perms::all);  // the old one was widened
    WriteDumpFile(path.c_str(), second.data(), 4);

    EXPECT_EQ(Read(path), "<b/>");
    const fs::perms perms = fs::status(platform::Utf16ToUtf8(path)).permissions();
    EXPECT_EQ(perms, fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(DumpFileTest, NothingToWriteLeavesTheOldDump) {
    const std::u16string path = PathOf("keep.xml");
    WriteDumpFile(path.c_str(), "old", 3);
    WriteDumpFile(path.c_str(), nullptr, 3);
    WriteDumpFile(path.c_str(), "new", 0);
    WriteDumpFile(nullptr, "new", 3);
    EXPECT_EQ(Read(path), "old");
}

TEST_F(DumpFileTest, UnwritablePlaceIsIgnored) {
    const std::u16string path = PathOf("missing-dir/dump.xml");
    WriteDumpFile(path.c_str(), "x", 1);
    EXPECT_FALSE(fs::exists(platform::Utf16ToUtf8(path)));
}

}  // namespace
}  // namespace clipferry
