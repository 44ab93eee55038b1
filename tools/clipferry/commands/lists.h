// The service's lists as commands: file-types, categories, moderators.
#pragma once

#include <CLI/CLI.hpp>

#include <cstdint>
#include <vector>

#include "app/context.h"
#include "service/service.h"

namespace clipferry::cli {

int fileTypesCommand(Context& context);
// categories' own options: PARENT and --recursive.
void addCategoriesOptions(CLI::App& categories, Options& options);
int categoriesCommand(Context& context);
int moderatorsCommand(Context& context);

// The categories below `parent` (all levels when `recursive`), each request
// retried; warns when the walk stopped at its cap, and says so in `inPart`.
int32_t fetchCategories(const Context& context, Service& service, int32_t parent, bool recursive,
                        std::vector<Category>& tree, bool* inPart = nullptr);

}  // namespace clipferry::cli
