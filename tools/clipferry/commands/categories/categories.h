// `clipferry categories [PARENT] [--recursive]`, and the walk of the
// category tree the upload's checks ask for too.
#pragma once

#include <CLI/CLI.hpp>

#include <cstdint>
#include <vector>

#include "app/context.h"
#include "service/service.h"

namespace clipferry::cli {

struct CategoriesOptions {
    int32_t parent = 0;      // list below this one; 0: the top
    bool recursive = false;  // every level below it
};
void addCategoriesOptions(CLI::App& categories, CategoriesOptions& options);
int categoriesCommand(Context& context, const CategoriesOptions& options);

// The categories below `parent` (all levels when `recursive`), each request
// retried; warns when the walk stopped at its cap, and says so in `inPart`.
int32_t fetchCategories(const Context& context, Service& service, int32_t parent, bool recursive,
                        std::vector<Category>& tree, bool* inPart = nullptr);

}  // namespace clipferry::cli
