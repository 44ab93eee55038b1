// The service's lists as commands: file-types, categories, moderators.
#pragma once

#include <cstdint>
#include <vector>

#include "app/context.h"
#include "service/service.h"

namespace clipferry::cli {

int fileTypesCommand(Context& context);
int categoriesCommand(Context& context);
int moderatorsCommand(Context& context);

// The categories below `parent` (all levels when `recursive`), each request
// retried; warns when the walk stopped at its cap, and says so in `inPart`.
int32_t fetchCategories(const Context& context, Service& service, int32_t parent, bool recursive,
                        std::vector<Category>& tree, bool* inPart = nullptr);

}  // namespace clipferry::cli
