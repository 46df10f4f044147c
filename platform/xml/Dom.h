// A small XML DOM over libxml2: what the library needs to build records as XML, to read XML text
// it is given, and to find nodes in it.
//
// Document and Node are handles. Copying one gives a second handle to the same document or node,
// and every Node keeps its document alive, so a Node stays valid after the Document handle it came
// from is gone. A default-constructed Node is "Nothing": using it raises error 91.
//
// Loading never reads external entities or DTDs and never touches the network. Internal entities
// are expanded in text, but a document whose entity references would expand to more than
// MaxEntityExpansion characters is refused as a parse error (entity expansion bombs).
//
// Serialisation (xml()): UTF-8 with every character as itself (Hebrew stays Hebrew), no XML
// declaration, no indentation or added line ends; &, <, > in text and &, <, >, " in attribute
// values are written as entity references, a carriage return as &#13;. An element without children
// is written <Name/>; an element holding an empty text node is written <Name></Name>.
//
// Misuse (an invalid element name, text XML cannot hold, a node given to two parents, an invalid
// XPath expression) raises error 5 with a description that says what was wrong.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct _xmlNode;

namespace kovrin::xml {

namespace detail {
struct DocState;
}

// The error of the last loadXML: libxml2's error code, its message, and where in the text the
// parser stopped (line and position both count from 1). errorCode 0 after a successful load.
struct ParseError {
    int32_t errorCode = 0;
    std::string reason;
    int line = 0;
    int linepos = 0;
};

// A document may not expand entity references to more characters than this, all together.
inline constexpr std::size_t MaxEntityExpansion = 10'000'000;

class Node {
public:
    Node() = default;  // Nothing

    explicit operator bool() const { return node_ != nullptr; }
    bool isElement() const;
    bool isText() const;

    // The tag name of an element ("#text" for a text node, "#document" for the document).
    std::string nodeName() const;
    // The text of the node and all its descendants, in document order, entity references expanded.
    std::string text() const;
    // The node serialised (see the top of this file).
    std::string xml() const;

    // Appends `child` as the last child and returns it. The child must come from the same document,
    // must not have a parent yet, and must not be this node or one of its ancestors. A document takes
    // one element (its document element) and no text.
    Node appendChild(Node child);
    // Sets (or replaces) an attribute of an element.
    void setAttribute(std::string_view name, std::string_view value);
    // The attribute's value; empty text when the element has no such attribute.
    std::string getAttribute(std::string_view name) const;

    std::vector<Node> childNodes() const;
    Node parentNode() const;  // Nothing for the document and for nodes not appended yet

    // All descendant elements with this tag name, in document order ("*" matches every element).
    std::vector<Node> getElementsByTagName(std::string_view name) const;
    // The first node (in document order) that the XPath expression selects with this node as the
    // context node, or Nothing when it selects none.
    Node selectSingleNode(std::string_view xpath) const;
    // Every node the expression selects, in document order.
    std::vector<Node> selectNodes(std::string_view xpath) const;

    friend bool operator==(const Node& a, const Node& b) { return a.node_ == b.node_; }

private:
    friend class Document;
    Node(std::shared_ptr<detail::DocState> doc, _xmlNode* node) : doc_(std::move(doc)), node_(node) {}
    _xmlNode* get() const;  // the node, or error 91 for Nothing

    std::shared_ptr<detail::DocState> doc_;
    _xmlNode* node_ = nullptr;
};

class Document {
public:
    // A new empty document. Copies are handles to the same document: a load through one is seen
    // through all (there is no moved-from state).
    Document();
    Document(const Document&) = default;
    Document& operator=(const Document&) = default;

    // Replaces the content with the parsed text (UTF-8; an encoding named in the XML declaration is
    // ignored, since the text is already decoded). On failure answers false, leaves the document
    // empty and describes the first error in parseError(). Nodes taken from the earlier content stay
    // valid and keep that content.
    bool loadXML(std::string_view text);
    const ParseError& parseError() const;

    // The root element, or Nothing for an empty document.
    Node documentElement() const;

    // New nodes of this document, not yet in the tree (append them where they belong).
    Node createElement(std::string_view tagName);
    Node createTextNode(std::string_view data);
    // Makes `child` (an element) the document element; a document has only one.
    Node appendChild(Node child);

    std::vector<Node> getElementsByTagName(std::string_view name) const;
    Node selectSingleNode(std::string_view xpath) const;
    std::vector<Node> selectNodes(std::string_view xpath) const;

    // The whole document serialised: its top-level nodes (a DOCTYPE of a loaded document, comments,
    // processing instructions, the document element) one after another, without XML declaration.
    std::string xml() const;

private:
    struct Content;
    Node root() const;  // the document node

    std::shared_ptr<Content> content_;
};

}  // namespace kovrin::xml
