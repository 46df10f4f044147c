#include "Dom.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_map>

#include <fmt/format.h>
#include <libxml/chvalid.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlsave.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <KovrinAPI/runtime/Error.h>

namespace kovrin::xml {

namespace detail {

// One libxml2 document and the nodes created for it. Nodes created but never appended belong to
// no tree, so xmlFreeDoc would not free them: they are freed here, before the document whose
// dictionary their names may live in.
struct DocState {
    xmlDocPtr doc;
    std::vector<xmlNodePtr> created;

    explicit DocState(xmlDocPtr d) : doc(d) {}
    DocState(const DocState&) = delete;
    DocState& operator=(const DocState&) = delete;
    ~DocState() {
        // All parents are looked at before any node is freed; a loose node frees its subtree.
        auto looseEnd = std::partition(created.begin(), created.end(), [](xmlNodePtr n) { return n->parent == nullptr; });
        std::for_each(created.begin(), looseEnd, xmlFreeNode);
        xmlFreeDoc(doc);
    }
};

}  // namespace detail

namespace {

using detail::DocState;

constexpr int32_t NotSet = 91;

void ensureInit() {
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });
}

template <class T>
T* check(T* p) {
    if (p == nullptr) throw std::bad_alloc();
    return p;
}

[[noreturn]] void misuse(std::string description) { raiseError(err::InvalidCall, std::move(description)); }

const xmlChar* xc(const std::string& s) { return reinterpret_cast<const xmlChar*>(s.c_str()); }

// Takes over a string libxml2 allocated.
std::string take(xmlChar* s) {
    struct Free {
        void operator()(xmlChar* p) const { xmlFree(p); }
    };
    std::unique_ptr<xmlChar, Free> owned(s);
    return s == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(s));
}

std::shared_ptr<DocState> own(xmlDocPtr doc) {
    try {
        return std::make_shared<DocState>(doc);
    } catch (...) {
        xmlFreeDoc(doc);
        throw;
    }
}

std::shared_ptr<DocState> newState() {
    ensureInit();
    return own(check(xmlNewDoc(BAD_CAST "1.0")));
}

void requireName(const std::string& name, const char* what) {
    if (name.find('\0') != std::string::npos || xmlValidateName(xc(name), 0) != 0)
        misuse(fmt::format("'{}' is not a valid XML {} name.", name, what));
}

// Text that a serialised document can hold: valid UTF-8 of characters XML 1.0 allows.
void requireXmlText(const std::string& s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    std::size_t rest = s.size();
    while (rest > 0) {
        int len = static_cast<int>(std::min<std::size_t>(rest, 4));
        int c = *p == 0 ? 0 : xmlGetUTF8Char(p, &len);
        if (c < 0) misuse("The text is not valid UTF-8.");
        if (!xmlIsCharQ(c)) misuse(fmt::format("The text contains a character that XML cannot hold (U+{:04X}).", c));
        p += len;
        rest -= static_cast<std::size_t>(len);
    }
}

std::string elementName(xmlNodePtr n) {
    std::string name = reinterpret_cast<const char*>(n->name);
    if (n->ns != nullptr && n->ns->prefix != nullptr) name = reinterpret_cast<const char*>(n->ns->prefix) + (":" + name);
    return name;
}

// The next node of a pre-order walk below `top` (children first, then siblings, then up).
xmlNodePtr nextInTree(xmlNodePtr n, xmlNodePtr top) {
    if (n->children != nullptr && (n->type == XML_ELEMENT_NODE || n->type == XML_DOCUMENT_NODE)) return n->children;
    while (n != top) {
        if (n->next != nullptr) return n->next;
        n = n->parent;
    }
    return nullptr;
}

std::string serialise(xmlNodePtr n) {
    std::unique_ptr<xmlBuffer, decltype(&xmlBufferFree)> buf(check(xmlBufferCreate()), xmlBufferFree);
    xmlSaveCtxtPtr ctxt = check(xmlSaveToBuffer(buf.get(), "UTF-8", XML_SAVE_NO_DECL | XML_SAVE_AS_XML));
    xmlSaveTree(ctxt, n);
    xmlSaveClose(ctxt);
    return std::string(reinterpret_cast<const char*>(xmlBufferContent(buf.get())),
                       static_cast<std::size_t>(xmlBufferLength(buf.get())));
}

// Counts the characters that entity references would produce, to refuse expansion bombs before
// anyone asks for the text. Each entity's size is computed once.
class ExpansionCount {
public:
    explicit ExpansionCount(xmlDocPtr doc) : doc_(doc) {}

