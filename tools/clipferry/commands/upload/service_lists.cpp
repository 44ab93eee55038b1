// Fetching the lists the upload's checks need, through the cache.
#include "commands/upload/service_lists.h"

#include <algorithm>

#include "app/failure.h"
#include "app/retrying.h"
#include "commands/categories/categories.h"

namespace clipferry::cli {

int fetchFileTypes(const Context& context, Service& service, ListCache& cache, std::string& fileTypes,
                   bool fresh) {
    if (auto kept = fresh ? std::nullopt : cache.fileTypes()) {
        fileTypes = *kept;
        return exit_status::ok;
    }
    const Io& io = context.io;
    io.step("asking for the accepted file types, to check the files against");
    const int32_t result =
        withRetry(context, Operation::FileTypes, [&] { return service.fileTypes(fileTypes); });
    if (result != 0) {
        return fail(io, Operation::FileTypes, result, io.circumstances(Operation::FileTypes));
    }
    cache.keepFileTypes(fileTypes);
    return exit_status::ok;
}

namespace {
int fetchCategoryChoices(const Context& context, Service& service, ServiceLists& lists,
                         ListCache& cache) {
    if (auto kept = cache.categories()) {
        lists.categories = *kept;
        return exit_status::ok;
    }
    std::vector<Category> tree;
    const int32_t result = fetchCategories(context, service, 0, true, tree, &lists.categoriesInPart);
    if (result != 0) {
        return fail(context.io, Operation::Categories, result,
                    context.io.circumstances(Operation::Categories));
    }
    lists.categories = flattenCategories(tree);
    if (!lists.categoriesInPart) cache.keepCategories(lists.categories);
    return exit_status::ok;
}

int fetchModeratorChoices(const Context& context, Service& service, ServiceLists& lists,
                          ListCache& cache) {
    if (auto kept = cache.moderators()) {
        lists.moderators = *kept;
        return exit_status::ok;
    }
    const Io& io = context.io;
    std::vector<Moderator> moderators;
    io.step("asking for the moderators");
    const int32_t result =
        withRetry(context, Operation::Moderators, [&] { return service.moderators(moderators); });
    if (result != 0 && exitStatusFor(result) != exit_status::badArgument) {
        return fail(io, Operation::Moderators, result, io.circumstances(Operation::Moderators));
    }
    if (result == 0) {  // else the account may not choose one
        lists.moderators.emplace();
        for (const Moderator& m : moderators) {
            lists.moderators->push_back({m.id, m.firstName + " " + m.lastName});
        }
    }
    cache.keepModerators(lists.moderators);
    return exit_status::ok;
}
}  // namespace

int fetchServiceLists(const Context& context, Service& service, const std::vector<UploadJob>& jobs,
                      ServiceLists& lists, ListCache& cache) {
    if (int status = fetchFileTypes(context, service, cache, lists.fileTypes); status != exit_status::ok) {
        return status;
    }
    auto any = [&](auto chosen) { return std::any_of(jobs.begin(), jobs.end(), chosen); };
    if (any([](const UploadJob& j) { return j.fields.category || j.fields.category2 || j.fields.category3; })) {
        if (int status = fetchCategoryChoices(context, service, lists, cache); status != exit_status::ok) {
            return status;
        }
    }
    if (any([](const UploadJob& j) { return j.fields.moderator != 0; })) {
        return fetchModeratorChoices(context, service, lists, cache);
    }
    return exit_status::ok;
}

}  // namespace clipferry::cli
