// The DOM of platform/dom.h over the MSXML DOM document, reached through COM.
#include <objbase.h>
#include <windows.h>
#include <msxml2.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "platform/dom.h"
#include "platform/files.h"
#include "platform/win32/msxml_com.h"
#include "platform/win32/msxml_prolog.h"

namespace clipferry::platform {

namespace {

using msxml::Bstr;
using msxml::ComApartment;
using msxml::ComPtr;
using msxml::StatusOf;
using msxml::Variant;

// The identifiers are spelled out: the headers' names for them vary with the
// MSXML version they were written for.
constexpr CLSID kDomDocumentClass = {0x2933BF90, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
constexpr IID kDocumentInterface = {0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
constexpr IID kNodeInterface = {0x2933BF80, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
constexpr IID kDocument2Interface = {0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
constexpr DWORD kAnyServer = 23;  // in-process, handler, local and remote server

// One DOM document object. The apartment is released last, after every
// reference into the document.
struct Tree {
    std::shared_ptr<ComApartment> apartment;
    ComPtr<IXMLDOMDocument> document;
};

DomStatus NewTree(const std::shared_ptr<ComApartment>& apartment, bool async, std::shared_ptr<Tree>& out) {
    auto tree = std::make_shared<Tree>();
    tree->apartment = apartment;
    const HRESULT created = CoCreateInstance(kDomDocumentClass, nullptr, kAnyServer, kDocumentInterface,
                                             tree->document.outVoid());
    if (FAILED(created) || !tree->document) return StatusOf(FAILED(created) ? created : E_FAIL);
    // Where MSXML honours it, the parser itself also refuses a document type
    // declaration; the prolog check before each load does not rely on it.
    ComPtr<IXMLDOMDocument2> settings;
    if (SUCCEEDED(tree->document->QueryInterface(kDocument2Interface, settings.outVoid())) && settings) {
        Bstr name(u"ProhibitDTD");
        Variant prohibit;
        prohibit.SetBool(true);
        if (name.get() != nullptr) settings->setProperty(name.get(), prohibit.get());
    }
    const HRESULT asyncSet = tree->document->put_async(async ? VARIANT_TRUE : VARIANT_FALSE);
    out = std::move(tree);
    return StatusOf(asyncSet);
}

// Memory that is ours until a stream takes it over.
class OwnedMemory {
public:
    explicit OwnedMemory(HGLOBAL memory) : memory_(memory) {}
    ~OwnedMemory() {
        if (memory_ != nullptr) GlobalFree(memory_);
    }
    OwnedMemory(const OwnedMemory&) = delete;
    OwnedMemory& operator=(const OwnedMemory&) = delete;
    HGLOBAL get() const { return memory_; }
    void release() { memory_ = nullptr; }

private:
    HGLOBAL memory_;
};

// Movable memory held in place while its bytes are used; null bytes when
// there is no memory or it cannot be locked.
class LockedMemory {
public:
    explicit LockedMemory(HGLOBAL memory)
        : memory_(memory), bytes_(memory != nullptr ? static_cast<unsigned char*>(GlobalLock(memory)) : nullptr) {}
    ~LockedMemory() {
        if (bytes_ != nullptr) GlobalUnlock(memory_);
    }
    LockedMemory(const LockedMemory&) = delete;
    LockedMemory& operator=(const LockedMemory&) = delete;
    unsigned char* bytes() const { return bytes_; }

private:
    HGLOBAL memory_;
    unsigned char* bytes_;
};

// count bytes in a stream over memory of its own, written there by
// fill(bytes) (false when it could not): an answer can be tens of megabytes,
// and the bytes checked are the bytes parsed. kDomNone when there are no
// bytes or too many, when fill fails, or when the prolog is not plain.
template <typename Fill>
DomStatus StreamOver(uint64_t count, Fill fill, ComPtr<IStream>& out) {
    if (count == 0 || count > uint64_t(0x7FFFFFFF)) return kDomNone;
    OwnedMemory memory(GlobalAlloc(GMEM_MOVEABLE, SIZE_T(count)));
    if (memory.get() == nullptr) return kDomOutOfMemory;
    {
        LockedMemory locked(memory.get());
        if (locked.bytes() == nullptr) return kDomOutOfMemory;
        if (!fill(locked.bytes())) return kDomNone;
        if (!msxml::PrologIsPlain(locked.bytes(), size_t(count))) return kDomNone;
    }
    ComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(memory.get(), TRUE, stream.out())) || !stream) return kDomOutOfMemory;
    memory.release();
    // The memory may be larger than was asked for; the stream starts at 0.
    ULARGE_INTEGER exact;
    exact.QuadPart = count;
    if (FAILED(stream->SetSize(exact))) return kDomOutOfMemory;
    out = stream;
    return kDomOk;
}

// The whole of a regular file in a stream, read once and straight into its
// memory. kDomNone when the file cannot be read or is empty.
DomStatus ReadSource(const char16_t* path, ComPtr<IStream>& out) {
    FilePtr file = OpenFileForReading(path);
    if (file == nullptr) return kDomNone;
    const std::optional<FileStamp> stamp = StampOpenFile(file.get());
    if (!stamp) return kDomNone;
    const uint64_t size = stamp->size;
    return StreamOver(
        size, [&](unsigned char* bytes) { return std::fread(bytes, 1, size_t(size), file.get()) == size; }, out);
}

DOMNodeType TypeOf(IXMLDOMNode* node) {
    DOMNodeType type = NODE_INVALID;
    if (node == nullptr || FAILED(node->get_nodeType(&type))) return NODE_INVALID;
    return type;
}

// An XML declaration: a processing instruction "xml".
bool IsDeclaration(IXMLDOMNode* node) {
    Bstr name;
    return TypeOf(node) == NODE_PROCESSING_INSTRUCTION && SUCCEEDED(node->get_nodeName(name.out())) &&
           name.text() == u"xml";
}

ComPtr<IXMLDOMNode> FirstChildOf(IXMLDOMNode* node) {
    ComPtr<IXMLDOMNode> child;
    if (FAILED(node->get_firstChild(child.out()))) child.reset();
    return child;
}

// A document holds one declaration, in first place, and one root element.
// MSXML on Windows sees to that; Wine's does not, and a second declaration
// would make the document one that no parser reads.
bool FitsAtTop(IXMLDOMNode* parent, IXMLDOMNode* node, IXMLDOMNode* before) {
    const bool atDocument = TypeOf(parent) == NODE_DOCUMENT;
    if (IsDeclaration(node)) {
        ComPtr<IXMLDOMNode> previous;
        const bool first = before == nullptr ? !FirstChildOf(parent)
                                             : before->get_previousSibling(previous.out()) == S_FALSE;
        return atDocument && first && !IsDeclaration(FirstChildOf(parent).get());
    }
    if (!atDocument) return true;
    if (before != nullptr && IsDeclaration(before)) return false;
    if (TypeOf(node) != NODE_ELEMENT) return true;
    // Moving the root element among the document's children is allowed.
    ComPtr<IXMLDOMNode> from;
    if (SUCCEEDED(node->get_parentNode(from.out())) && TypeOf(from.get()) == NODE_DOCUMENT) return true;
    for (ComPtr<IXMLDOMNode> child = FirstChildOf(parent); child;) {
        if (TypeOf(child.get()) == NODE_ELEMENT) return false;
        ComPtr<IXMLDOMNode> next;
        if (FAILED(child->get_nextSibling(next.out()))) next.reset();
        child = next;
    }
    return true;
}

class MsxmlNode final : public DomNode {
public:
    MsxmlNode(std::shared_ptr<Tree> tree, ComPtr<IXMLDOMNode> node) : tree_(std::move(tree)), node_(std::move(node)) {}

    // Hands out a node that a call returned, or kDomNone for none.
    static DomStatus Wrap(const std::shared_ptr<Tree>& tree, HRESULT result, IXMLDOMNode* node,
                          DomNodePtr& out) {
        ComPtr<IXMLDOMNode> held = ComPtr<IXMLDOMNode>::Adopt(node);
        out.reset();
        if (FAILED(result)) return StatusOf(result);
        if (!held) return kDomNone;
        out = std::make_shared<MsxmlNode>(tree, std::move(held));
        return kDomOk;
    }

    DomStatus FirstChild(DomNodePtr& out) override {
        IXMLDOMNode* child = nullptr;
        const HRESULT result = node_->get_firstChild(&child);
        return Wrap(tree_, result, child, out);
    }

    DomStatus NextSibling(DomNodePtr& out) override {
        IXMLDOMNode* sibling = nullptr;
        const HRESULT result = node_->get_nextSibling(&sibling);
        return Wrap(tree_, result, sibling, out);
    }

    DomStatus Name(std::u16string& out) override {
        Bstr name;
        const HRESULT result = node_->get_nodeName(name.out());
        out = name.text();
        return StatusOf(result);
    }

    DomStatus Text(std::u16string& out) override {
        Bstr text;
        const HRESULT result = node_->get_text(text.out());
        out = text.text();
        return StatusOf(result);
    }

    DomStatus GetAttributes() override {
        ComPtr<IXMLDOMNamedNodeMap> attributes;
        const HRESULT result = node_->get_attributes(attributes.out());
        if (SUCCEEDED(result) && !attributes) return kDomNone;
        return StatusOf(result);
    }

    DomStatus RemoveChild(const DomNodePtr& child) override {
        MsxmlNode* removed = Resolve(child);
        if (removed == nullptr) return kDomInvalidArg;
        ComPtr<IXMLDOMNode> old;
        return StatusOf(node_->removeChild(removed->node_.get(), old.out()));
    }

    DomStatus AppendChild(const DomNodePtr& child) override { return InsertBefore(child, nullptr); }

    DomStatus InsertBefore(const DomNodePtr& child, const DomNodePtr& reference) override {
        MsxmlNode* inserted = Resolve(child);
        if (inserted == nullptr) return kDomInvalidArg;
        Variant before;  // empty: appended
        IXMLDOMNode* beforeNode = nullptr;
        if (reference != nullptr) {
            MsxmlNode* found = Resolve(reference);
            if (found == nullptr) return kDomInvalidArg;
            beforeNode = found->node_.get();
            before.SetObject(beforeNode);
        }
        if (!FitsAtTop(node_.get(), inserted->node_.get(), beforeNode)) return kDomFail;
        ComPtr<IXMLDOMNode> placed;
        return StatusOf(node_->insertBefore(inserted->node_.get(), before.get(), placed.out()));
    }

private:
    // A handle of this same document object, or null.
    MsxmlNode* Resolve(const DomNodePtr& node) const {
        auto* resolved = dynamic_cast<MsxmlNode*>(node.get());
        return resolved != nullptr && resolved->tree_ == tree_ ? resolved : nullptr;
    }

    std::shared_ptr<Tree> tree_;
    ComPtr<IXMLDOMNode> node_;
};

class MsxmlDocument final : public DomDocument {
public:
    explicit MsxmlDocument(std::shared_ptr<Tree> tree) : tree_(std::move(tree)) {}

    DomStatus SetAsync(bool async) override {
        async_ = async;
        return StatusOf(tree_->document->put_async(async ? VARIANT_TRUE : VARIANT_FALSE));
    }

    DomStatus Load(const char16_t* path, bool& succeeded) override {
        succeeded = false;
        if (path == nullptr) return kDomInvalidArg;
        return LoadFrom([&](ComPtr<IStream>& stream) { return ReadSource(path, stream); }, succeeded);
    }

    DomStatus LoadBytes(const char* bytes, size_t count, bool& succeeded) override {
        succeeded = false;
        if (bytes == nullptr) return kDomInvalidArg;
        return LoadFrom(
            [&](ComPtr<IStream>& stream) {
                return StreamOver(
                    count,
                    [&](unsigned char* into) {
                        std::memcpy(into, bytes, count);
                        return true;
                    },
                    stream);
            },
            succeeded);
    }

    DomStatus CreateProcessingInstruction(const char16_t* target, const char16_t* data,
                                          DomNodePtr& out) override {
        out.reset();
        if (target == nullptr || *target == u'\0') return kDomInvalidArg;
        Bstr name(target);
        Bstr content(data != nullptr ? data : u"");
        if (name.get() == nullptr || content.get() == nullptr) return kDomOutOfMemory;
        IXMLDOMProcessingInstruction* created = nullptr;
        const HRESULT result = tree_->document->createProcessingInstruction(name.get(), content.get(), &created);
        return MsxmlNode::Wrap(tree_, result, created, out);
    }

    DomStatus CreateElement(const char16_t* name, DomNodePtr& out) override {
        out.reset();
        if (name == nullptr) return kDomInvalidArg;
        Bstr text(name);
        Bstr noNamespace(u"");
        if (text.get() == nullptr || noNamespace.get() == nullptr) return kDomOutOfMemory;
        Variant kind;
        kind.SetInt(NODE_ELEMENT);
        IXMLDOMNode* created = nullptr;
        const HRESULT result = tree_->document->createNode(kind.get(), text.get(), noNamespace.get(), &created);
        return MsxmlNode::Wrap(tree_, result, created, out);
    }

    DomStatus AsNode(DomNodePtr& out) override {
        IXMLDOMNode* node = nullptr;
        const HRESULT result = tree_->document->QueryInterface(kNodeInterface, reinterpret_cast<void**>(&node));
        return MsxmlNode::Wrap(tree_, result, node, out);
    }

private:
    // Loads the stream that source(stream) gives. Whatever happens, the old
    // tree is gone; a failed load leaves the document empty. Handles into the
    // old tree keep it alive.
    template <typename Source>
    DomStatus LoadFrom(Source source, bool& succeeded) {
        std::shared_ptr<Tree> fresh;
        const DomStatus created = NewTree(tree_->apartment, async_, fresh);
        if (fresh == nullptr) return created;
        tree_ = std::move(fresh);

        ComPtr<IStream> stream;
        const DomStatus read = source(stream);
        if (read != kDomOk) return read;
        Variant from;
        from.SetObject(stream.get());
        VARIANT_BOOL loaded = VARIANT_FALSE;
        const HRESULT result = tree_->document->load(from.get(), &loaded);
        if (loaded != VARIANT_TRUE) {
            // Whatever the parser kept of a failed load goes too.
            NewTree(tree_->apartment, async_, fresh);
            if (fresh != nullptr) tree_ = std::move(fresh);
            return FAILED(result) ? StatusOf(result) : kDomNone;
        }
        succeeded = true;
        return StatusOf(result);
    }

    std::shared_ptr<Tree> tree_;
    bool async_ = true;  // MSXML's own default
};

}  // namespace

DomStatus CreateDomDocument(DomDocumentPtr& out) {
    out.reset();
    auto apartment = std::make_shared<ComApartment>();
    if (!apartment->usable()) return kDomFail;
    std::shared_ptr<Tree> tree;
    const DomStatus created = NewTree(apartment, true, tree);
    if (tree == nullptr) return created;
    out = std::make_shared<MsxmlDocument>(std::move(tree));
    return kDomOk;
}

}  // namespace clipferry::platform
