// Scratch files: the bytes exactly, readable by the user alone, never shared
// between two owners, and nothing left in the temporary directory afterwards.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/text.h"
#include "scoped_environment.h"

namespace clipferry::platform {
namespace {

namespace fs = std::filesystem;

std::string Native(const std::u16string& path) { return Utf16ToUtf8(path); }

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Whether files without a name can be made there (not on every file system).
bool NamelessPossible(const fs::path& dir) {
    const int fd = open(dir.c_str(), O_TMPFILE | O_RDWR, 0600);
    if (fd >= 0) close(fd);
    return fd >= 0;
}

struct NamingCase {
    const char* name;
    ScratchNaming naming;
    const char* tmpdirEnding;  // appended to the directory given as TMPDIR
    bool named;
};

class ScratchFileTest : public ::testing::TestWithParam<NamingCase> {
protected:
    ScratchFileTest() {
        std::string pattern = (fs::temp_directory_path() / "clipferry-scratch-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
        dir_ = pattern;
        tmpdir_.emplace("TMPDIR", dir_.string() + GetParam().tmpdirEnding);
    }
    ~ScratchFileTest() override {
        tmpdir_.reset();
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    std::vector<fs::path> Entries() const {
        return {fs::directory_iterator(dir_), fs::directory_iterator()};
    }

    fs::path dir_;
    std::optional<test::ScopedEnvironment> tmpdir_;
};

TEST_P(ScratchFileTest, HoldsTheBytesPrivatelyUntilRemoved) {
    const NamingCase& c = GetParam();
    const bool named = c.named || !NamelessPossible(dir_);
    const std::string first = "<r>caf\xC3\xA9</r>";
    const std::string second("\xFF\xFE<\0r\0/\0>\0", 10);
    {
        ScratchFile a;
        ScratchFile b;
        ASSERT_TRUE(a.Create(u"LumividRes", u".xml", first.data(), first.size(), c.naming));
        ASSERT_TRUE(b.Create(u"LumividRes", u".xml", second.data(), second.size(), c.naming));
        EXPECT_NE(a.Path(), b.Path());
        EXPECT_EQ(ReadAll(Native(a.Path())), first);
        EXPECT_EQ(ReadAll(Native(b.Path())), second);
        struct stat info;
        ASSERT_EQ(stat(Native(a.Path()).c_str(), &info), 0);
        EXPECT_TRUE(S_ISREG(info.st_mode));
        EXPECT_EQ(info.st_mode & 0777, 0600u);

        const std::vector<fs::path> entries = Entries();
        if (named) {
            ASSERT_EQ(entries.size(), 2u);
            const fs::path held(Native(a.Path()));
            EXPECT_EQ(held.parent_path(), dir_) << "one separator between directory and name";
            EXPECT_EQ(held.filename().string().rfind("LumividRes-", 0), 0u) << held;
            EXPECT_EQ(held.extension(), ".xml");
        } else {
            EXPECT_TRUE(entries.empty()) << "a file without a name leaves no entry, even if killed";
        }

        // Made again, the owner's earlier file is gone.
        ASSERT_TRUE(a.Create(u"LumividRes", u".xml", second.data(), second.size(), c.naming));
        EXPECT_EQ(ReadAll(Native(a.Path())), second);
        EXPECT_EQ(Entries().size(), named ? 2u : 0u);
        b.Remove();
        EXPECT_TRUE(b.Path().empty());
        EXPECT_EQ(Entries().size(), named ? 1u : 0u);
    }
    EXPECT_TRUE(Entries().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, ScratchFileTest,
    ::testing::Values(NamingCase{"nameless", ScratchNaming::kNamelessWherePossible, "", false},
                      NamingCase{"named", ScratchNaming::kAlwaysNamed, "", true},
                      NamingCase{"named_below_trailing_separator", ScratchNaming::kAlwaysNamed, "/", true}),
    [](const ::testing::TestParamInfo<NamingCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace clipferry::platform
