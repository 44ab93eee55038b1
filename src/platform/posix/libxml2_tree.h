// Ownership of one libxml2 tree and of the nodes taken out of it, and tree
// edits that never merge or free nodes behind a handle's back.
#pragma once

#include <libxml/tree.h>

#include <cstdint>
#include <memory>
#include <unordered_set>

namespace clipferry::platform::libxml2 {

// Owns a document and every node of it that stands outside the tree (created
// and not yet linked, or removed). A node outside the tree is freed once no
// handle reaches into it any more; everything else goes with the document.
class TreeOwner {
public:
    explicit TreeOwner(xmlDocPtr doc) : doc_(doc) {}
    ~TreeOwner();
    TreeOwner(const TreeOwner&) = delete;
    TreeOwner& operator=(const TreeOwner&) = delete;

    xmlDocPtr doc() const { return doc_; }
    xmlNodePtr docNode() const { return reinterpret_cast<xmlNodePtr>(doc_); }

    void AddHandle(xmlNodePtr node);
    void DropHandle(xmlNodePtr node);

    // The node has no parent now (just created or unlinked): it is ours.
    void TakeDetached(xmlNodePtr node);
    // The node is about to be linked below a parent, which then owns it.
    void ReleaseDetached(xmlNodePtr node);

private:
    static uintptr_t HandleCount(xmlNodePtr node) { return reinterpret_cast<uintptr_t>(node->_private); }
    bool HasHandleWithin(xmlNodePtr subtree) const;

    xmlDocPtr doc_;
    std::unordered_set<xmlNodePtr> detached_;
};

// Frees a whole document; for a tree that has no TreeOwner yet.
struct DocFree {
    void operator()(xmlDocPtr doc) const { xmlFreeDoc(doc); }
};
using HeldDoc = std::unique_ptr<xmlDoc, DocFree>;

// The owner of a whole tree. When the owner itself cannot be allocated the
// tree is freed before the exception leaves, so it is never left unowned.
std::shared_ptr<TreeOwner> OwnTree(xmlDocPtr doc);

// Links an unlinked node below parent, before reference (appended when the
// reference is null). Unlike xmlAddChild, adjacent text is never merged.
void LinkBefore(xmlNodePtr parent, xmlNodePtr child, xmlNodePtr reference);

// Whether the node is an XML declaration: a processing instruction "xml".
bool IsDeclaration(xmlNodePtr node);

}  // namespace clipferry::platform::libxml2
