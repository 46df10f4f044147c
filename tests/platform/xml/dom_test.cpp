#include "platform/xml/Dom.h"

#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <KovrinAPI/runtime/Error.h>

#include "support/TempDir.h"
#include "support/Checks.h"

using namespace kovrin;
using namespace kovrin::xml;

using kovrin::test::errorOf;

namespace {

std::vector<std::string> names(const std::vector<Node>& nodes) {
    std::vector<std::string> out;
    for (const Node& n : nodes) out.push_back(n.nodeName() + "=" + n.text());
    return out;
}

Node element(Document& doc, const char* name, const char* text) {
    Node e = doc.createElement(name);
    e.appendChild(doc.createTextNode(text));
    return e;
}

}  // namespace

TEST(XmlDom, BuiltRecordSerialisesEscapedUtf8WithoutDeclaration) {
    Document doc;
    Node root = doc.appendChild(doc.createElement("Customer"));
    root.appendChild(element(doc, "BusinessName", "Levi & Sons <Ltd> \"א\" 'ב' לוי"));
    root.appendChild(element(doc, "Empty", ""));
    root.appendChild(doc.createElement("Bare"));
    Node doc2 = root.appendChild(doc.createElement("Document"));
    doc2.setAttribute("type", "a\"b&c<d>");

    const std::string expected =
        "<Customer><BusinessName>Levi &amp; Sons &lt;Ltd&gt; \"א\" 'ב' לוי</BusinessName><Empty></Empty><Bare/>"
        "<Document type=\"a&quot;b&amp;c&lt;d&gt;\"/></Customer>";
    EXPECT_EQ(doc.xml(), expected);
    EXPECT_EQ(root.xml(), expected);
    EXPECT_EQ(doc.documentElement(), root);
    EXPECT_EQ(doc2.getAttribute("type"), "a\"b&c<d>");
    EXPECT_EQ(doc2.getAttribute("missing"), "");

    // What was written reads back as the same values, line ends inside text included.
    root.appendChild(element(doc, "Comments", "line 1\r\nline 2"));
    Document back;
    ASSERT_TRUE(back.loadXML(doc.xml())) << back.parseError().reason;
    EXPECT_EQ(back.getElementsByTagName("BusinessName").at(0).text(), "Levi & Sons <Ltd> \"א\" 'ב' לוי");
    EXPECT_EQ(back.getElementsByTagName("Comments").at(0).text(), "line 1\r\nline 2");
    EXPECT_EQ(back.selectSingleNode("//Document").getAttribute("type"), "a\"b&c<d>");
}

TEST(XmlDom, TextNodesAppendedSideBySideStayDistinct) {
    Document doc;
    Node e = doc.appendChild(doc.createElement("Name"));
    Node a = e.appendChild(doc.createTextNode("Kovrin"));
    Node b = e.appendChild(doc.createTextNode(" Ltd"));
    EXPECT_EQ(a.text(), "Kovrin");
    EXPECT_EQ(b.text(), " Ltd");
    EXPECT_EQ(e.text(), "Kovrin Ltd");
    EXPECT_EQ(e.childNodes().size(), 2u);
    EXPECT_EQ(b.parentNode(), e);
    EXPECT_TRUE(a.isText());
    EXPECT_EQ(a.nodeName(), "#text");
    EXPECT_EQ(doc.xml(), "<Name>Kovrin Ltd</Name>");
}

