// The search walk the result extraction relies on: not a full tree search.
#include "xml/element_search.h"

#include "xml/wide_text.h"

namespace clipferry::xml {

namespace {

char16_t FoldAscii(char16_t unit) { return unit >= u'A' && unit <= u'Z' ? char16_t(unit - u'A' + u'a') : unit; }

// Walks siblings from the parent's first child. When descend is set, a node
// without a following sibling hands the walk on to its own first child.
int Walk(const DomNodePtr& parent, const char16_t* name, DomNodePtr* out, bool descend) {
    if (parent == nullptr || name == nullptr || out == nullptr) return 0;
    DomNodePtr current;
    if (parent->FirstChild(current) < 0) return 1;
    while (current != nullptr) {
        if (NamesEqual(name, ReadNodeName(current))) {
            *out = current;
            return 1;
        }
        DomNodePtr next;
        if (current->NextSibling(next) < 0) return 1;
        if (next == nullptr && descend) current->FirstChild(next);  // a failure leaves next null: the walk ends
        current = std::move(next);
    }
    return 1;
}

}  // namespace

bool NamesEqual(const char16_t* wanted, const std::u16string& name) {
    if (wanted == nullptr) return false;
    size_t i = 0;
    for (; wanted[i] != u'\0'; ++i)
        if (i >= name.size() || FoldAscii(wanted[i]) != FoldAscii(name[i])) return false;
    return i == name.size();
}

int FindChildElement(const DomNodePtr& parent, const char16_t* name, DomNodePtr* out) {
    return Walk(parent, name, out, false);
}

int FindElement(const DomNodePtr& start, const char16_t* name, DomNodePtr* out) {
    return Walk(start, name, out, true);
}

int CopyElementText(const DomNodePtr& start, const char16_t* name, char16_t* buffer, uint32_t size) {
    if (start == nullptr || name == nullptr || buffer == nullptr || size == 0) return 0;
    DomNodePtr found;
    FindElement(start, name, &found);
    if (found != nullptr) CopyCut(buffer, size, ReadNodeText(found));
    return 1;
}

std::u16string ReadNodeText(const DomNodePtr& node) {
    std::u16string text;
    if (node == nullptr || node->Text(text) < 0) return {};
    return text;
}

std::u16string ReadNodeName(const DomNodePtr& node) {
    std::u16string name;
    if (node == nullptr || node->Name(name) < 0) return {};
    return name;
}

DomNodePtr FirstChildOf(const DomNodePtr& node) {
    DomNodePtr child;
    if (node == nullptr || node->FirstChild(child) != platform::kDomOk) return nullptr;
    return child;
}

DomNodePtr NextSiblingOf(const DomNodePtr& node) {
    DomNodePtr sibling;
    if (node == nullptr || node->NextSibling(sibling) != platform::kDomOk) return nullptr;
    return sibling;
}

}  // namespace clipferry::xml
