// Document numbers and the receipt transaction code.
//
// The numbers come from the database's saved queries that the kinds table names: the next-number
// query gives the largest number + 1, the start-number query the first number of a business
// without documents of the kind. Callers read the number inside the write transaction that
// inserts the document.
#include <KovrinAPI/runtime/Procedure.h>

#include "Documents.h"
#include "api/core/Connection.h"
#include "api/core/DebugLog.h"
#include "api/core/State.h"

namespace kovrin {

namespace modKovrinBase {

int32_t nextNumber(const documents::DocumentKind& kind, bool& DebugMode) {
    const char* procedure = kind.numberingProcedure;
    return passOn(procedure, [&](Line& line) {
        line(10);
        // The refund's numbering alone logs its entry.
        if (kind.type == ObjectType::REFUND && DebugMode) modUtils::LogDebug(procedure, "");
        line(20);
        modKovrin::OpenConnection(DebugMode);
        const std::string business = core::businessIdText();
        line(30);
        db::Recordset rs = core::query(kind.nextNumberSql + business);
        line(40);
        if (rs.Eof() || rs.Fields(kind.numberQueryColumn).isNull()) {
            // No document of this kind yet in the business.
            rs.Close();
            line(50);
            rs = core::query(kind.startNumberSql + business);
        }
        line(60);
        int32_t number = CLng(rs.Fields(kind.numberQueryColumn));
        rs.Close();
        return number;
    });
}

}  // namespace modKovrinBase

namespace modKovrin {

using documents::kindOf;

int32_t GetNextInvoiceNum(bool& DebugMode) { return modKovrinBase::nextNumber(kindOf(ObjectType::Invoice), DebugMode); }
int32_t GetNextInvoiceZikuiNum(bool& DebugMode) {
    return modKovrinBase::nextNumber(kindOf(ObjectType::INVOICE_ZIKUI), DebugMode);
}
int32_t GetNextInvoiceKabalaNum(bool& DebugMode) {
    return modKovrinBase::nextNumber(kindOf(ObjectType::INVOICE_KABALA), DebugMode);
}
int32_t GetNextInvoiceHiyuvNum(bool& DebugMode) { return modKovrinBase::nextNumber(kindOf(ObjectType::HIYUV), DebugMode); }

}  // namespace modKovrin

namespace modKovrinBase {

int32_t GetNextReceiptNum(bool& DebugMode) { return nextNumber(documents::kindOf(ObjectType::RECEIPT), DebugMode); }
int32_t GetNextRefundNum(bool& DebugMode) { return nextNumber(documents::kindOf(ObjectType::REFUND), DebugMode); }

int32_t GetReceiptTrxCodes(ObjectType, bool& DebugMode) {
    return passOn("modKovrinBase.GetReceiptTrxCodes", [&](Line& line) {
        line(10);
        const std::string sql = "SELECT * FROM TrxCodes WHERE iTrxCode=2 AND iBusinessID=" + core::businessIdText();
        if (DebugMode) modUtils::LogDebug("modKovrinBase.GetReceiptTrxCodes", "SQL", Variant(sql));
        line(20);
        db::Recordset rs = core::query(sql);
        line(30);
        int32_t id = rs.Eof() ? 0 : CLng(rs.Fields("iTrxCodesID"));
        rs.Close();
        return id;
    });
}

}  // namespace modKovrinBase

}  // namespace kovrin
