// The lists an upload form needs, taken out of their answers: the accepted
// file types into the host's buffer, categories and moderators to the host's
// callbacks, one call per item in document order.
#pragma once

#include <cstdint>

#include "clipferry.h"
#include "xml/response_document.h"

namespace clipferry::xml {

// Copies the text of "FileTypes" (found from "return") into the buffer, cut
// at size - 1 units; a missing element leaves the buffer as it was. 0 for a
// null buffer, a size of 0 or an unopened document, else 1.
int ReadFileTypes(const ResponseDocument& document, char16_t* buffer, uint32_t size);

// The count a list answer states in "ResultCount"; 0 when it states none.
int32_t ReadResultCount(const ResponseDocument& document);

// One callback per "item" child of "GetCategoriesResult", with its id and its
// entity-decoded name. 0 for null user data or callback or an unopened
// document, else 1.
int EnumerateCategories(const ResponseDocument& document, void* userData, CategoryCallback callback);

// One callback per "item" child of "GetModeratorsResult". Results as for the
// categories.
int EnumerateModerators(const ResponseDocument& document, void* userData, ModeratorCallback callback);

}  // namespace clipferry::xml
