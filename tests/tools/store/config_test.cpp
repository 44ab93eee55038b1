#include "store/config.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <unistd.h>

namespace clipferry::cli {
namespace {

namespace fs = std::filesystem;
using Env = std::map<std::string, std::string>;

EnvLookup lookupIn(const Env& env) {
    return [env](const std::string& name) -> std::optional<std::string> {
        auto found = env.find(name);
        if (found == env.end()) return std::nullopt;
        return found->second;
    };
}

// "value<origin>" per setting, the file's path written as FILE.
std::string summary(const Settings& s) {
    auto origin = [](const Origin& o) { return o.kind == Origin::File ? std::string("FILE") : o.name; };
    std::string ids;
    for (int32_t id : s.categories.value) ids += (ids.empty() ? "" : ",") + std::to_string(id);
    return "user=" + s.user.value + "<" + origin(s.user.origin) + "> proxy=" + s.proxy.value + "<" +
           origin(s.proxy.origin) + "> retry=" + std::to_string(s.retry.value) + "<" +
           origin(s.retry.origin) + "> categories=" + ids + "<" + origin(s.categories.origin) +
           "> moderator=" + std::to_string(s.moderator.value) + "<" + origin(s.moderator.origin) + ">";
}

struct ResolutionCase {
    const char* name;
    std::optional<std::string> file;  // empty: no file
    Env env;
    CommandLineSettings commandLine;
    std::string expected;  // summary(), or the start of the error
};

constexpr const char* kFullFile =
    "# mine\nuser = \"filer\"\nproxy = \"file:3128\"\nretry = 2\ncategories = [1, 11]\nmoderator = 7\n";

class ConfigResolutionTest : public ::testing::TestWithParam<ResolutionCase> {};

TEST_P(ConfigResolutionTest, FollowsThePrecedence) {
    const ResolutionCase& c = GetParam();
    const fs::path path = "/home/dana/.config/clipferry/config.toml";
    try {
        ConfigFile file;
        file.path = path;
        if (c.file) file = parseConfigText(*c.file, path);
        EXPECT_EQ(summary(resolveSettings(file, lookupIn(c.env), c.commandLine)), c.expected);
    } catch (const ConfigError& e) {
        EXPECT_EQ(std::string(e.what()).substr(0, c.expected.size()), c.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ConfigResolutionTest,
    ::testing::Values(
        ResolutionCase{"no_file", std::nullopt, {}, {},
                       "user=<default> proxy=<default> retry=0<default> categories=<default> moderator=0<default>"},
        ResolutionCase{"file", kFullFile, {}, {},
                       "user=filer<FILE> proxy=file:3128<FILE> retry=2<FILE> categories=1,11<FILE> moderator=7<FILE>"},
        ResolutionCase{"environment_over_file", kFullFile,
                       {{"CLIPFERRY_USER", "envy"}, {"CLIPFERRY_PROXY_SERVER", "env:1"}}, {},
                       "user=envy<CLIPFERRY_USER> proxy=env:1<CLIPFERRY_PROXY_SERVER> retry=2<FILE> "
                       "categories=1,11<FILE> moderator=7<FILE>"},
        ResolutionCase{"empty_variable_is_unset", kFullFile, {{"CLIPFERRY_USER", ""}}, {},
                       "user=filer<FILE> proxy=file:3128<FILE> retry=2<FILE> categories=1,11<FILE> moderator=7<FILE>"},
        ResolutionCase{"command_line_over_all", kFullFile, {{"CLIPFERRY_USER", "envy"}},
                       {"cli", "cli:8", 0},
                       "user=cli<--user> proxy=cli:8<--proxy> retry=0<--retry> categories=1,11<FILE> "
                       "moderator=7<FILE>"},
        // Wrong files: the path, the line and the key.
        ResolutionCase{"syntax", std::string("user = \"a\"\nproxy = \n"), {}, {},
                       "/home/dana/.config/clipferry/config.toml:2:"},
        ResolutionCase{"retry_text", std::string("\nretry = \"3\"\n"), {}, {},
                       "/home/dana/.config/clipferry/config.toml:2: retry: expected an integer from 0 to 100, found string"},
        ResolutionCase{"retry_too_many", std::string("retry = 101\n"), {}, {},
                       "/home/dana/.config/clipferry/config.toml:1: retry: expected an integer from 0 to 100, found 101"},
        ResolutionCase{"four_categories", std::string("categories = [1, 2, 3, 4]\n"), {}, {},
                       "/home/dana/.config/clipferry/config.toml:1: categories: at most 3 ids"},
        ResolutionCase{"category_text", std::string("categories = [1,\n  \"x\"]\n"), {}, {},
                       "/home/dana/.config/clipferry/config.toml:2: categories[1]: expected an integer"},
        ResolutionCase{"moderator_negative", std::string("moderator = -1\n"), {}, {},
                       "/home/dana/.config/clipferry/config.toml:1: moderator: expected an integer from 0"},
        ResolutionCase{"user_number", std::string("user = 5\n"), {}, {},
                       "/home/dana/.config/clipferry/config.toml:1: user: expected a string, found integer"},
        ResolutionCase{"terms_not_table", std::string("[terms]\n\"dana smith\" = 1\n"), {}, {},
                       "/home/dana/.config/clipferry/config.toml:2: terms.\"dana smith\": expected a table"}),
    [](const ::testing::TestParamInfo<ResolutionCase>& info) { return std::string(info.param.name); });

TEST(Config, UnknownKeysWarnAndTheRestIsRead) {
    // Settings added after the table a 1.0 command appended belong to that table.
    ConfigFile file = parseConfigText("user = \"a\"\ncolour = \"red\"\n[terms.a]\naccepted = 2024-01-02T03:04:05Z\nby = 1\nretry = 2\ncategories = [1]\n", "c.toml");
    EXPECT_EQ(file.user, "a");
    EXPECT_TRUE(hasAcceptedTerms(file, "a"));
    EXPECT_EQ(file.retry, std::nullopt);
    EXPECT_EQ(file.categories, std::nullopt);
    ASSERT_EQ(file.warnings.size(), 4u);  // each table's keys in name order
    EXPECT_EQ(file.warnings[0].substr(0, 30), "c.toml:2: unknown key \"colour\"");
    EXPECT_EQ(file.warnings[1], "c.toml:5: unknown key \"terms.a.by\"");
    EXPECT_EQ(file.warnings[3], "c.toml:6: retry is inside the table [terms.a] (line 3), so it is "
                                "ignored: move it above that line");
    EXPECT_EQ(file.warnings[2].substr(0, 52), "c.toml:7: categories is inside the table [terms.a] (");
}

TEST(Config, PathAndRendering) {
    EXPECT_EQ(configFilePath(lookupIn({{"XDG_CONFIG_HOME", "/x"}, {"HOME", "/h"}})), fs::path("/x/clipferry/config.toml"));
    EXPECT_EQ(configFilePath(lookupIn({{"XDG_CONFIG_HOME", "rel"}, {"HOME", "/h"}})), fs::path("/h/.config/clipferry/config.toml"));
    EXPECT_EQ(configFilePath(lookupIn({})), std::nullopt);

    ConfigFile file = parseConfigText("retry = 3\n", "/h/c.toml");
    Settings settings = resolveSettings(file, lookupIn({{"CLIPFERRY_USER", "dana"}, {"CLIPFERRY_PASSWORD", "hunter2"}}), {});
    const std::string text = renderSettings(settings, "from CLIPFERRY_PASSWORD");
    EXPECT_EQ(text,
              "config file /h/c.toml\n"
              "user        dana    from CLIPFERRY_USER\n"
              "proxy       (none)  default\n"
              "retry       3       from /h/c.toml\n"
              "categories  (none)  default\n"
              "moderator   (none)  default\n"
              "password    from CLIPFERRY_PASSWORD\n");
}

}  // namespace
}  // namespace clipferry::cli
