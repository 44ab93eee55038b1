// Walking the category tree level by level, and showing it as text or as JSON.
#include "commands/category_tree.h"

#include "text/text.h"

#include <algorithm>
#include <set>

namespace clipferry::cli {

namespace {
constexpr size_t kDeepestLevel = 32;

struct Walker {
    const FetchChildren& fetch;
    size_t mostRequests;
    std::set<int32_t> asked;
    CategoryWalk walk;

    int32_t below(int32_t parent, size_t depth, std::vector<Category>& children) {
        asked.insert(parent);
        ++walk.requests;
        if (int32_t result = fetch(parent, children); result != 0) {
            return result;
        }
        for (Category& child : children) {
            if (asked.count(child.id) || depth >= kDeepestLevel) {
                continue;
            }
            if (walk.requests >= mostRequests) {
                walk.capped = true;
                return 0;
            }
            if (int32_t result = below(child.id, depth + 1, child.children); result != 0) {
                return result;
            }
        }
        return 0;
    }
};

void render(const std::vector<Category>& level, const std::string& indent, bool top, bool plain,
            std::string& out) {
    for (size_t i = 0; i < level.size(); ++i) {
        bool last = i + 1 == level.size();
        std::string branch = top || plain ? "" : (last ? "└── " : "├── ");
        out += indent + branch + std::to_string(level[i].id) + " " + visible(level[i].name) + "\n";
        std::string childIndent = plain ? indent + "  "
                                  : top ? ""
                                        : indent + (last ? "    " : "│   ");
        render(level[i].children, childIndent, false, plain, out);
    }
}
}  // namespace

int32_t fetchCategoryTree(int32_t parent, bool recursive, const FetchChildren& fetch,
                          std::vector<Category>& tree, CategoryWalk* walk, size_t mostRequests) {
    tree.clear();
    Walker walker{fetch, recursive ? mostRequests : 1, {}, {}};
    const int32_t result = walker.below(parent, recursive ? 1 : kDeepestLevel, tree);
    if (walk) *walk = walker.walk;
    return result;
}

std::string renderCategoryTree(const std::vector<Category>& tree, bool plain) {
    std::string out;
    render(tree, "", true, plain, out);
    return out;
}

nlohmann::ordered_json categoriesJson(const std::vector<Category>& tree, bool withChildren) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const Category& category : tree) {
        nlohmann::ordered_json item = {{"id", category.id}, {"name", category.name}};
        if (withChildren) item["children"] = categoriesJson(category.children, true);
        list.push_back(std::move(item));
    }
    return list;
}

}  // namespace clipferry::cli