TEST(XmlDom, MisuseRaisesClearErrors) {
    Document doc;
    Node root = doc.appendChild(doc.createElement("Root"));
    Node child = root.appendChild(doc.createElement("Child"));
    Node loose = doc.createElement("Loose");
    Document other;
    Node foreign = other.createElement("Foreign");

    auto expect5 = [](auto f, const std::string& part) {
        Error e = errorOf(f);
        EXPECT_EQ(e.number(), 5);
        EXPECT_NE(e.description().find(part), std::string::npos) << e.description();
    };
    expect5([&] { root.appendChild(child); }, "already has a parent");
    expect5([&] { loose.appendChild(loose); }, "itself");
    expect5([&] {
        Node inner = loose.appendChild(doc.createElement("Inner"));
        inner.appendChild(loose);  // loose has no parent, but is inner's ancestor
    }, "descendants");
    expect5([&] { root.appendChild(foreign); }, "another document");
    expect5([&] { doc.appendChild(loose); }, "one top level element");
    expect5([&] { other.appendChild(other.createTextNode("x")); }, "Text cannot");
    expect5([&] { doc.createTextNode("t").appendChild(loose); }, "cannot have children");
    expect5([&] { doc.createElement("Bad Name"); }, "'Bad Name' is not a valid XML element name");
    expect5([&] { doc.createElement(""); }, "not a valid XML element name");
    expect5([&] { root.setAttribute("1st", "x"); }, "not a valid XML attribute name");
    expect5([&] { doc.createTextNode("tab\tok, vertical\vtab not"); }, "(U+000B)");
    expect5([&] { doc.createTextNode(std::string("nul\0byte", 8)); }, "(U+0000)");
    expect5([&] { doc.createTextNode("\xD7\x90\xD7"); }, "not valid UTF-8");
    expect5([&] { root.setAttribute("a", "\x01"); }, "(U+0001)");
    expect5([&] { root.selectSingleNode("Child["); }, "'Child[' is not a valid XPath expression");
    expect5([&] { root.selectSingleNode("count(Child)"); }, "does not select nodes");

    Node nothing;
    EXPECT_FALSE(nothing);
    EXPECT_EQ(errorOf([&] { nothing.text(); }).number(), 91);
    EXPECT_EQ(errorOf([&] { root.appendChild(Node()); }).number(), 91);
    // Nothing was half-done by the failures above.
    EXPECT_EQ(doc.xml(), "<Root><Child/></Root>");
}

TEST(XmlDom, NodesKeepTheirDocumentAlive) {
    Node kept;
    {
        Document doc;
        kept = doc.appendChild(doc.createElement("Kept"));
        kept.appendChild(doc.createTextNode("still here"));
        doc.createElement("NeverAppended").appendChild(doc.createTextNode("freed with the document"));
    }
    EXPECT_EQ(kept.xml(), "<Kept>still here</Kept>");

    Document doc;
    ASSERT_TRUE(doc.loadXML("<a><b>first</b></a>"));
    Node b = doc.getElementsByTagName("b").at(0);
    ASSERT_TRUE(doc.loadXML("<a><b>second</b></a>"));
    EXPECT_EQ(b.text(), "first");
    EXPECT_EQ(doc.getElementsByTagName("b").at(0).text(), "second");
    EXPECT_FALSE(doc.loadXML("<broken"));
    EXPECT_EQ(b.text(), "first");

    // Copies of a Document are handles to one document.
    Document copy = doc;
    ASSERT_TRUE(copy.loadXML("<c/>"));
    EXPECT_EQ(doc.xml(), "<c/>");
    EXPECT_EQ(doc.parseError().errorCode, 0);
}

TEST(XmlDom, LoadFailureReportsTheFirstErrorWithLineAndPosition) {
    Document doc;
    EXPECT_FALSE(doc.loadXML("<Kovrin>\n  <CustomerID>5</CustomerId>\n</Kovrin>"));
    EXPECT_EQ(doc.parseError().errorCode, 76);  // XML_ERR_TAG_NAME_MISMATCH, not the errors that follow it
    EXPECT_EQ(doc.parseError().reason, "Opening and ending tag mismatch: CustomerID line 2 and CustomerId");
    EXPECT_EQ(doc.parseError().line, 2);
    EXPECT_EQ(doc.parseError().linepos, 29);  // just after the offending end tag
    EXPECT_FALSE(doc.documentElement());
    EXPECT_EQ(doc.xml(), "");

    EXPECT_FALSE(doc.loadXML(""));
    EXPECT_EQ(doc.parseError().errorCode, 4);
    EXPECT_EQ(doc.parseError().reason, "Document is empty");
    EXPECT_EQ(doc.parseError().line, 1);

    EXPECT_FALSE(doc.loadXML("<a>\xD7</a>"));
    EXPECT_NE(doc.parseError().reason.find("UTF-8"), std::string::npos) << doc.parseError().reason;

    ASSERT_TRUE(doc.loadXML("<a/>"));
    EXPECT_EQ(doc.parseError().errorCode, 0);
    EXPECT_EQ(doc.parseError().reason, "");
}

