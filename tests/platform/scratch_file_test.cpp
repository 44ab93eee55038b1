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

struct NamingCase {
    const char* name;
    ScratchNaming naming;
    const char* tmpdirEnding;  // appended to the directory given as TMPDIR
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

        // Without a name, or named only until it is open: a process killed
        // while it holds the file leaves nothing behind.
        EXPECT_TRUE(Entries().empty());

        // Made again, the owner's earlier file is gone.
        ASSERT_TRUE(a.Create(u"LumividRes", u".xml", second.data(), second.size(), c.naming));
        EXPECT_EQ(ReadAll(Native(a.Path())), second);
        b.Remove();
        EXPECT_TRUE(b.Path().empty());

        // Made before its content is known, it holds exactly what fills it,
        // however much room was set aside.
        ASSERT_TRUE(b.Open(u"LumividRes", u".xml", c.naming));
        ASSERT_TRUE(b.Fill(first.data(), first.size()));
        EXPECT_EQ(ReadAll(Native(b.Path())), first);
        EXPECT_TRUE(Entries().empty());
    }
    EXPECT_TRUE(Entries().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, ScratchFileTest,
    ::testing::Values(NamingCase{"nameless", ScratchNaming::kNamelessWherePossible, ""},
                      NamingCase{"named", ScratchNaming::kAlwaysNamed, ""},
                      NamingCase{"named_below_trailing_separator", ScratchNaming::kAlwaysNamed, "/"}),
    [](const ::testing::TestParamInfo<NamingCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace clipferry::platform
