// Node ownership for the libxml2 DOM: handles pin nodes, and a node removed
// from the tree lives exactly as long as something can still reach it.
#include "platform/posix/libxml2_tree.h"

#include <libxml/xmlstring.h>

namespace clipferry::platform::libxml2 {

TreeOwner::~TreeOwner() {
    for (xmlNodePtr node : detached_) xmlFreeNode(node);
    xmlFreeDoc(doc_);
}

std::shared_ptr<TreeOwner> OwnTree(xmlDocPtr doc) {
    HeldDoc held(doc);
    auto owner = std::make_shared<TreeOwner>(doc);
    held.release();
    return owner;
}

// A node's handle count lives in its _private field, which libxml2 leaves to
// the application: no lookup per handle.
void TreeOwner::AddHandle(xmlNodePtr node) { node->_private = reinterpret_cast<void*>(HandleCount(node) + 1); }

void TreeOwner::DropHandle(xmlNodePtr node) {
    const uintptr_t count = HandleCount(node);
    if (count == 0) return;
    node->_private = reinterpret_cast<void*>(count - 1);
    // Only a node outside the tree may have to go with its last handle.
    if (count > 1 || detached_.empty()) return;

    xmlNodePtr top = node;
    while (top->parent != nullptr) top = top->parent;
    if (detached_.count(top) == 0 || HasHandleWithin(top)) return;
    detached_.erase(top);
    xmlFreeNode(top);
}

void TreeOwner::TakeDetached(xmlNodePtr node) { detached_.insert(node); }

void TreeOwner::ReleaseDetached(xmlNodePtr node) { detached_.erase(node); }

bool TreeOwner::HasHandleWithin(xmlNodePtr subtree) const {
    // Iterative pre-order walk; an entity reference's children belong to the
    // entity declaration and are never handed out.
    xmlNodePtr node = subtree;
    while (node != nullptr) {
        if (HandleCount(node) != 0) return true;
        if (node->type != XML_ENTITY_REF_NODE && node->children != nullptr) {
            node = node->children;
            continue;
        }
        while (node != subtree && node->next == nullptr) node = node->parent;
        if (node == subtree) break;
        node = node->next;
    }
    return false;
}

void LinkBefore(xmlNodePtr parent, xmlNodePtr child, xmlNodePtr reference) {
    child->parent = parent;
    if (reference == nullptr) {
        child->prev = parent->last;
        child->next = nullptr;
        if (parent->last != nullptr)
            parent->last->next = child;
        else
            parent->children = child;
        parent->last = child;
        return;
    }
    child->next = reference;
    child->prev = reference->prev;
    if (reference->prev != nullptr)
        reference->prev->next = child;
    else
        parent->children = child;
    reference->prev = child;
}

bool IsDeclaration(xmlNodePtr node) {
    return node != nullptr && node->type == XML_PI_NODE &&
           xmlStrEqual(node->name, reinterpret_cast<const xmlChar*>("xml"));
}

}  // namespace clipferry::platform::libxml2
