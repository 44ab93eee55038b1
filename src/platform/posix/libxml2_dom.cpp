// The DOM of platform/dom.h over libxml2.
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlstring.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <utility>

#include "platform/dom.h"
#include "platform/files.h"
#include "platform/posix/libxml2_io.h"
#include "platform/posix/libxml2_tree.h"
#include "platform/text.h"

namespace clipferry::platform {

namespace {

using libxml2::IsDeclaration;
using libxml2::LinkBefore;
using libxml2::OwnTree;
using libxml2::TreeOwner;

std::u16string FromXmlText(const xmlChar* text) {
    if (text == nullptr) return {};
    const char* utf8 = reinterpret_cast<const char*>(text);
    return Utf8ToUtf16(utf8, std::strlen(utf8));
}

std::string ToXmlText(const char16_t* text) { return Utf16ToUtf8(std::u16string(text)); }

const xmlChar* AsXml(const std::string& text) { return reinterpret_cast<const xmlChar*>(text.c_str()); }

bool IsDocument(xmlNodePtr node) {
    return node->type == XML_DOCUMENT_NODE || node->type == XML_HTML_DOCUMENT_NODE;
}

// Kinds of node that may be linked below an element.
bool IsMovable(xmlNodePtr node) {
    switch (node->type) {
        case XML_ELEMENT_NODE:
        case XML_TEXT_NODE:
        case XML_CDATA_SECTION_NODE:
        case XML_COMMENT_NODE:
        case XML_PI_NODE:
        case XML_ENTITY_REF_NODE:
            return true;
        default:
            return false;
    }
}

bool IsAncestorOrSelf(xmlNodePtr candidate, xmlNodePtr node) {
    for (; node != nullptr; node = node->parent)
        if (node == candidate) return true;
    return false;
}

bool HasOtherElementChild(xmlNodePtr parent, xmlNodePtr except) {
    for (xmlNodePtr child = parent->children; child != nullptr; child = child->next)
        if (child->type == XML_ELEMENT_NODE && child != except) return true;
    return false;
}

// Reads the file in one pass into a string sized for it up front: a response
// can be tens of megabytes.
bool ReadWholeFile(const char16_t* path, std::string& bytes) {
    FilePtr file = OpenFileForReading(path);
    if (file == nullptr) return false;
    std::setvbuf(file.get(), nullptr, _IONBF, 0);
    const std::optional<FileStamp> stamp = StampOpenFile(file.get());
    const uint64_t expected = stamp ? stamp->size : 0;
    if (expected > uint64_t(INT_MAX)) return false;
    // One byte more than expected, so the end of the file shows at once.
    bytes.resize(size_t(expected) + 1);
    size_t held = 0;
    for (;;) {
        if (held == bytes.size()) {
            if (bytes.size() > size_t(INT_MAX)) return false;
            bytes.resize(bytes.size() * 2);
        }
        const size_t n = std::fread(&bytes[held], 1, bytes.size() - held, file.get());
        held += n;
        if (n == 0) break;
    }
    bytes.resize(held);
    return !std::ferror(file.get()) && held <= size_t(INT_MAX);
}

struct XmlTextFree {
    void operator()(xmlChar* text) const { xmlFree(text); }
};

class LibxmlNode final : public DomNode {
public:
    LibxmlNode(std::shared_ptr<TreeOwner> owner, xmlNodePtr node) : owner_(std::move(owner)), node_(node) {
        owner_->AddHandle(node_);
    }
    ~LibxmlNode() override { owner_->DropHandle(node_); }
    LibxmlNode(const LibxmlNode&) = delete;
    LibxmlNode& operator=(const LibxmlNode&) = delete;

    static DomStatus Wrap(const std::shared_ptr<TreeOwner>& owner, xmlNodePtr node, DomNodePtr& out) {
        if (node == nullptr) {
            out.reset();
            return kDomNone;
        }
        out = std::make_shared<LibxmlNode>(owner, node);
        return kDomOk;
    }

    DomStatus FirstChild(DomNodePtr& out) override {
        // A doctype's declarations and an entity reference's expansion
        // belong to the DTD and are not handed out.
        if (node_->type != XML_ELEMENT_NODE && !IsDocument(node_)) return Wrap(owner_, nullptr, out);
        return Wrap(owner_, node_->children, out);
    }

