#include "CustomerXml.h"

#include <vector>

#include <KovrinAPI/runtime/Procedure.h>
#include <KovrinAPI/runtime/Text.h>

#include "api/core/Connection.h"
#include "api/core/DebugLog.h"
#include "api/core/Rows.h"
#include "api/core/State.h"
#include "api/core/modUtils.h"
#include "platform/xml/Dom.h"

namespace kovrin::modKovrin {

namespace {

constexpr const char* CrLf = "\r\n";

// Element names and the column each shows, paired by position; "zz" + column names a value
// computed from that column.
constexpr const char* Names =
    "CustomersID, CustomerNumber, BusinessName,  OsekMorshe, Address1,  Address2,  City,  PostalCode,  "
    "ContactFirstName,  ContactLastName,  Phone1,  Phone2,  Fax,   Email,  Comments,   OpenBalance,  "
    "ForeignKey,BankAccountNumber,BankBranch,BanksID, PriceListNum,Charge,   ChargeCurrencyName, PaymentTerms,       "
    "PaymentDays,   Extra1,  Extra2";
constexpr const char* Columns =
    "iCustomersID,iCustomerNumber,vcBusinessName,vcעוסקמורשה,vcAddress1,vcAddress2,vcCity,vcPostalCode,"
    "vcContactFirstName,vcContactLastName,vcPhone1,vcPhone2,vcFax1,vcEmail,vcComments,curOpenBalance,vcForeignKey,"
    "vcAccountNumber,  vcBranch, iBanksID,iListNum,     curCharge,zzvcCurrencySymbol, iPaymentTermsID, "
    "iPaymentDays, vcExtra1, vcExtra2";

std::vector<std::string> splitTrimmed(std::string_view list) {
    std::vector<std::string> items;
    for (std::size_t start = 0;;) {
        const std::size_t comma = list.find(',', start);
        items.push_back(text::trim(list.substr(start, comma - start)));
        if (comma == std::string_view::npos) return items;
        start = comma + 1;
    }
}

}  // namespace

std::string PopulateCustomerXML(const db::Recordset& rs) {
    return passOn("modKovrin.PopulateCustomerXML", [&](Line& line) -> std::string {
        line(10);
        if (rs.Eof()) return {};
        line(20);
        const auto names = splitTrimmed(Names), columns = splitTrimmed(Columns);
        xml::Document doc;
        xml::Node root = doc.appendChild(doc.createElement("Customer"));
        std::string name, column;
        try {
            for (std::size_t i = 0; i < names.size(); ++i) {
                line(30);
                name = names[i];
                column = columns[i];
                xml::Node element = doc.createElement(name);
                // A row without a currency symbol names shekels, as the Customer record reads it.
                const std::string value =
                    column.starts_with("z") ? modUtils::CurrencySymbolToName(Variant(core::textOf(rs.Fields("vcCurrencySymbol"))))
                                            : core::textOf(rs.Fields(column));
                element.appendChild(doc.createTextNode(value));
                root.appendChild(element);
            }
        } catch (...) {
            // Which element and column failed.
            const Error e = currentAsError();
            throw Error(e.number(), e.description() + CrLf + "XML node=" + name + CrLf + "value=" + column, e.source());
        }
        line(40);
        return doc.xml();
    });
}

std::string GetCustomersXML(bool& blnDebug) {
    return passOn("modKovrin.GetCustomersXML", [&](Line& line) {
        line(10);
        std::string out = std::string("<Kovrin>") + CrLf;
        line(20);
        OpenConnection(blnDebug);
        line(30);
        db::Recordset rs =
            core::query("SELECT * FROM Customers WHERE iCustomersTypesID IN (1, 3) AND iBusinessID=" + core::businessIdText());
        for (; !rs.Eof(); rs.MoveNext()) {
            line(40);
            out += PopulateCustomerXML(rs) + CrLf;
        }
        line(50);
        rs.Close();
        out += std::string("</Kovrin>") + CrLf;
        CloseAll();
        return out;
    });
}

std::string GetCustomerByForeignKeyXML(const std::string& strForeignKey, bool& blnDebug) {
    return passOn("modKovrin.GetCustomerByForeignKeyXML", [&](Line& line) {
        line(10);
        if (blnDebug) modUtils::LogDebug("modKovrin.GetCustomerByForeignKeyXML", "strCustomersForeignKey", Variant(strForeignKey));
        line(20);
        OpenConnection(blnDebug);
        line(30);
        db::Recordset rs = core::query("SELECT * FROM Customers WHERE vcForeignKey=" +
                                       modUtils::SqlStr(text::trim(strForeignKey), 0) +
                                       " AND iBusinessID=" + core::businessIdText());
        line(40);
        if (rs.Eof())
            raiseError(8255, "Customer not found. Foreign Key: " + strForeignKey + ", BusinessID: " + core::businessIdText());
        line(50);
        const std::string out = std::string("<Kovrin>") + CrLf + PopulateCustomerXML(rs) + CrLf + "</Kovrin>" + CrLf;
        rs.Close();
        CloseAll();
        return out;
    });
}

}  // namespace kovrin::modKovrin
