// One stored invoice with its lines as XML text.
#include <vector>

#include <KovrinAPI/runtime/Procedure.h>
#include <KovrinAPI/runtime/Text.h>

#include "DocumentKinds.h"
#include "DocumentRead.h"
#include "api/core/Connection.h"
#include "api/core/DebugLog.h"
#include "api/core/Rows.h"
#include "api/core/State.h"
#include "api/core/modUtils.h"
#include "platform/xml/Dom.h"

namespace kovrin::modKovrin {

namespace {

constexpr const char* CrLf = "\r\n";

// Element names and the column each shows, paired by position.
constexpr const char* HeaderNames =
    "CustomersID,   BusinessName,  Address1,  Address2,  City,  PostalCode,  ContactDetails,  Phone1,"
    "CustomerOsekMorshe,  Fax,  TrxCodesID, DocDate, DocComments,DocDetails,  Total1,RebatePercent,    "
    "RebateAmount,    RoundTotal,   RebateRoundAmount,   TotalBeforeVat,   ChargeVAT,VAT,  VATAmount,GrandTotal, "
    "StatusID, ReceiptNumbers, DueDate";
constexpr const char* HeaderColumns =
    "iCustomersID,vcBusinessName,vcAddress1,vcAddress2,vcCity,vcPostalCode,vcContactDetails,vcPhone1,"
    "vcCustomerOsekMorshe,vcFax1,iTrxCodesID,datxDate,vcComments, vcDetails, curTotal1,fltRebatePrcnt,"
    "curRebateAmount,blnRebateRound,curRebateRoundAmount,curTotalBeforeVat,blnChargeVAT,zzVAT,curVat,curGrandTotal,"
    "iStatusID,iReceiptNumber,datDueDate";
constexpr const char* LineNames =
    "ItemDescription,  ItemQuantity,  UnitPrice,  Currency,      CurrencyRate,  ExtendedPrice,   ChargeVAT";
constexpr const char* LineColumns =
    "vcItemDescription,iItemQty,   curUnitPrice,vcCurrencySymbol,curRate,       curExtendedPrice,blnChargeVAT";

std::vector<std::string> splitTrimmed(std::string_view list) {
    std::vector<std::string> items;
    for (std::size_t start = 0;;) {
        const std::size_t comma = list.find(',', start);
        items.push_back(text::trim(list.substr(start, comma - start)));
        if (comma == std::string_view::npos) return items;
        start = comma + 1;
    }
}

// The lists above, split once.
struct ElementLists {
    std::vector<std::string> headerNames, headerColumns, lineNames, lineColumns;
};
const ElementLists& lists() {
    static const ElementLists split{splitTrimmed(HeaderNames), splitTrimmed(HeaderColumns), splitTrimmed(LineNames),
                                    splitTrimmed(LineColumns)};
    return split;
}

// The VAT rate in percent that the stored amounts imply, rounded to two places; "" when the
// invoice has nothing but VAT.
std::string vatPercent(const db::Recordset& rs) {
    const Currency vat = CCur(modUtils::MyNz(rs.Fields("curVat"), Variant(0)));
    const Currency net = CCur(modUtils::MyNz(rs.Fields("curGrandTotal"), Variant(0))) - vat;
    if (net == Currency()) return {};
    return CStr(Variant(roundHalfEven(vat.toDouble() / net.toDouble() * 100 * 100) / 100));
}

// One element per name, its text made from the paired column of the row.
template <class Value>
void appendElements(xml::Document& doc, xml::Node parent, const std::vector<std::string>& n,
                    const std::vector<std::string>& c, Value value) {
    for (std::size_t i = 0; i < n.size(); ++i) {
        xml::Node element = doc.createElement(n[i]);
        element.appendChild(doc.createTextNode(value(c[i])));
        parent.appendChild(element);
    }
}

}  // namespace

std::string PopulateInvoiceXML(const db::Recordset& rs) {
    return passOn("modKovrin.PopulateInvoiceXML", [&](Line& line) -> std::string {
        line(10);
        if (rs.Eof()) return {};
        line(20);
        xml::Document doc;
        xml::Node document = doc.appendChild(doc.createElement("Document"));
        document.setAttribute("type", "Invoice");
        line(30);
        appendElements(doc, document, lists().headerNames, lists().headerColumns, [&](const std::string& key) {
            if (key.starts_with("dat")) return modUtils::CXMLDate(rs.Fields(key));
            if (key.starts_with("z")) return vatPercent(rs);
            return core::textOf(rs.Fields(key));
        });
        // Only a document that has an allocation number gets the element: others read as before.
        const std::string allocation = core::textOf(rs.Fields("vcAllocationNumber"));
        if (!allocation.empty()) {
            xml::Node element = doc.createElement("AllocationNumber");
            element.appendChild(doc.createTextNode(allocation));
            document.appendChild(element);
        }
        line(40);
        db::Recordset lines = core::query("SELECT * FROM InvoiceLines WHERE iInvoicesID=" +
                                          core::textOf(rs.Fields("iInvoicesID")) + " AND iBusinessID=" +
                                          core::businessIdText() + " ORDER BY iInvoiceLinesID");
        xml::Node items = doc.createElement("LineItems");
        line(50);
        for (int32_t number = 1; !lines.Eof(); ++number) {
            items.appendChild(PopulateInvoiceXML(lines, doc, number));
            lines.MoveNext();
        }
        lines.Close();
        line(60);
        document.appendChild(items);
        return document.xml();
    });
}

xml::Node PopulateInvoiceXML(const db::Recordset& rs, xml::Document& doc, int32_t lineNumber) {
    return passOn("modKovrin.PopulateInvoiceXML", [&](Line& line) -> xml::Node {
        line(10);
        if (rs.Eof()) return {};
        line(20);
        xml::Node item = doc.createElement("LineItem");
        item.setAttribute("number", std::to_string(lineNumber));
        appendElements(doc, item, lists().lineNames, lists().lineColumns, [&](const std::string& key) {
            if (key == "vcCurrencySymbol") return modUtils::CurrencySymbolToName(Variant(core::textOf(rs.Fields(key))));
            return core::textOf(rs.Fields(key));
        });
        return item;
    });
}

std::string GetInvoicesByQueryXML(int32_t iInvoiceNumber, bool& DebugMode) {
    return passOn("modKovrin.GetInvoicesByQueryXML", [&](Line& line) {
        line(10);
        OpenConnection(DebugMode);
        line(20);
        const documents::DocumentKind& invoices = documents::kindOf(ObjectType::Invoice);
        db::Recordset rs = core::query(std::string("SELECT * FROM ") + invoices.header + " WHERE " +
                                       invoices.numberColumn + "=" + std::to_string(iInvoiceNumber) +
                                       " AND iBusinessID=" + core::businessIdText());
        line(30);
        if (rs.Eof())
            raiseError(8257, "Invoice not found. Invoice Number: " + std::to_string(iInvoiceNumber) +
                                 ", BusinessID: " + core::businessIdText());
        line(40);
        const std::string out = std::string("<Kovrin>") + CrLf + PopulateInvoiceXML(rs) + CrLf + "</Kovrin>" + CrLf;
        line(50);
        rs.Close();
        CloseAll();
        return out;
    });
}

}  // namespace kovrin::modKovrin