    DomStatus NextSibling(DomNodePtr& out) override {
        return Wrap(owner_, IsDocument(node_) ? nullptr : node_->next, out);
    }

    DomStatus Name(std::u16string& out) override {
        switch (node_->type) {
            case XML_ELEMENT_NODE:
                out = FromXmlText(node_->name);
                if (node_->ns != nullptr && node_->ns->prefix != nullptr)
                    out = FromXmlText(node_->ns->prefix) + u':' + out;
                break;
            case XML_TEXT_NODE: out = u"#text"; break;
            case XML_CDATA_SECTION_NODE: out = u"#cdata-section"; break;
            case XML_COMMENT_NODE: out = u"#comment"; break;
            case XML_DOCUMENT_NODE:
            case XML_HTML_DOCUMENT_NODE: out = u"#document"; break;
            case XML_DOCUMENT_FRAG_NODE: out = u"#document-fragment"; break;
            default: out = FromXmlText(node_->name); break;  // target, entity or doctype name
        }
        return kDomOk;
    }

    DomStatus Text(std::u16string& out) override {
        std::unique_ptr<xmlChar, XmlTextFree> content(xmlNodeGetContent(node_));
        // These always have a content, if only an empty one: null means memory
        // ran out, which must not pass for an empty text.
        const bool hasContent = node_->type == XML_ELEMENT_NODE || node_->type == XML_TEXT_NODE ||
                                node_->type == XML_CDATA_SECTION_NODE || node_->type == XML_COMMENT_NODE ||
                                node_->type == XML_PI_NODE;
        if (content == nullptr && hasContent) throw std::bad_alloc();
        out = FromXmlText(content.get());
        return kDomOk;
    }

    DomStatus GetAttributes() override { return node_->type == XML_ELEMENT_NODE ? kDomOk : kDomNone; }

    DomStatus RemoveChild(const DomNodePtr& child) override {
        LibxmlNode* removed = Resolve(child);
        if (removed == nullptr || removed->node_->parent != node_) return kDomInvalidArg;
        // Entity references lean on the doctype's declarations: it stays.
        if (removed->node_->type == XML_DTD_NODE) return kDomFail;
        // Taken first: when that cannot be had, the node stays where it was.
        owner_->TakeDetached(removed->node_);
        xmlUnlinkNode(removed->node_);
        KeepNamespacesWithin(removed->node_);
        return kDomOk;
    }

    DomStatus AppendChild(const DomNodePtr& child) override { return InsertBefore(child, nullptr); }

    DomStatus InsertBefore(const DomNodePtr& child, const DomNodePtr& reference) override {
        LibxmlNode* inserted = Resolve(child);
        if (inserted == nullptr) return kDomInvalidArg;
        xmlNodePtr node = inserted->node_;
        xmlNodePtr before = nullptr;
        if (reference != nullptr) {
            LibxmlNode* found = Resolve(reference);
            if (found == nullptr || found->node_->parent != node_ || found->node_ == node) return kDomInvalidArg;
            before = found->node_;
        }
        if (!IsMovable(node)) return kDomInvalidArg;
        if (node_->type != XML_ELEMENT_NODE && !IsDocument(node_)) return kDomFail;
        if (IsAncestorOrSelf(node, node_)) return kDomFail;
        if (!FitsHere(node, before)) return kDomFail;

        if (node->parent != nullptr)
            xmlUnlinkNode(node);  // moved from elsewhere in the document
        else
            owner_->ReleaseDetached(node);
        LinkBefore(node_, node, before);
        KeepNamespacesWithin(node);
        return kDomOk;
    }

private:
    // A handle of this same document, or null.
    LibxmlNode* Resolve(const DomNodePtr& node) const {
        auto* resolved = dynamic_cast<LibxmlNode*>(node.get());
        return resolved != nullptr && resolved->owner_ == owner_ ? resolved : nullptr;
    }

    // The document holds one element, no loose text, and a declaration only
    // in first place.
    bool FitsHere(xmlNodePtr node, xmlNodePtr before) const {
        const bool atDocument = IsDocument(node_);
        if (IsDeclaration(node)) return atDocument && before == node_->children && !IsDeclaration(node_->children);
        if (!atDocument) return true;
        if (before != nullptr && IsDeclaration(before) && before == node_->children) return false;
        if (node->type == XML_ELEMENT_NODE) return !HasOtherElementChild(node_, node);
        return node->type == XML_PI_NODE || node->type == XML_COMMENT_NODE;
    }

