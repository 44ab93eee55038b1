// categories: log in, walk the tree below the parent, print it.
#include "commands/categories/categories.h"

#include <algorithm>
#include <climits>

#include "app/failure.h"
#include "app/option_table.h"
#include "app/retrying.h"
#include "commands/category_tree.h"
#include "commands/login/login.h"
#include "commands/upload/preflight.h"
#include "text/text.h"

namespace clipferry::cli {

int32_t fetchCategories(const Context& context, Service& service, int32_t parent, bool recursive,
                        std::vector<Category>& tree, bool* inPart) {
    FetchChildren fetch = [&](int32_t below, std::vector<Category>& children) {
        context.io.step("asking for the categories below " + std::to_string(below));
        return withRetry(context, Operation::Categories,
                         [&] { return service.categories(below, children); });
    };
    CategoryWalk walk;
    const int32_t result = fetchCategoryTree(parent, recursive, fetch, tree, &walk);
    if (walk.capped) {
        context.io.err() << "clipferry: warning: the categories were asked for " << walk.requests
                         << " times, the most one walk asks; the categories below the rest are not known\n";
    }
    if (inPart) *inPart = walk.capped;
    return result;
}

void addCategoriesOptions(CLI::App& categories, CategoriesOptions& options) {
    categories.add_option("PARENT", options.parent, "List below this category (default: the top)")
        ->check(wholeNumber(0, INT32_MAX))
        ->type_name("ID");
    categories.add_flag("--recursive,-r", options.recursive, "Descend into every category");
}

int categoriesCommand(Context& context, const CategoriesOptions& options) {
    const Io& io = context.io;
    const int32_t parent = options.parent;
    std::vector<Category> tree;
    std::vector<Category> everything;  // asked for when the parent has no children
    const int status = logInAndAsk(context, Operation::Categories, [&](Service& service) {
        const int32_t result = fetchCategories(context, service, parent, options.recursive, tree);
        // The service answers a category that does not exist as one without children.
        if (result != 0 || !tree.empty() || parent == 0) return result;
        return fetchCategories(context, service, 0, true, everything);
    });
    if (status != exit_status::ok) return status;
    if (tree.empty() && parent != 0) {
        const std::vector<Choice> all = flattenCategories(everything);
        const auto found =
            std::find_if(all.begin(), all.end(), [&](const Choice& c) { return c.id == parent; });
        if (found == all.end()) {
            return fail(io, exit_status::badArgument,
                        "categories: no such category " + std::to_string(parent) +
                            "; clipferry categories --recursive lists them all");
        }
        if (!io.json()) {
            io.err() << "clipferry: no categories below " << found->id << " " << visible(found->name) << "\n";
        }
    }
    if (io.json()) {
        io.document({{"ok", true}, {"parent", parent}, {"categories", categoriesJson(tree, options.recursive)}});
        return exit_status::ok;
    }
    io.out() << renderCategoryTree(tree, io.plainLists());
    return exit_status::ok;
}

}  // namespace clipferry::cli