    // The first node whose references take the total past the limit, or nullptr.
    xmlNodePtr firstOverLimit() {
        std::size_t total = 0;
        for (xmlNodePtr n = doc_->children; n != nullptr; n = nextInTree(n, reinterpret_cast<xmlNodePtr>(doc_))) {
            std::size_t here = 0;
            if (n->type == XML_ENTITY_REF_NODE) here = entitySize(n->name);
            if (n->type == XML_ELEMENT_NODE)
                for (xmlAttrPtr a = n->properties; a != nullptr; a = a->next) here = add(here, refsIn(a->children));
            total = add(total, here);
            if (total > MaxEntityExpansion) return n;
        }
        return nullptr;
    }

private:
    static std::size_t add(std::size_t a, std::size_t b) { return std::min(a + b, MaxEntityExpansion + 1); }

    std::size_t refsIn(xmlNodePtr list) {
        std::size_t size = 0;
        for (xmlNodePtr n = list; n != nullptr; n = n->next)
            if (n->type == XML_ENTITY_REF_NODE) size = add(size, entitySize(n->name));
        return size;
    }

    // All the text a node list stands for, references expanded.
    std::size_t contentSize(xmlNodePtr list) {
        std::size_t size = 0;
        for (xmlNodePtr n = list; n != nullptr && size <= MaxEntityExpansion; n = n->next) {
            switch (n->type) {
            case XML_TEXT_NODE:
            case XML_CDATA_SECTION_NODE:
                if (n->content != nullptr) size = add(size, std::strlen(reinterpret_cast<const char*>(n->content)));
                break;
            case XML_ENTITY_REF_NODE: size = add(size, entitySize(n->name)); break;
            case XML_ELEMENT_NODE:
                size = add(size, contentSize(n->children));
                for (xmlAttrPtr a = n->properties; a != nullptr; a = a->next) size = add(size, contentSize(a->children));
                break;
            default: break;
            }
        }
        return size;
    }

    std::size_t entitySize(const xmlChar* name) {
        xmlEntityPtr ent = xmlGetDocEntity(doc_, name);
        if (ent == nullptr) return 0;
        auto [it, fresh] = sizes_.try_emplace(ent, MaxEntityExpansion + 1);  // a loop counts as too big
        if (fresh) {
            std::size_t size = contentSize(ent->children);
            sizes_[ent] = size;  // the map may have grown meanwhile: look the entry up again
            return size;
        }
        return it->second;
    }

    xmlDocPtr doc_;
    std::unordered_map<xmlEntityPtr, std::size_t> sizes_;
};

// Keeps the first error (not warning) the parser reports.
void keepFirstError(void* userData, xmlErrorPtr error) {
    auto* ctxt = static_cast<xmlParserCtxtPtr>(userData);
    auto* first = ctxt == nullptr ? nullptr : static_cast<ParseError*>(ctxt->_private);
    if (first == nullptr || error == nullptr || error->level < XML_ERR_ERROR || first->errorCode != 0) return;
    first->errorCode = error->code;
    first->reason = error->message != nullptr ? error->message : "";
    while (!first->reason.empty() && (first->reason.back() == '\n' || first->reason.back() == ' ')) first->reason.pop_back();
    first->line = error->line;
    first->linepos = error->int2;
}

void ignoreXPathError(void*, xmlErrorPtr) {}

// Grows the list before a node is created, so recording the new node cannot throw and leak it.
void makeRoomForOne(std::vector<xmlNodePtr>& v) {
    if (v.size() == v.capacity()) v.reserve(v.empty() ? 16 : v.size() * 2);
}

// Evaluates an XPath expression with `context` as the context node; the selected nodes in
// document order.
std::vector<xmlNodePtr> evaluate(xmlDocPtr doc, xmlNodePtr context, std::string_view expression) {
    std::string expr(expression);
    std::unique_ptr<xmlXPathContext, decltype(&xmlXPathFreeContext)> ctx(check(xmlXPathNewContext(doc)), xmlXPathFreeContext);
    ctx->node = context;
    ctx->error = ignoreXPathError;  // reported below instead of printed
    std::unique_ptr<xmlXPathObject, decltype(&xmlXPathFreeObject)> result(
        expr.find('\0') == std::string::npos ? xmlXPathEval(xc(expr), ctx.get()) : nullptr, xmlXPathFreeObject);
    if (!result) {
        std::string reason = ctx->lastError.message != nullptr ? ctx->lastError.message : "";
        while (!reason.empty() && reason.back() == '\n') reason.pop_back();
        misuse(fmt::format("'{}' is not a valid XPath expression{}{}", expr, reason.empty() ? "" : ": ", reason));
    }
    if (result->type != XPATH_NODESET) misuse(fmt::format("The XPath expression '{}' does not select nodes.", expr));
    std::vector<xmlNodePtr> nodes;
    if (xmlNodeSetPtr set = result->nodesetval; set != nullptr) {
        xmlXPathNodeSetSort(set);
        for (int i = 0; i < set->nodeNr; ++i)
            if (set->nodeTab[i]->type != XML_NAMESPACE_DECL) nodes.push_back(set->nodeTab[i]);  // those die with `result`
    }
    return nodes;
}

}  // namespace