TEST(XmlDom, LoadedTextIsUtf8WhateverTheDeclarationSays) {
    Document doc;
    ASSERT_TRUE(doc.loadXML("<?xml version=\"1.0\" encoding=\"windows-1255\"?>\r\n<Kovrin><Name>שלום &amp; co</Name></Kovrin>"))
        << doc.parseError().reason;
    EXPECT_EQ(doc.getElementsByTagName("Name").at(0).text(), "שלום & co");
    EXPECT_EQ(doc.xml(), "<Kovrin><Name>שלום &amp; co</Name></Kovrin>");
}

TEST(XmlDom, FindsElementsByTagNameInDocumentOrder) {
    Document doc;
    ASSERT_TRUE(doc.loadXML(
        "<Kovrin><ChargeVAT>outer-first</ChargeVAT>"
        "<LineItems><LineItem number=\"1\"><ItemDescription>pen</ItemDescription><ChargeVAT>False</ChargeVAT></LineItem>"
        "<LineItem number=\"2\"><ItemDescription>ink <b>blue</b></ItemDescription></LineItem></LineItems>"
        "<x:ChargeVAT xmlns:x=\"urn:x\">prefixed</x:ChargeVAT></Kovrin>"));
    EXPECT_EQ(names(doc.getElementsByTagName("ChargeVAT")),
              (std::vector<std::string>{"ChargeVAT=outer-first", "ChargeVAT=False"}));
    EXPECT_EQ(names(doc.getElementsByTagName("x:ChargeVAT")), (std::vector<std::string>{"x:ChargeVAT=prefixed"}));
    EXPECT_TRUE(doc.getElementsByTagName("Missing").empty());
    EXPECT_EQ(doc.getElementsByTagName("*").size(), 10u);

    std::vector<Node> lines = doc.getElementsByTagName("LineItem");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].getAttribute("number"), "2");
    // The text of an element takes in its descendants.
    EXPECT_EQ(lines[1].text(), "ink blue");
    // Below an element only its own descendants count.
    EXPECT_EQ(names(lines[0].getElementsByTagName("ChargeVAT")), (std::vector<std::string>{"ChargeVAT=False"}));
    EXPECT_TRUE(lines[1].getElementsByTagName("ChargeVAT").empty());
}

TEST(XmlDom, SelectsNodesRelativeToANode) {
    Document doc;
    ASSERT_TRUE(doc.loadXML(
        "<Kovrin><Currency>USD</Currency><LineItem><UnitPrice>10</UnitPrice><Currency></Currency></LineItem>"
        "<LineItem><UnitPrice>20</UnitPrice></LineItem></Kovrin>"));
    std::vector<Node> lines = doc.getElementsByTagName("LineItem");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].selectSingleNode("UnitPrice").text(), "20");
    Node empty = lines[0].selectSingleNode("Currency");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty.text(), "");
    EXPECT_FALSE(lines[1].selectSingleNode("Currency"));  // the header's Currency is not below this line
    EXPECT_EQ(lines[1].selectSingleNode("//Currency").text(), "USD");
    EXPECT_EQ(names(doc.selectNodes("//UnitPrice")), (std::vector<std::string>{"UnitPrice=10", "UnitPrice=20"}));
    EXPECT_EQ(doc.selectSingleNode("/Kovrin/LineItem[2]/UnitPrice").text(), "20");
    EXPECT_TRUE(lines[0].selectNodes("Missing").empty());
}

TEST(XmlDom, InternalEntitiesExpandInText) {
    Document doc;
    ASSERT_TRUE(doc.loadXML("<!DOCTYPE Kovrin [<!ENTITY co \"Kovrin &amp; Co\">]><Kovrin><Name a=\"&co;\">&co;!</Name></Kovrin>"))
        << doc.parseError().reason;
    Node name = doc.getElementsByTagName("Name").at(0);
    EXPECT_EQ(name.text(), "Kovrin & Co!");
    EXPECT_EQ(name.getAttribute("a"), "Kovrin & Co");
}

