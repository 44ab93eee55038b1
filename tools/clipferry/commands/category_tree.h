// Categories below a parent, fetched level by level and printed as a tree.
#pragma once

#include <cstdint>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "service/service.h"

namespace clipferry::cli {

// Fills `children` with the categories directly below `parent`; returns the library's result.
using FetchChildren = std::function<int32_t(int32_t parent, std::vector<Category>& children)>;

// The most questions one walk asks: a tree this large is more than any
// service lists, and each question is a round trip.
inline constexpr size_t kMostCategoryRequests = 500;

// How a walk went: the questions it asked, and whether it stopped at the cap
// before it had seen the whole tree.
struct CategoryWalk {
    size_t requests = 0;
    bool capped = false;
};

// The categories below `parent`, and with `recursive` theirs too. Each
// parent is asked about once: a category that shows up again (below a second
// parent, or below itself in a loop) is listed but not descended into, so
// the questions grow with the number of categories, never with the paths to
// them. After `mostRequests` questions the walk stops (walk->capped).
int32_t fetchCategoryTree(int32_t parent, bool recursive, const FetchChildren& fetch,
                          std::vector<Category>& tree, CategoryWalk* walk = nullptr,
                          size_t mostRequests = kMostCategoryRequests);

// "1 Film" then "├── 11 Short Films" ... one line per category. Plain: two
// spaces of indentation per level instead of lines, for pipes and files.
std::string renderCategoryTree(const std::vector<Category>& tree, bool plain = false);

// [{"id", "name"}...], each with "children" when the tree was fetched below the top level.
nlohmann::ordered_json categoriesJson(const std::vector<Category>& tree, bool withChildren);

}  // namespace clipferry::cli
