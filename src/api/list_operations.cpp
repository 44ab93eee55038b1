// The lists an upload form needs: file types, categories and moderators.
#include "api/operation_frame.h"
#include "api/operations.h"
#include "transport/soap_requests.h"
#include "xml/list_extraction.h"

namespace clipferry {

namespace {

// Stores the count the answer states (0 when it states none), when the host
// asked for it.
void StoreResultCount(const xml::ResponseDocument& document, int32_t* resultCount) {
    if (resultCount != nullptr) *resultCount = xml::ReadResultCount(document);
}

}  // namespace

int32_t RunGetFileTypes(UploaderContext& context, char16_t* buffer, uint32_t bufferSize) {
    if (context.login.loggedIn == 0 || context.settings.binding == nullptr) return CLIPFERRY_BAD_ARGUMENT;
    const OperationPlan plan{DumpFile::FileTypes, /*dumpUnloadedBody=*/true, CLIPFERRY_OK};
    return RunOperation(
        context, plan, [&](ResponseBody* response) { return PostGetFileTypes(context.settings, response); },
        [&](const xml::ResponseDocument& document) {
            xml::ReadFileTypes(document, buffer, bufferSize);
            return CLIPFERRY_OK;
        });
}

int32_t RunGetCategories(UploaderContext& context, int32_t parentCategoryId, void* userData,
                         CategoryCallback callback, int32_t* resultCount) {
    if (context.login.loggedIn == 0) return CLIPFERRY_BAD_ARGUMENT;
    const OperationPlan plan{DumpFile::GetCategories, /*dumpUnloadedBody=*/false, CLIPFERRY_OK};
    return RunOperation(
        context, plan,
        [&](ResponseBody* response) { return PostGetCategories(context.settings, parentCategoryId, response); },
        [&](const xml::ResponseDocument& document) {
            StoreResultCount(document, resultCount);
            xml::EnumerateCategories(document, userData, callback);
            return CLIPFERRY_OK;
        });
}

int32_t RunGetModerators(UploaderContext& context, void* userData, ModeratorCallback callback,
                         int32_t* resultCount) {
    if (context.login.showModerators == 0 || context.login.loggedIn == 0) return CLIPFERRY_BAD_ARGUMENT;
    const OperationPlan plan{DumpFile::GetModerators, /*dumpUnloadedBody=*/false, CLIPFERRY_OK};
    return RunOperation(
        context, plan,
        [&](ResponseBody* response) { return PostGetModerators(context.settings, context.login.contactId, response); },
        [&](const xml::ResponseDocument& document) {
            StoreResultCount(document, resultCount);
            xml::EnumerateModerators(document, userData, callback);
            return CLIPFERRY_OK;
        });
}

}  // namespace clipferry