    // Namespace pointers of a moved subtree must not point into nodes it has
    // left, which may be freed before it.
    void KeepNamespacesWithin(xmlNodePtr node) const {
        if (node->type == XML_ELEMENT_NODE) xmlReconciliateNs(owner_->doc(), node);
    }

    std::shared_ptr<TreeOwner> owner_;
    xmlNodePtr node_;
};

xmlDocPtr NewEmptyDoc() { return xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0")); }

class LibxmlDocument final : public DomDocument {
public:
    explicit LibxmlDocument(std::shared_ptr<TreeOwner> owner) : owner_(std::move(owner)) {}

    DomStatus SetAsync(bool) override { return kDomOk; }  // every load completes before it returns

    DomStatus Load(const char16_t* path, bool& succeeded) override {
        succeeded = false;
        if (path == nullptr) return kDomInvalidArg;
        // Whatever happens, the old tree is gone; a failed load leaves the
        // document empty. Handles into the old tree keep it alive.
        xmlDocPtr empty = NewEmptyDoc();
        if (empty == nullptr) return kDomOutOfMemory;
        owner_ = OwnTree(empty);

        std::string bytes;
        if (!ReadWholeFile(path, bytes)) return kDomNone;
        return Parse(bytes, succeeded);
    }

    DomStatus LoadBytes(const char* bytes, size_t count, bool& succeeded) override {
        succeeded = false;
        if (bytes == nullptr) return kDomInvalidArg;
        xmlDocPtr empty = NewEmptyDoc();
        if (empty == nullptr) return kDomOutOfMemory;
        owner_ = OwnTree(empty);
        return Parse(std::string(bytes, count), succeeded);
    }

    DomStatus CreateProcessingInstruction(const char16_t* target, const char16_t* data,
                                          DomNodePtr& out) override {
        out.reset();
        if (target == nullptr || *target == u'\0') return kDomInvalidArg;
        const std::string name = ToXmlText(target);
        const std::string content = data != nullptr ? ToXmlText(data) : std::string();
        return Adopt(xmlNewDocPI(owner_->doc(), AsXml(name), AsXml(content)), out);
    }

    DomStatus CreateElement(const char16_t* name, DomNodePtr& out) override {
        out.reset();
        if (name == nullptr) return kDomInvalidArg;
        const std::string text = ToXmlText(name);
        if (xmlValidateName(AsXml(text), 0) != 0) return kDomInvalidArg;
        return Adopt(xmlNewDocNode(owner_->doc(), nullptr, AsXml(text), nullptr), out);
    }

    DomStatus AsNode(DomNodePtr& out) override { return LibxmlNode::Wrap(owner_, owner_->docNode(), out); }

private:
    // Replaces the empty tree by the parsed one when the bytes are well-formed.
    DomStatus Parse(const std::string& bytes, bool& succeeded) {
        xmlDocPtr parsed = libxml2::ParseUntrusted(bytes);
        if (parsed == nullptr) return kDomNone;
        owner_ = OwnTree(parsed);
        succeeded = true;
        return kDomOk;
    }

    // A new node stands outside the tree, owned by the document until linked.
    DomStatus Adopt(xmlNodePtr node, DomNodePtr& out) {
        if (node == nullptr) return kDomOutOfMemory;
        try {
            owner_->TakeDetached(node);
        } catch (...) {
            xmlFreeNode(node);
            throw;
        }
        return LibxmlNode::Wrap(owner_, node, out);
    }

    std::shared_ptr<TreeOwner> owner_;
};

}  // namespace

DomStatus CreateDomDocument(DomDocumentPtr& out) {
    out.reset();
    // libxml2 before 2.11 does not initialise itself safely when two threads
    // start at once; every document, and so every parse, comes after this.
    static std::once_flag parserInitialised;
    std::call_once(parserInitialised, xmlInitParser);
    xmlDocPtr doc = NewEmptyDoc();
    if (doc == nullptr) return kDomOutOfMemory;
    out = std::make_shared<LibxmlDocument>(OwnTree(doc));
    return kDomOk;
}

}  // namespace clipferry::platform
