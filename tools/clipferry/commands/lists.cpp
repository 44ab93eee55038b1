// file-types, categories and moderators: log in, ask for the list, print it.
#include "commands/lists.h"

#include <algorithm>
#include <climits>

#include "app/failure.h"
#include "app/json_output.h"
#include "app/option_table.h"
#include "app/retrying.h"
#include "commands/category_tree.h"
#include "commands/login.h"
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

int fileTypesCommand(Context& context) {
    LoggedIn session = logIn(context);
    if (!session.service) return session.exitStatus;
    const Io& io = context.io;
    std::string text;
    io.step("asking for the accepted file types");
    const int32_t result =
        withRetry(context, Operation::FileTypes, [&] { return session.service->fileTypes(text); });
    if (result != 0) {
        return fail(io, Operation::FileTypes, result, io.circumstances(Operation::FileTypes));
    }
    const std::vector<std::string> types = splitFileTypes(text);
    if (io.json()) {
        io.document({{"ok", true}, {"file_types", types}});
        return exit_status::ok;
    }
    for (const std::string& type : types) io.out() << visible(type) << "\n";
    return exit_status::ok;
}

void addCategoriesOptions(CLI::App& categories, Options& options) {
    categories.add_option("PARENT", options.parent, "List below this category (default: the top)")
        ->check(wholeNumber(0, INT32_MAX))
        ->type_name("ID");
    categories.add_flag("--recursive,-r", options.recursive, "Descend into every category");
}

int categoriesCommand(Context& context) {
    LoggedIn session = logIn(context);
    if (!session.service) return session.exitStatus;
    const Io& io = context.io;
    const int32_t parent = context.options.parent;
    const bool recursive = context.options.recursive;
    std::vector<Category> tree;
    int32_t result = fetchCategories(context, *session.service, parent, recursive, tree);
    if (result != 0) {
        return fail(io, Operation::Categories, result, io.circumstances(Operation::Categories));
    }
    if (tree.empty() && parent != 0) {
        // The service answers a category that does not exist as one without children.
        std::vector<Category> everything;
        result = fetchCategories(context, *session.service, 0, true, everything);
        if (result != 0) {
            return fail(io, Operation::Categories, result, io.circumstances(Operation::Categories));
        }
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
        io.document({{"ok", true}, {"parent", parent}, {"categories", categoriesJson(tree, recursive)}});
        return exit_status::ok;
    }
    io.out() << renderCategoryTree(tree, io.plainLists());
    return exit_status::ok;
}

int moderatorsCommand(Context& context) {
    LoggedIn session = logIn(context);
    if (!session.service) return session.exitStatus;
    const Io& io = context.io;
    std::vector<Moderator> moderators;
    io.step("asking for the moderators");
    const int32_t result =
        withRetry(context, Operation::Moderators, [&] { return session.service->moderators(moderators); });
    if (result != 0) {
        return fail(io, Operation::Moderators, result, io.circumstances(Operation::Moderators));
    }
    if (io.json()) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const Moderator& m : moderators) {
            list.push_back({{"id", m.id}, {"first", m.firstName}, {"last", m.lastName}});
        }
        io.document({{"ok", true}, {"moderators", std::move(list)}});
        return exit_status::ok;
    }
    for (const Moderator& moderator : moderators) {
        io.out() << moderator.id << " " << visible(moderator.firstName) << " "
                 << visible(moderator.lastName) << "\n";
    }
    return exit_status::ok;
}

}  // namespace clipferry::cli
