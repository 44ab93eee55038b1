#include "commands/category_tree.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace clipferry::cli {
namespace {

// A service's categories by parent, counting the questions asked.
struct FakeService {
    std::map<int32_t, std::vector<Category>> byParent;
    std::map<int32_t, int32_t> failures;  // parent -> result
    std::vector<int32_t> asked;

    FetchChildren fetcher() {
        return [this](int32_t parent, std::vector<Category>& children) {
            asked.push_back(parent);
            if (auto failure = failures.find(parent); failure != failures.end()) {
                return failure->second;
            }
            children = byParent[parent];
            return 0;
        };
    }
};

FakeService sample() {
    FakeService service;
    service.byParent[0] = {{1, "Film & Animation", {}}, {2, "Music", {}}, {3, "Travel", {}}};
    service.byParent[1] = {{11, "Short Films", {}}, {12, "Animation <2D/3D>", {}}};
    service.byParent[2] = {{21, "Live Concerts", {}}};
    service.byParent[11] = {{111, "Festival Cuts", {}}};
    return service;
}

TEST(CategoryTree, RecursiveListingDrawsEveryLevel) {
    FakeService service = sample();
    std::vector<Category> tree;
    ASSERT_EQ(fetchCategoryTree(0, true, service.fetcher(), tree), 0);
    EXPECT_EQ(renderCategoryTree(tree),
              "1 Film & Animation\n"
              "├── 11 Short Films\n"
              "│   └── 111 Festival Cuts\n"
              "└── 12 Animation <2D/3D>\n"
              "2 Music\n"
              "└── 21 Live Concerts\n"
              "3 Travel\n");
    EXPECT_EQ(renderCategoryTree(tree, true),
              "1 Film & Animation\n"
              "  11 Short Films\n"
              "    111 Festival Cuts\n"
              "  12 Animation <2D/3D>\n"
              "2 Music\n"
              "  21 Live Concerts\n"
              "3 Travel\n");
}

TEST(CategoryTree, OneLevelAsksOnce) {
    FakeService service = sample();
    std::vector<Category> tree;
    ASSERT_EQ(fetchCategoryTree(1, false, service.fetcher(), tree), 0);
    EXPECT_EQ(service.asked, std::vector<int32_t>{1});
    EXPECT_EQ(renderCategoryTree(tree), "11 Short Films\n12 Animation <2D/3D>\n");
}

TEST(CategoryTree, ALoopInTheAnswersEnds) {
    FakeService service;
    service.byParent[0] = {{1, "A", {}}};
    service.byParent[1] = {{2, "B", {}}, {0, "Top again", {}}};
    service.byParent[2] = {{1, "A again", {}}, {2, "B itself", {}}};
    std::vector<Category> tree;
    ASSERT_EQ(fetchCategoryTree(0, true, service.fetcher(), tree), 0);
    EXPECT_EQ(service.asked, (std::vector<int32_t>{0, 1, 2}));
    EXPECT_EQ(renderCategoryTree(tree),
              "1 A\n"
              "├── 2 B\n"
              "│   ├── 1 A again\n"
              "│   └── 2 B itself\n"
              "└── 0 Top again\n");
}

TEST(CategoryTree, AnEndlessDepthIsCutOff) {
    std::vector<Category> tree;
    int asked = 0;
    FetchChildren deeper = [&](int32_t parent, std::vector<Category>& children) {
        ++asked;
        children = {{parent + 1, "deeper", {}}};
        return 0;
    };
    ASSERT_EQ(fetchCategoryTree(0, true, deeper, tree), 0);
    EXPECT_LE(asked, 40);
}

TEST(CategoryTree, AFailureBelowStopsWithItsResult) {
    FakeService service = sample();
    service.failures[2] = 28;
    std::vector<Category> tree;
    EXPECT_EQ(fetchCategoryTree(0, true, service.fetcher(), tree), 28);
    EXPECT_EQ(service.asked, (std::vector<int32_t>{0, 1, 11, 111, 12, 2}));
}


std::set<int32_t> flattenIds(const std::vector<Category>& level) {
    std::set<int32_t> ids;
    for (const Category& category : level) {
        ids.insert(category.id);
        for (int32_t id : flattenIds(category.children)) ids.insert(id);
    }
    return ids;
}

// Categories in levels of two, each listed under both of the level above it.
FakeService lattice(int categories) {
    FakeService service;
    for (int level = 0; level * 2 < categories; ++level) {
        const int32_t first = (level + 1) * 10 + 1;
        const std::vector<Category> pair = {{first, "a", {}}, {first + 1, "b", {}}};
        if (level == 0) service.byParent[0] = pair;
        else for (int32_t parent : {level * 10 + 1, level * 10 + 2}) service.byParent[parent] = pair;
    }
    return service;
}

TEST(CategoryTree, EachParentIsAskedOnceAndTheWalkIsCapped) {
    struct Row {
        const char* name;
        int categories;
        size_t cap;
        size_t requests;
        bool capped;
    };
    const Row rows[] = {
        {"12 under shared parents", 12, kMostCategoryRequests, 13, false},
        {"16 under shared parents", 16, kMostCategoryRequests, 17, false},
        {"20 under shared parents", 20, kMostCategoryRequests, 21, false},
        {"the cap reached", 20, 8, 8, true},
        {"the cap just enough", 12, 13, 13, false},
    };
    for (const Row& row : rows) {
        FakeService service = lattice(row.categories);
        std::vector<Category> tree;
        CategoryWalk walk;
        ASSERT_EQ(fetchCategoryTree(0, true, service.fetcher(), tree, &walk, row.cap), 0) << row.name;
        EXPECT_EQ(service.asked.size(), row.requests) << row.name;
        EXPECT_EQ(walk.requests, row.requests) << row.name;
        EXPECT_EQ(walk.capped, row.capped) << row.name;
        std::set<int32_t> unique(service.asked.begin(), service.asked.end());
        EXPECT_EQ(unique.size(), service.asked.size()) << row.name;
        if (!row.capped) EXPECT_EQ(flattenIds(tree).size(), static_cast<size_t>(row.categories)) << row.name;
    }
}
}  // namespace
}  // namespace clipferry::cli
