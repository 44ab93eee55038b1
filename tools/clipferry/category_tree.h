// Categories below a parent, fetched level by level and printed as a tree.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace clipferry::cli {

struct Category {
    int32_t id = 0;
    std::string name;
    std::vector<Category> children;
};

// Fills `children` with the categories directly below `parent`; returns the library's result.
using FetchChildren = std::function<int32_t(int32_t parent, std::vector<Category>& children)>;

// The categories below `parent`, and with `recursive` theirs too. A category
// that shows up again below itself is listed but not descended into, so a
// service that answers with a loop cannot keep the command going forever.
int32_t fetchCategoryTree(int32_t parent, bool recursive, const FetchChildren& fetch,
                          std::vector<Category>& tree);

// "1 Film" then "├── 11 Short Films" ... one line per category. Plain: two
// spaces of indentation per level instead of lines, for pipes and files.
std::string renderCategoryTree(const std::vector<Category>& tree, bool plain = false);

}  // namespace clipferry::cli
