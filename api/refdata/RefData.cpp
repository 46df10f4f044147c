// The reference-data lookups of the current business and of the shared tables.
#include "RefData.h"

#include <memory>

#include <KovrinAPI/Item.h>
#include <KovrinAPI/PriceList.h>
#include <KovrinAPI/TrxCode.h>
#include <KovrinAPI/runtime/Procedure.h>

#include "api/core/Connection.h"
#include "api/core/DebugLog.h"
#include "api/core/Rows.h"
#include "api/core/State.h"
#include "platform/xml/Dom.h"

namespace kovrin::modKovrin {

using core::recordList;
using core::textOf;

namespace {

std::string trxCodesSql() { return "SELECT * FROM TrxCodes WHERE iBusinessID=" + core::businessIdText(); }

// Banks and payment types: rows of (id, name); an array without elements when the table is empty.
Variant twoColumnList(const char* procedure, const char* sql, const char* idColumn, const char* nameColumn,
                      bool& blnDebug) {
    return passOn(procedure, [&](Line& line) -> Variant {
        line(10);
        if (blnDebug) modUtils::LogDebug(procedure, "");
        line(20);
        OpenConnection(blnDebug);
        line(30);
        db::Recordset rs = core::query(sql);
        line(40);
        if (rs.Eof() || rs.RecordCount() == 0) {
            rs.Close();
            CloseAll();
            return Variant(VariantArray());
        }
        VariantArray list(static_cast<std::size_t>(rs.RecordCount()), 2);
        for (long i = 0; !rs.Eof(); ++i) {
            line(50);
            list(i, 0) = Variant(CLng(rs.Fields(idColumn)));
            list(i, 1) = Variant(textOf(rs.Fields(nameColumn)));
            line(60);
            rs.MoveNext();
        }
        line(70);
        rs.Close();
        CloseAll();
        return Variant(std::move(list));
    });
}

}  // namespace

Variant GetTrxCodes(bool& blnDebug) {
    return passOn("modKovrin.GetTrxCodes", [&](Line& line) -> Variant {
        line(10);
        const std::string sql = trxCodesSql();
        if (blnDebug) modUtils::LogDebug("modKovrin.GetTrxCodes", "SQL", Variant(sql));
        line(20);
        OpenConnection(blnDebug);
        line(30);
        db::Recordset rs = core::query(sql);
        line(40);
        // Sized before the rows are read; a business without codes gets an array without elements.
        VariantArray codes(static_cast<std::size_t>(rs.RecordCount()));
        for (long i = 0; !rs.Eof(); ++i) {
            line(50);
            auto code = std::make_shared<TrxCode>();
            code->TrxCodeNumber(CLng(rs.Fields("iTrxCode")));  // a Null number: invalid use of Null
            code->TrxCodesID(CLng(rs.Fields("iTrxCodesID")));
            code->TrxCodeDescription(textOf(rs.Fields("vcTrxCodeDescription")));
            code->PLCodesID(CLng(rs.Fields("iPLCodesID")));
            codes(i) = Variant(code);
            line(60);
            rs.MoveNext();
        }
        line(70);
        rs.Close();
        CloseAll();
        return Variant(std::move(codes));
    });
}

std::string GetTrxCodesXML(bool& blnDebug) {
    return passOn("modKovrin.GetTrxCodesXML", [&](Line& line) {
        line(10);
        const std::string sql = trxCodesSql();
        if (blnDebug) modUtils::LogDebug("modKovrin.GetTrxCodesXML", "SQL", Variant(sql));
        line(20);
        OpenConnection(blnDebug);
        line(30);
        db::Recordset rs = core::query(sql);
        xml::Document doc;
        xml::Node root = doc.appendChild(doc.createElement("TrxCodes"));
        line(40);
        while (!rs.Eof()) {
            line(50);
            xml::Node code = root.appendChild(doc.createElement("TrxCode"));
            auto child = [&](const char* element, const char* column) {
                xml::Node node = code.appendChild(doc.createElement(element));
                node.appendChild(doc.createTextNode(CStr(rs.Fields(column))));  // Null: invalid use of Null
            };
            child("iTrxCodesID", "iTrxCodesID");
            child("TrxCodeNumber", "iTrxCode");
            child("TrxCodeDescription", "vcTrxCodeDescription");
            child("PLCodesID", "iPLCodesID");
            line(60);
            rs.MoveNext();
        }
        line(70);
        rs.Close();
        std::string result = "<Kovrin>\r\n" + doc.xml() + "\r\n</Kovrin>\r\n";
        line(80);
        CloseAll();
        return result;
    });
}

Variant GetPriceLists(bool& blnDebug) {
    return recordList<PriceList>("modKovrin.GetPriceLists", "SELECT * FROM Lists WHERE iBusinessID=" + core::businessIdText(),
                                 blnDebug, [](PriceList& list, const db::Recordset& rs) {
                                     list.ListID(CLng(rs.Fields("iListsID")));
                                     list.ListNum(CLng(rs.Fields("iListNum")));
                                     list.ProfitPercent(CDbl(rs.Fields("fltProfit")));
                                     list.Comments(textOf(rs.Fields("vcComments")));
                                 });
}

Variant GetItemsLists(bool& blnDebug) {
    return recordList<Item>("modKovrin.GetItemsLists", "SELECT * FROM Items WHERE iBusinessID=" + core::businessIdText(),
                            blnDebug, [](Item& item, const db::Recordset& rs) {
                                item.ItemsID(CLng(rs.Fields("iItemsID")));
                                item.CatalogNumber(textOf(rs.Fields("vcCatalogNumber")));
                                item.ItemDescription(textOf(rs.Fields("vcItemDescription")));
                                item.ItemName(textOf(rs.Fields("vcItemName")));
                            });
}

Variant GetBanks(bool& blnDebug) {
    return twoColumnList("modKovrin.GetBanks", "SELECT * FROM Banks", "iBanksID", "vcBankName", blnDebug);
}

Variant GetPaymentTypes(bool& blnDebug) {
    return twoColumnList("modKovrin.GetPaymentTypes", "SELECT * FROM Payment_types", "iPaymentTypesID",
                         "vcPaymentTypeName", blnDebug);
}

}  // namespace kovrin::modKovrin
