// The help text wrapped to the terminal's width.
#include "commands/help_command.h"

#include <gtest/gtest.h>

#include <string>

namespace clipferry::cli {
namespace {

TEST(HelpWrap, LinesBreakBetweenWordsUnderTheirDescription) {
    const std::string option = "  --title TEXT    Title of the video (default: the file's name)\n";
    struct Row {
        const char* name;
        std::string text;
        int width;
        std::string wrapped;
    };
    const Row rows[] = {
        {"not a terminal", option, 0, option},
        {"wide enough", option, 80, option},
        {"under the description", option, 45,
         "  --title TEXT    Title of the video\n"
         "                  (default: the file's name)\n"},
        {"too narrow beside the name", option, 33,
         "  --title TEXT\n"
         "      Title of the video\n"
         "      (default: the file's name)\n"},
        {"plain text under its indentation", "  one two three four five six\n", 22,
         "  one two three four\n  five six\n"},
        {"a word longer than the line stays whole", "x abcdefghijklmnopqrstuvwxyz\n", 21,
         "x\nabcdefghijklmnopqrstuvwxyz\n"},
        {"a long word starts left of the column", "  -p  a /very/long/path/name\n", 21,
         "  -p\n      a\n/very/long/path/name\n"},
    };
    for (const Row& row : rows) EXPECT_EQ(wrapHelp(row.text, row.width), row.wrapped) << row.name;
}

}  // namespace
}  // namespace clipferry::cli
