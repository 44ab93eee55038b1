#include "category_tree.h"

#include "text.h"

#include <algorithm>

namespace clipferry::cli {

namespace {
constexpr size_t kDeepestLevel = 32;

int32_t fetchBelow(int32_t parent, const FetchChildren& fetch, std::vector<int32_t>& path,
                   std::vector<Category>& children) {
    if (int32_t result = fetch(parent, children); result != 0) {
        return result;
    }
    for (Category& child : children) {
        bool loops = std::find(path.begin(), path.end(), child.id) != path.end();
        if (loops || path.size() >= kDeepestLevel) {
            continue;
        }
        path.push_back(child.id);
        int32_t result = fetchBelow(child.id, fetch, path, child.children);
        path.pop_back();
        if (result != 0) {
            return result;
        }
    }
    return 0;
}

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
                          std::vector<Category>& tree) {
    tree.clear();
    if (!recursive) {
        return fetch(parent, tree);
    }
    std::vector<int32_t> path{parent};
    return fetchBelow(parent, fetch, path, tree);
}

std::string renderCategoryTree(const std::vector<Category>& tree, bool plain) {
    std::string out;
    render(tree, "", true, plain, out);
    return out;
}

}  // namespace clipferry::cli
