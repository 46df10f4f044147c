#include "Balances.h"

#include <vector>

#include <KovrinAPI/Utils.h>
#include <KovrinAPI/runtime/Procedure.h>
#include <KovrinAPI/runtime/Text.h>

#include "api/bridge/FrontEnd.h"
#include "api/core/Connection.h"
#include "api/core/DebugLog.h"
#include "api/core/Rows.h"
#include "api/core/State.h"
#include "platform/xml/Dom.h"

namespace kovrin::modKovrin {

namespace {

constexpr const char* CrLf = "\r\n";

std::vector<std::string> splitTrimmed(std::string_view list) {
    std::vector<std::string> items;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = list.find(',', start);
        items.push_back(text::trim(list.substr(start, comma - start)));
        if (comma == std::string_view::npos) return items;
        start = comma + 1;
    }
}

// &, < and > as entity references, for text placed into XML by hand.
std::string escapeXmlText(const std::string& s) {
    return text::replaceAll(text::replaceAll(text::replaceAll(s, "&", "&amp;"), "<", "&lt;"), ">", "&gt;");
}

}  // namespace

double GetCustomerBalanceByID(int32_t iCustomerID, bool blnIncludingInvoicesIska, bool& blnDebug) {
    return passOn("modKovrin.GetCustomerBalanceByID", [&](Line& line) {
        line(10);
        if (blnDebug) modUtils::LogDebug("modKovrin.GetCustomerBalanceByID", "iCustomerID", Variant(iCustomerID));
        line(20);
        const std::string sql =
            std::string(blnIncludingInvoicesIska ? "SELECT curBalance FROM qryComputeCustomerBalanceHiyuv WHERE iCustomersID="
                                                 : "SELECT curBalance FROM qryComputeCustomerBalance WHERE iCustomersID=") +
            std::to_string(iCustomerID);
        line(30);
        const Variant value = modAccess::GetAccessValue(core::state().kovrinPath, sql, true, blnDebug);
        line(40);
        return CDbl(value);
    });
}

std::string PopulateCustomerBalanceXML(const db::Recordset& rs) {
    return passOn("modKovrin.PopulateCustomerBalanceXML", [&](Line& line) -> std::string {
        line(10);
        if (rs.Eof()) return {};
        line(20);
        const auto names = splitTrimmed("CustomersID, CustomerNumber,  BusinessName,   Balance");
        const auto columns = splitTrimmed("iCustomersID,iCustomerNumber,vcBusinessName,curBalance");
        xml::Document doc;
        xml::Node root = doc.appendChild(doc.createElement("Customer"));
        std::string item;
        try {
            for (std::size_t i = 0; i < names.size(); ++i) {
                line(30);
                item = columns[i];
                xml::Node element = doc.createElement(names[i]);
                element.appendChild(doc.createTextNode(core::textOf(rs.Fields(item))));
                root.appendChild(element);
            }
        } catch (...) {
            const Error e = currentAsError();
            throw Error(e.number(), e.description() + CrLf + "item=" + item, e.source());
        }
        line(40);
        return doc.xml();
    });
}

std::string GetCustomersBalance(bool blnIncludingInvoicesIska, bool& blnDebug) {
    return passOn("modKovrin.GetCustomersBalance", [&](Line& line) {
        line(10);
        if (blnDebug)
            modUtils::LogDebug("modKovrin.GetCustomersBalance", "blnIncludingInvoicesIska",
                               Variant(blnIncludingInvoicesIska));
        line(20);
        const std::string sql = std::string(blnIncludingInvoicesIska ? "SELECT * from tblCustomerBalanceIska WHERE iBusinessID="
                                                                     : "SELECT * from tblCustomerBalance WHERE iBusinessID=") +
                                core::businessIdText() + " ORDER BY vcBusinessName;";
        line(30);
        const std::string toDate = Utils().GetSystemParameter("qryCustomerBalanceDate", blnDebug);
        line(40);
        // The date comes from a free-text parameter: escaped, so the report stays well-formed XML.
        std::string out = std::string("<Kovrin>") + CrLf + "<ToDate>" + escapeXmlText(toDate) + "</ToDate>" + CrLf +
                          "<IncludesIska>" + (blnIncludingInvoicesIska ? "True" : "False") + "</IncludesIska>" +
                          CrLf + "<Customers>" + CrLf;
        line(50);
        OpenConnection(blnDebug);
        line(60);
        db::Recordset rs = core::query(sql);
        while (!rs.Eof()) {
            line(70);
            out += PopulateCustomerBalanceXML(rs) + CrLf;
            line(80);
            rs.MoveNext();
        }
        line(90);
        rs.Close();
        out += std::string("</Customers>") + CrLf + "</Kovrin>" + CrLf;
        CloseAll();
        return out;
    });
}

}  // namespace kovrin::modKovrin