// ---- Node ----

xmlNodePtr Node::get() const {
    if (node_ == nullptr) raiseError(NotSet, "Object variable or With block variable not set");
    return node_;
}

bool Node::isElement() const { return get()->type == XML_ELEMENT_NODE; }

bool Node::isText() const { return get()->type == XML_TEXT_NODE; }

std::string Node::nodeName() const {
    xmlNodePtr n = get();
    switch (n->type) {
    case XML_ELEMENT_NODE: return elementName(n);
    case XML_TEXT_NODE: return "#text";
    case XML_CDATA_SECTION_NODE: return "#cdata-section";
    case XML_COMMENT_NODE: return "#comment";
    case XML_DOCUMENT_NODE: return "#document";
    default: return n->name != nullptr ? reinterpret_cast<const char*>(n->name) : "";
    }
}

std::string Node::text() const { return take(xmlNodeGetContent(get())); }

std::string Node::xml() const {
    xmlNodePtr n = get();
    if (n->type != XML_DOCUMENT_NODE) return serialise(n);
    std::string out;
    for (xmlNodePtr top = n->children; top != nullptr; top = top->next) {
        if (!out.empty()) out += '\n';
        out += serialise(top);
    }
    return out;
}

Node Node::appendChild(Node child) {
    xmlNodePtr parent = get();
    xmlNodePtr c = child.get();
    if (child.doc_ != doc_) misuse("The node belongs to another document.");
    if (c->parent != nullptr) misuse("The node already has a parent.");
    if (c->type != XML_ELEMENT_NODE && c->type != XML_TEXT_NODE) misuse("Only elements and text can be appended.");
    if (parent->type == XML_DOCUMENT_NODE) {
        if (c->type != XML_ELEMENT_NODE) misuse("Text cannot be added to the document itself.");
        if (xmlDocGetRootElement(reinterpret_cast<xmlDocPtr>(parent)) != nullptr)
            misuse("Only one top level element is allowed in an XML document.");
    } else if (parent->type != XML_ELEMENT_NODE) {
        misuse(fmt::format("A node of type {} cannot have children.", nodeName()));
    }
    for (xmlNodePtr up = parent; up != nullptr; up = up->parent)
        if (up == c) misuse("A node cannot be appended to itself or to one of its descendants.");
    // Linked by hand: xmlAddChild would merge adjacent text nodes and free the one appended,
    // leaving its handle dangling.
    c->parent = parent;
    c->prev = parent->last;
    c->next = nullptr;
    if (parent->last != nullptr) parent->last->next = c;
    else parent->children = c;
    parent->last = c;
    return child;
}

void Node::setAttribute(std::string_view name, std::string_view value) {
    xmlNodePtr n = get();
    if (n->type != XML_ELEMENT_NODE) misuse("Only elements have attributes.");
    std::string nm(name), val(value);
    requireName(nm, "attribute");
    requireXmlText(val);
    check(xmlSetProp(n, xc(nm), xc(val)));
}

std::string Node::getAttribute(std::string_view name) const {
    xmlNodePtr n = get();
    if (n->type != XML_ELEMENT_NODE) return {};
    return take(xmlGetProp(n, xc(std::string(name))));
}

std::vector<Node> Node::childNodes() const {
    std::vector<Node> out;
    for (xmlNodePtr c = get()->children; c != nullptr; c = c->next) out.push_back(Node(doc_, c));
    return out;
}

Node Node::parentNode() const {
    xmlNodePtr p = get()->parent;
    return p == nullptr ? Node() : Node(doc_, p);
}

std::vector<Node> Node::getElementsByTagName(std::string_view name) const {
    xmlNodePtr top = get();
    std::vector<Node> out;
    if (top->type != XML_ELEMENT_NODE && top->type != XML_DOCUMENT_NODE) return out;
    for (xmlNodePtr n = top->children; n != nullptr; n = nextInTree(n, top))
        if (n->type == XML_ELEMENT_NODE && (name == "*" || elementName(n) == name)) out.push_back(Node(doc_, n));
    return out;
}

