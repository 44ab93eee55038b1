#include "commands/upload/metadata.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <unistd.h>

namespace clipferry::cli {
namespace {

namespace fs = std::filesystem;

std::string describe(const UploadFields& f) {
    std::string text;
    if (f.title) text += " title=" + *f.title;
    if (f.description) text += " description=" + *f.description;
    if (f.tags) text += " tags=" + *f.tags;
    if (f.categories) {
        text += " categories=";
        for (int32_t id : *f.categories) text += std::to_string(id) + ",";
    }
    if (f.moderator) text += " moderator=" + std::to_string(*f.moderator);
    return text;
}

std::string describe(const Metadata& m) {
    std::string text = m.forEveryFile ? "every:" : "";
    for (const MetadataEntry& e : m.entries) text += "[" + e.file.value_or("") + describe(e.fields) + "]";
    return text;
}

struct ShapeCase {
    const char* name;
    const char* json;
    std::string expected;  // describe(), or the error message
};

class MetadataShapeTest : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(MetadataShapeTest, ReadsOrNamesTheEntryAndField) {
    const ShapeCase& c = GetParam();
    try {
        EXPECT_EQ(describe(parseMetadata(c.json, "m.json")), c.expected);
    } catch (const MetadataError& e) {
        EXPECT_EQ(e.what(), c.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, MetadataShapeTest,
    ::testing::Values(
        ShapeCase{"object_for_every_file",
                  R"({"title": "T", "description": "D", "tags": " a  b ", "categories": [1, 11], "moderator": 7})",
                  "every:[ title=T description=D tags=a b categories=1,11, moderator=7]"},
        ShapeCase{"object_naming_a_file", R"({"file": "a.mp4", "tags": ["x", "y"]})", "[a.mp4 tags=x y]"},
        ShapeCase{"list", R"([{"file": "a.mp4", "title": "A"}, {"file": "b.mp4", "categories": []}])",
                  "[a.mp4 title=A][b.mp4 categories=]"},
        ShapeCase{"not_json", "{\"title\": }", "m.json: not valid JSON: parse error at line 1, column 11: "
                  "syntax error while parsing value - unexpected '}'; expected '[', '{', or a literal"},
        ShapeCase{"neither_object_nor_list", "3", "m.json: expected an object or an array of objects, found number"},
        ShapeCase{"unknown_field", R"([{"file": "a.mp4"}, {"file": "b.mp4", "titel": "B"}])",
                  "m.json: entry 2 (\"b.mp4\"): \"titel\": unknown field (known: file, title, description, "
                  "tags, categories, moderator)"},
        ShapeCase{"title_number", R"({"title": 5})", "m.json: title: expected a string, found number"},
        ShapeCase{"field_twice", R"([{"file": "a.mp4"}, {"file": "b.mp4", "title": "1", "title": "2"}])",
                  "m.json: entry 2: title: given more than once"},
        ShapeCase{"four_categories", R"({"categories": [1, 2, 3, 4]})", "m.json: categories: at most 3 ids, found 4"},
        ShapeCase{"category_fraction", R"({"categories": [1, 2.5]})",
                  "m.json: categories[1]: expected an id (a whole number), found number"},
        ShapeCase{"moderator_negative", R"({"moderator": -3})",
                  "m.json: moderator: expected an id from 0 to 2147483647, found -3"},
        ShapeCase{"tag_with_blank", R"({"tags": ["ok", "two words"]})",
                  "m.json: tags[1]: a tag is one word, not \"two words\""},
        ShapeCase{"entry_without_file", R"([{"file": "a.mp4"}, {"title": "B"}])",
                  "m.json: entry 2: file: missing; each entry of a list names its file"},
        ShapeCase{"entry_not_object", R"([{"file": "a.mp4"}, "b.mp4"])", "m.json: entry 2: expected an object, found string"},
        ShapeCase{"same_file_twice", R"([{"file": "a.mp4"}, {"file": "./a.mp4"}])",
                  "m.json: entry 2 (\"./a.mp4\"): file: another entry already names this file"}),
    [](const ::testing::TestParamInfo<ShapeCase>& info) { return std::string(info.param.name); });

class MetadataFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("clipferry-meta-" + std::to_string(::getpid()));
        fs::create_directories(dir_ / "meta");
        fs::create_directories(dir_ / "clips");
        fs::create_directories(dir_ / "other");
        for (const char* file : {"clips/a.mp4", "clips/b.mp4", "meta/c.mp4", "other/b.mp4"}) {
            std::ofstream(dir_ / file) << "x";
        }
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

TEST_F(MetadataFilesTest, EachFileFindsItsEntry) {
    const std::string clips = (dir_ / "clips").string();
    Metadata meta = parseMetadata(R"([{"file": ")" + clips + R"(/a.mp4", "title": "by path"},
        {"file": "c.mp4", "title": "beside the meta file"}, {"file": "w/c.mp4", "title": "another c"},
        {"file": "x/b.mp4", "title": "by name, first"}, {"file": "y/b.mp4", "title": "by name, second"},
        {"file": "z/d.mp4", "title": "by name alone"}])",
                                  dir_ / "meta" / "m.json");
    const std::pair<std::string, std::string> cases[] = {
        {clips + "/a.mp4", "by path"},
        {clips + "/../clips/a.mp4", "by path"},  // the same file, written otherwise
        {(dir_ / "meta/c.mp4").string(), "beside the meta file"},
        {"/nowhere/d.mp4", "by name alone"},
        {clips + "/e.mp4", "none"},
        {clips + "/b.mp4", "error"},  // two entries are called b.mp4
    };
    for (const auto& [file, expected] : cases) {
        std::string found;
        try {
            const UploadFields* fields = findMetadata(meta, file);
            found = fields ? *fields->title : "none";
        } catch (const MetadataError&) {
            found = "error";
        }
        EXPECT_EQ(found, expected) << file;
    }
    EXPECT_EQ(findMetadata(parseMetadata(R"({"title": "all"})", "m.json"), "any.mp4")->title, "all");
}

TEST(Metadata, MergeTakesTheFirstSourceThatHasAField) {
    const UploadFields none;
    UploadFields commandLine, meta, config;
    commandLine.title = "cli title";
    meta.title = "meta title";
    meta.tags = "meta tags";
    meta.categories = std::vector<int32_t>{5};
    config.categories = std::vector<int32_t>{1, 2, 3};
    config.moderator = 9;
    config.description = "config description";

    UploadJob job = mergeUpload("dir/clip.final.mp4", commandLine, &meta, config);
    EXPECT_EQ(job.file, "dir/clip.final.mp4");
    const VideoFields& u = job.fields;  // follows job when it is assigned again
    EXPECT_EQ(u.title, "cli title");
    EXPECT_EQ(u.description, "config description");
    EXPECT_EQ(u.tags, "meta tags");
    EXPECT_EQ(std::vector<int32_t>({u.category, u.category2, u.category3}), std::vector<int32_t>({5, 0, 0}));
    EXPECT_EQ(u.moderator, 9);

    job = mergeUpload("dir/clip.final.mp4", none, nullptr, none);
    EXPECT_EQ(u.title, "clip.final");
    EXPECT_EQ(std::vector<int32_t>({u.category, u.category2, u.category3, u.moderator}), std::vector<int32_t>(4, 0));
}

TEST(Metadata, DescriptionFile) {
    const std::string limit(10, 'x');
    const std::pair<std::string, std::string> cases[] = {
        {"caf\xC3\xA9\r\n", "caf\xC3\xA9"},
        {"\xEF\xBB\xBFone\ntwo\n\n", "one\ntwo"},
        {limit + "\n", limit},
        {limit + "y", "error: longer than 10 bytes"},
        {std::string(100000, 'x'), "error: longer than 10 bytes"},
        {"caf\xE9", "error: not UTF-8"},
    };
    for (const auto& [input, expected] : cases) {
        std::istringstream in(input);
        std::string got;
        try {
            got = readDescriptionFile("-", in, 10);
        } catch (const MetadataError& e) {
            const std::string what = e.what();
            got = what.find("longer than 10 bytes") != std::string::npos ? "error: longer than 10 bytes"
                  : what.find("not UTF-8") != std::string::npos          ? "error: not UTF-8"
                                                                          : what;
        }
        EXPECT_EQ(got, expected) << input.substr(0, 20);
    }
    std::istringstream unused;
    EXPECT_THROW(readDescriptionFile("/nonexistent/description.txt", unused), MetadataError);
}

// Every source of tags is made words (the rule itself: tests/common/rules).
TEST(Metadata, TagsWrittenWithCommasBecomeWords) {
    UploadFields commandLine;
    commandLine.tags = "harbour, dusk";
    EXPECT_EQ(mergeUpload("a.mp4", commandLine, nullptr, {}).fields.tags, "harbour dusk");
}

}  // namespace
}  // namespace clipferry::cli