TEST(XmlDom, NeverReadsExternalEntitiesOrDtds) {
    test::TempDir dir;
    std::string secret = dir.file("secret.txt");
    std::ofstream(secret) << "TOP-SECRET";
    std::string dtd = dir.file("defaults.dtd");
    std::ofstream(dtd) << "<!ATTLIST Kovrin leaked CDATA \"TOP-SECRET\"><!ENTITY inDtd \"TOP-SECRET\">";

    const std::vector<std::string> hostile = {
        "<!DOCTYPE Kovrin [<!ENTITY e SYSTEM \"file://" + secret + "\">]><Kovrin>&e;</Kovrin>",
        "<!DOCTYPE Kovrin [<!ENTITY e SYSTEM \"" + secret + "\">]><Kovrin><Name>&e;</Name></Kovrin>",
        "<!DOCTYPE Kovrin SYSTEM \"" + dtd + "\"><Kovrin/>",
        "<!DOCTYPE Kovrin [<!ENTITY % p SYSTEM \"" + dtd + "\"> %p;]><Kovrin/>",
        "<!DOCTYPE Kovrin [<!ENTITY e SYSTEM \"http://127.0.0.1:9/secret\">]><Kovrin>&e;</Kovrin>",
    };
    for (const std::string& text : hostile) {
        Document doc;
        if (!doc.loadXML(text)) continue;  // refusing is as good as not reading
        Node root = doc.documentElement();
        EXPECT_EQ(root.text().find("TOP-SECRET"), std::string::npos) << text;
        EXPECT_EQ(root.getAttribute("leaked"), "") << text;
        EXPECT_EQ(doc.xml().find("TOP-SECRET"), std::string::npos) << text;
    }
}

TEST(XmlDom, RefusesEntityExpansionBombs) {
    std::string lolz = "<!DOCTYPE lolz [<!ENTITY lol \"lol\">";
    for (int i = 1; i <= 9; ++i) {
        lolz += "<!ENTITY lol" + std::to_string(i) + " \"";
        for (int j = 0; j < 10; ++j) lolz += "&lol" + (i == 1 ? std::string() : std::to_string(i - 1)) + ";";
        lolz += "\">";
    }
    lolz += "]>";

    Document doc;
    EXPECT_FALSE(doc.loadXML(lolz + "<lolz>&lol9;</lolz>"));
    EXPECT_EQ(doc.parseError().errorCode, 89);
    EXPECT_FALSE(doc.loadXML(lolz + "<lolz a=\"&lol9;\"/>"));
    EXPECT_EQ(doc.parseError().errorCode, 89);

    // Wide rather than deep: one 10,000-character entity used 2,000 times in text or attributes.
    std::string wide = "<!DOCTYPE x [<!ENTITY a \"" + std::string(10'000, 'a') + "\">]>\n<x>\n<y>";
    std::string refs;
    for (int i = 0; i < 2'000; ++i) refs += "&a;";
    EXPECT_FALSE(doc.loadXML(wide + refs + "</y></x>"));
    EXPECT_EQ(doc.parseError().errorCode, 89);
    EXPECT_EQ(doc.parseError().reason, "Entity references expand to more than 10000000 characters.");
    EXPECT_EQ(doc.parseError().line, 3);
    EXPECT_FALSE(doc.loadXML(wide + "</y><z a=\"" + refs + "\"/></x>"));
    EXPECT_EQ(doc.parseError().errorCode, 89);

    // The same entity used moderately is fine.
    ASSERT_TRUE(doc.loadXML(wide + "&a;&a;</y></x>"));
    EXPECT_EQ(doc.documentElement().text().size(), 20'001u);
}

TEST(XmlDom, RefusesDocumentsBeyondTheParserLimits) {
    Document doc;
    std::string deep;
    for (int i = 0; i < 5'000; ++i) deep += "<a>";
    EXPECT_FALSE(doc.loadXML(deep));
    EXPECT_NE(doc.parseError().reason.find("depth"), std::string::npos) << doc.parseError().reason;

    std::string huge = "<a>" + std::string(11'000'000, 'x') + "</a>";
    EXPECT_FALSE(doc.loadXML(huge));
    EXPECT_NE(doc.parseError().errorCode, 0);
    EXPECT_FALSE(doc.documentElement());
}

TEST(XmlDom, DocumentsOnSeveralThreadsDoNotInterfere) {
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &failures] {
            for (int i = 0; i < 200; ++i) {
                Document built;
                Node root = built.appendChild(built.createElement("T"));
                root.appendChild(built.createTextNode(std::to_string(t * 1000 + i)));
                Document read;
                bool ok = read.loadXML(built.xml()) && read.documentElement().text() == std::to_string(t * 1000 + i);
                Document bad;
                ok = ok && !bad.loadXML("<a><b></a>") && bad.parseError().errorCode == 76;
                if (!ok) ++failures[t];
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(failures, std::vector<int>(4, 0));
}