Node Node::selectSingleNode(std::string_view xpath) const {
    std::vector<xmlNodePtr> nodes = evaluate(doc_->doc, get(), xpath);
    return nodes.empty() ? Node() : Node(doc_, nodes.front());
}

std::vector<Node> Node::selectNodes(std::string_view xpath) const {
    std::vector<Node> out;
    for (xmlNodePtr n : evaluate(doc_->doc, get(), xpath)) out.push_back(Node(doc_, n));
    return out;
}

// ---- Document ----

// What every copy of a Document handle shares: the current content and the last parse error.
struct Document::Content {
    std::shared_ptr<DocState> state;
    ParseError parseError;
};

Document::Document() : content_(std::make_shared<Content>(Content{newState(), {}})) {}

const ParseError& Document::parseError() const { return content_->parseError; }

Node Document::root() const {
    return Node(content_->state, reinterpret_cast<xmlNodePtr>(content_->state->doc));
}

bool Document::loadXML(std::string_view text) {
    ensureInit();
    ParseError first;
    xmlDocPtr parsed = nullptr;
    if (text.size() > static_cast<std::size_t>(INT_MAX)) {
        first = {XML_ERR_USER_STOP, fmt::format("The document is larger than {} bytes.", INT_MAX), 0, 0};
    } else {
        std::unique_ptr<xmlParserCtxt, decltype(&xmlFreeParserCtxt)> ctxt(check(xmlNewParserCtxt()), xmlFreeParserCtxt);
        ctxt->_private = &first;
        ctxt->sax->serror = keepFirstError;
        // No NOENT (entities stay references, external ones are never loaded), no DTDLOAD, no HUGE
        // (libxml2's size and depth limits stay on), no network. The text is UTF-8 already.
        int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_IGNORE_ENC;
        parsed = xmlCtxtReadMemory(ctxt.get(), text.empty() ? "" : text.data(), static_cast<int>(text.size()), nullptr,
                                   "UTF-8", options);
        if (parsed == nullptr && first.errorCode == 0) {
            const xmlError& last = ctxt->lastError;
            first = {last.code != 0 ? last.code : XML_ERR_INTERNAL_ERROR,
                     last.message != nullptr ? last.message : "The document could not be read.", last.line, last.int2};
            while (!first.reason.empty() && first.reason.back() == '\n') first.reason.pop_back();
        }
    }
    if (parsed != nullptr) {
        auto state = own(parsed);
        xmlNodePtr bomb = ExpansionCount(parsed).firstOverLimit();
        if (bomb == nullptr) {
            content_->state = std::move(state);
            content_->parseError = {};
            return true;
        }
        xmlNodePtr at = bomb->type == XML_ELEMENT_NODE ? bomb : bomb->parent;
        first = {XML_ERR_ENTITY_LOOP, fmt::format("Entity references expand to more than {} characters.", MaxEntityExpansion),
                 at != nullptr ? static_cast<int>(xmlGetLineNo(at)) : 0, 0};
    }
    content_->state = newState();
    content_->parseError = std::move(first);
    return false;
}

Node Document::documentElement() const {
    xmlNodePtr r = xmlDocGetRootElement(content_->state->doc);
    return r == nullptr ? Node() : Node(content_->state, r);
}

Node Document::createElement(std::string_view tagName) {
    std::string name(tagName);
    requireName(name, "element");
    DocState& state = *content_->state;
    makeRoomForOne(state.created);
    xmlNodePtr n = check(xmlNewDocNode(state.doc, nullptr, xc(name), nullptr));
    state.created.push_back(n);
    return Node(content_->state, n);
}

Node Document::createTextNode(std::string_view data) {
    std::string s(data);
    if (s.size() > static_cast<std::size_t>(INT_MAX)) misuse("The text is too long for one text node.");
    requireXmlText(s);
    DocState& state = *content_->state;
    makeRoomForOne(state.created);
    xmlNodePtr n = check(xmlNewDocTextLen(state.doc, xc(s), static_cast<int>(s.size())));
    state.created.push_back(n);
    return Node(content_->state, n);
}

Node Document::appendChild(Node child) { return root().appendChild(std::move(child)); }

std::vector<Node> Document::getElementsByTagName(std::string_view name) const { return root().getElementsByTagName(name); }

Node Document::selectSingleNode(std::string_view xpath) const { return root().selectSingleNode(xpath); }

std::vector<Node> Document::selectNodes(std::string_view xpath) const { return root().selectNodes(xpath); }

std::string Document::xml() const { return root().xml(); }

}  // namespace kovrin::xml
