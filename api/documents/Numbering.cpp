// Document numbers and the receipt transaction code.
//
// The numbers come from the database's saved queries: the next-number query gives the largest
// number + 1, the start-number query the first number of a business without documents of the
// kind. Callers read the number inside the write transaction that inserts the document.
#include <KovrinAPI/runtime/Procedure.h>

#include "Documents.h"
#include "api/core/Connection.h"
#include "api/core/DebugLog.h"
#include "api/core/State.h"

namespace kovrin {

namespace {

int32_t nextNumber(const char* procedure, const std::string& nextSql, const std::string& startSql,
                   const char* column, bool& DebugMode, bool logEntry = false) {
    return passOn(procedure, [&](Line& line) {
        line(10);
        if (logEntry && DebugMode) modUtils::LogDebug(procedure, "");
        line(20);
        modKovrin::OpenConnection(DebugMode);
        const std::string business = core::businessIdText();
        line(30);
        db::Recordset rs = core::query(nextSql + business);
        line(40);
        if (rs.Eof() || rs.Fields(column).isNull()) {
            // No document of this kind yet in the business.
            rs.Close();
            line(50);
            rs = core::query(startSql + business);
        }
        line(60);
        int32_t number = CLng(rs.Fields(column));
        rs.Close();
        return number;
    });
}

}  // namespace

namespace modKovrin {

int32_t GetNextInvoiceNum(bool& DebugMode) {
    return nextNumber("modKovrin.GetNextInvoiceNum", "SELECT iInvoiceNum FROM apiGetNextNumberInvoice WHERE iBusinessID=",
                      "SELECT iInvoiceNum FROM apiGetStartNumberInvoice WHERE iBusinessID=", "iInvoiceNum", DebugMode);
}

int32_t GetNextInvoiceZikuiNum(bool& DebugMode) {
    return nextNumber("modKovrin.GetNextInvoiceZikuiNum",
                      "SELECT iInvoiceNum FROM apiGetNextNumberInvoiceZikui WHERE iBusinessID=",
                      "SELECT iInvoiceNum FROM apiGetStartNumberInvoiceZikui WHERE iBusinessID=", "iInvoiceNum", DebugMode);
}

int32_t GetNextInvoiceKabalaNum(bool& DebugMode) {
    return nextNumber("modKovrin.GetNextInvoiceKabalaNum",
                      "SELECT iInvoiceNum FROM apiGetNextNumberInvoiceKabala WHERE iBusinessID=",
                      "SELECT iInvoiceNum FROM apiGetStartNumberInvoiceKabala WHERE iBusinessID=", "iInvoiceNum",
                      DebugMode);
}

int32_t GetNextInvoiceHiyuvNum(bool& DebugMode) {
    return nextNumber("modKovrin.GetNextInvoiceHiyuvNum",
                      "SELECT iInvoiceNum FROM apiGetNextNumberInvoiceHiyuv  WHERE iBusinessID=",
                      "SELECT iInvoiceNum FROM apiGetStartNumberInvoiceHiyuv WHERE iBusinessID=", "iInvoiceNum", DebugMode);
}

}  // namespace modKovrin

namespace modKovrinBase {

int32_t GetNextReceiptNum(bool& DebugMode) {
    return nextNumber("modKovrinBase.GetNextReceiptNum", "SELECT iReceiptNum FROM apiGetNextNumberReceipt WHERE iBusinessID=",
                      "SELECT iReceiptNum FROM apiGetStartNumberReceipt WHERE iBusinessID=", "iReceiptNum", DebugMode);
}

int32_t GetNextRefundNum(bool& DebugMode) {
    return nextNumber("modKovrinBase.GetNextRefundNum", "SELECT iReceiptNum FROM apiGetNextNumberRefund WHERE iBusinessID=",
                      "SELECT iReceiptNum FROM apiGetStartNumberRefund WHERE iBusinessID=", "iReceiptNum", DebugMode,
                      true);
}

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
