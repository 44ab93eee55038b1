#include "xml/list_extraction.h"

#include <array>
#include <string>

#include "xml/element_search.h"
#include "xml/entity_decoding.h"
#include "xml/text_to_int.h"

namespace clipferry::xml {

namespace {

const clipferry_char* HostText(const std::u16string& text) {
    return reinterpret_cast<const clipferry_char*>(text.c_str());
}

// The whole text of an item's field; empty when the item lacks it.
std::u16string FieldText(const DomNodePtr& item, const char16_t* name) {
    DomNodePtr field;
    FindChildElement(item, name, &field);
    return ReadNodeText(field);
}

// Calls visit(item) for every direct child of the container named "item".
// A failed child request ends the walk; the items already visited stand.
template <typename Visit>
void ForEachItem(const ResponseDocument& document, const char16_t* containerName, Visit visit) {
    DomNodePtr container;
    FindElement(document.documentNode(), containerName, &container);
    if (container == nullptr) return;
    for (DomNodePtr child = FirstChildOf(container); child != nullptr; child = NextSiblingOf(child)) {
        if (NamesEqual(u"item", ReadNodeName(child))) visit(child);
    }
}

}  // namespace

int ReadFileTypes(const ResponseDocument& document, char16_t* buffer, uint32_t size) {
    if (buffer == nullptr || size == 0 || document.documentNode() == nullptr) return 0;
    DomNodePtr result;
    FindElement(document.documentNode(), u"return", &result);
    if (result != nullptr) CopyElementText(result, u"FileTypes", buffer, size);
    return 1;
}

int32_t ReadResultCount(const ResponseDocument& document) {
    char16_t text[kShortTextUnits] = {};
    document.LookupText(u"ResultCount", text, kShortTextUnits);
    return TextToInt(text);
}

int EnumerateCategories(const ResponseDocument& document, void* userData, CategoryCallback callback) {
    if (userData == nullptr || callback == nullptr || document.documentNode() == nullptr) return 0;
    ForEachItem(document, u"GetCategoriesResult", [&](const DomNodePtr& item) {
        const std::u16string id = FieldText(item, u"CategoryId");
        std::u16string name = FieldText(item, u"CategoryName");
        DecodeEntities(name);
        callback(TextToInt(id.c_str()), HostText(name), 0, userData);
    });
    return 1;
}

int EnumerateModerators(const ResponseDocument& document, void* userData, ModeratorCallback callback) {
    if (userData == nullptr || callback == nullptr || document.documentNode() == nullptr) return 0;
    ForEachItem(document, u"GetModeratorsResult", [&](const DomNodePtr& item) {
        const std::u16string id = FieldText(item, u"ModeratorContactId");
        const std::u16string firstName = FieldText(item, u"ModeratorFirstName");
        const std::u16string lastName = FieldText(item, u"ModeratorLastName");
        callback(TextToInt(id.c_str()), HostText(firstName), HostText(lastName), 0, userData);
    });
    return 1;
}

}  // namespace clipferry::xml
