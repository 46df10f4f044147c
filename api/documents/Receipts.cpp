// Receipts, refunds and invoice-receipts: the payment documents. Each document (header, payment
// lines and the update of its totals; for an invoice-receipt the invoice half too) is one write
// transaction. The net payment is always recomputed from the payment lines and the total is the
// net payment plus the tax withheld; the caller's variables receive what was stored.
#include <KovrinAPI/Customer.h>
#include <KovrinAPI/runtime/Procedure.h>
#include <KovrinAPI/runtime/Text.h>

#include "DocumentSupport.h"
#include "Documents.h"
#include "api/core/Connection.h"
#include "api/core/DebugLog.h"
#include "api/core/Rows.h"
#include "api/core/State.h"
#include "api/core/modUtils.h"
#include "api/customers/CustomerStore.h"

namespace kovrin::modKovrinBase {

using modUtils::SqlDate;
using modUtils::SqlStr;

namespace {

constexpr int32_t Receipt = documents::number(ObjectType::RECEIPT);
constexpr int32_t Refund = documents::number(ObjectType::REFUND);
const char* const Sheqel = "\u20AA";
constexpr const documents::DocumentKind& kabala = documents::kindOf(ObjectType::INVOICE_KABALA);

Currency absolute(Currency c) { return c < Currency() ? -c : c; }

}  // namespace

int32_t documentKey(const std::string& sql) {
    db::Recordset rs = core::query(sql);
    const int32_t key = CLng(rs.Fields(0));
    rs.Close();
    return key;
}

std::string paymentLineInsert(const std::string& table, int32_t documentKey, int32_t paymentTypesId,
                              const std::string& accountNumber, const std::string& branch, int32_t bank,
                              const std::string& check, Date checkDate, Currency amount) {
    const std::string bankText = bank == 0 ? std::string() : std::to_string(bank);
    const std::string branchText = CLng(Variant("0" + branch)) == 0 ? std::string() : branch;
    return "INSERT INTO " + table +
           " (iBusinessID, iReceiptsID, iPaymentTypesID, vcAccountNumber, vcDetails3, vcDetails2, vcDetails1, "
           "vcDetails4, curAmount) " +
           " VALUES(" + core::businessIdText() + "," + std::to_string(documentKey) + "," +
           std::to_string(paymentTypesId) + ", " + SqlStr(accountNumber, 0) + "," + SqlStr(branchText, 0) + "," +
           SqlStr(bankText, 0) + "," + SqlStr(check, 0) + "," + SqlDate(checkDate) + "," + amount.toString() + ")";
}

int32_t CreateReceiptBase(int32_t kind, int32_t& iCustomersID, Date& datReceiptDate, Currency& curTotal,
                          Currency& curTax, Currency& curNetPmt, std::string& strDetails,
                          std::string& strInvoiceNumbers, Variant& varReceiptLineItems, std::string& strCurrency,
                          Currency& curRate, bool& DebugMode) {
    return passOn("modKovrinBase.CreateReceiptBase", [&](Line& line) {
        line(10);
        if (DebugMode) modUtils::LogDebug("modKovrinBase.CreateReceiptBase", "");
        line(20);
        if (kind != Receipt && kind != Refund) raiseError(7283, "Unknow ObjectNum: " + std::to_string(kind));
        if (strCurrency.empty()) strCurrency = "NIS";
        strCurrency = modUtils::CurrencyNameToSymbol(Variant(strCurrency));
        if (strCurrency == Sheqel) curRate = 1;
        // A refund's header carries its totals with the sign of its lines: negative.
        Currency total = kind == Refund ? -absolute(curTotal) : curTotal;
        Currency net = kind == Refund ? -absolute(curNetPmt) : curNetPmt;
        const Currency tax = curTax;
        line(30);
        modKovrin::OpenConnection(DebugMode);
        try {
            const documents::DocumentKind& document = *documents::findKind(kind);
            const char* table = document.header;
            const int32_t number = core::inWriteTransaction([&] {
                line(40);
                const int32_t number = nextNumber(document, DebugMode);
                line(50);
                const int32_t trxCode = GetReceiptTrxCodes(static_cast<ObjectType>(kind), DebugMode);
                line(60);
                const auto customer = modKovrin::GetCustomerByID(iCustomersID, DebugMode);
                line(70);
                core::execute(
                    std::string("INSERT INTO ") + table + " (iBusinessID, iReceiptNumber, datxDate, iInvoiceNumber," +
                    " curTotal, curTax, curNetPmt," +
                    " vcDetails, iCustomersID, vcBusinessName, vcAddress1, vcAddress2, vcCity, vcPostalCode, " +
                    " vcContactDetails, vcPhone1, vcPhone2, vcFax1, vcCurrencySymbol, curRate, vcCustomerOsekMorshe, "
                    "iTrxCodesID) " +
                    " VALUES(" + core::businessIdText() + "," + std::to_string(number) + ", " +
                    SqlDate(datReceiptDate) + ", " + SqlStr(strInvoiceNumbers, 0) + "," + total.toString() + ", " +
                    tax.toString() + ", " + net.toString() + ", " + SqlStr(strDetails, 0) + ", " +
                    std::to_string(iCustomersID) + "," + SqlStr(text::left(customer->BusinessName(), 50), 0) + ", " +
                    SqlStr(customer->Address1(), 0) + "," + SqlStr(customer->Address2(), 0) + "," +
                    SqlStr(customer->City(), 0) + "," + SqlStr(customer->PostalCode(), 0) + "," +
                    SqlStr(text::left(customer->ContactFirstName() + " " + customer->ContactLastName(), 50), 0) + "," +
                    SqlStr(customer->Phone1(), 0) + ", " + SqlStr(customer->Phone2(), 0) + "," +
                    SqlStr(customer->Fax(), 0) + "," + SqlStr(strCurrency, 0) + "," + curRate.toString() + ", " +
                    SqlStr(customer->OsekMorshe(), 0) + "," + std::to_string(trxCode) + ")");
                line(80);
                // The net payment is what the stored lines add up to (a refund's lines are negative);
                // payments of 0 are not stored.
                net = Currency();
                for (const auto& item : records<ReceiptLineItem>(varReceiptLineItems, true)) {
                    const Currency amount = kind == Refund ? -absolute(item->Amount()) : item->Amount();
                    net += amount;
                    if (item->Amount() != Currency())
                        CreateReceiptLineBase(kind, number, item->PaymentTypesID(), item->AccountNumber(),
                                              item->Branch(), item->Bank(), item->Check(), item->CheckDate(),
                                              item->Amount());
                }
                line(90);
                total = net + tax;
                line(100);
                core::execute(std::string("UPDATE ") + table + " SET curTotal=" + total.toString() + ", curTax=" +
                              tax.toString() + ", curNetPmt=" + net.toString() + " WHERE " + document.numberColumn + "=" +
                              std::to_string(number) + " AND iBusinessID= " + core::businessIdText());
                line(110);
                return number;
            });
            modKovrin::CloseAll();
            curTotal = total;
            curNetPmt = net;
            return number;
        } catch (...) {
            modKovrin::CloseAll();  // after the rollback
            throw;
        }
    });
}

void CreateReceiptLineBase(int32_t kind, int32_t ReceiptNumber, int32_t PaymentTypesID, std::string AccountNumber,
                           std::string Branch, int32_t Bank, std::string Check, Date CheckDate, Currency Amount) {
    passOn("modKovrinBase.CreateReceiptLineBase", [&](Line& line) {
        line(10);
        if (kind != Receipt && kind != Refund) raiseError(7289, "Unknow ObjectNum: " + std::to_string(kind));
        const documents::DocumentKind& document = *documents::findKind(kind);
        if (kind == Refund) Amount = -absolute(Amount);  // refund lines are always stored negative
        line(20);
        const int32_t key = documentKey(std::string("SELECT ") + document.key + " FROM " + document.header + " WHERE " +
                                        document.numberColumn + "=" + std::to_string(ReceiptNumber) +
                                        " AND iBusinessID=" + core::businessIdText());
        line(30);
        const std::string sql = paymentLineInsert(document.payments, key, PaymentTypesID, AccountNumber, Branch, Bank,
                                                  Check, CheckDate, Amount);
        line(40);
        core::execute(sql);
    });
}

int32_t CreateInvoiceKabalaBase(int32_t& iCustomersID, Date& datInvoiceDate, std::string& strComments,
                                double& fltRebatePercent, Currency& curRebateAmount, bool& blnRoundTotal,
                                double& fltVAT, bool& blnChargeVAT, std::string& strInvoiceDetails,
                                int32_t& iTrxCodesID, Variant& varLineItems, Currency& curTotal, Currency& curTax,
                                Currency& curNetPmt, Variant& varReceiptLineItems, bool& DebugMode) {
    return passOn("modKovrinBase.CreateInvoiceKabalaBase", [&](Line& line) {
        line(10);
        if (DebugMode) modUtils::LogDebug("modKovrinBase.CreateInvoiceKabalaBase", "");
        // Both halves are one document: the caller's variables change only once it is stored.
        double rebatePercent = fltRebatePercent, vat = fltVAT;
        Currency rebateAmount = curRebateAmount, total, net;
        const Currency tax = curTax;
        bool roundTotal = blnRoundTotal;
        line(20);
        modKovrin::OpenConnection(DebugMode);
        try {
            const int32_t number = core::inWriteTransaction([&] {
                line(30);
                int32_t invoiceType = static_cast<int32_t>(InvoiceTypes::INVOICE_TYPE_STD);
                Date due = Date::today();
                const int32_t number = CreateInvoiceBase(kabala.number(), iCustomersID, datInvoiceDate, strComments,
                                                         rebatePercent, rebateAmount, roundTotal, vat, blnChargeVAT,
                                                         strInvoiceDetails, iTrxCodesID, invoiceType, varLineItems, due,
                                                         DebugMode);
                line(40);
                for (const auto& item : records<ReceiptLineItem>(varReceiptLineItems, false)) {
                    // Read as "0" followed by the amount: a negative payment is refused (13).
                    net += CCur(Variant("0" + item->Amount().toString()));
                    if (item->Amount() != Currency())
                        CreateInvoiceKabalaReceiptLineBase(number, item->PaymentTypesID(), item->AccountNumber(),
                                                           item->Branch(), item->Bank(), item->Check(),
                                                           item->CheckDate(), item->Amount(), DebugMode);
                }
                line(50);
                total = net + tax;
                line(60);
                const std::string sql = std::string("UPDATE ") + kabala.header + " SET curTotal=" + total.toString() +
                                        ", curTax=" + tax.toString() + ", curNetPmt=" + net.toString() +
                                        " WHERE " + kabala.numberColumn + "=" + std::to_string(number) +
                                        " AND iBusinessID=" + core::businessIdText();
                core::execute(sql);
                if (DebugMode) modUtils::LogDebug("modKovrinBase.CreateInvoiceKabalaBase", "SQL", Variant(sql));
                line(70);
                return number;
            });
            modKovrin::CloseAll();
            fltRebatePercent = rebatePercent;
            curRebateAmount = rebateAmount;
            blnRoundTotal = roundTotal;
            fltVAT = vat;
            curTotal = total;
            curNetPmt = net;
            return number;
        } catch (...) {
            modKovrin::CloseAll();  // after the rollback
            throw;
        }
    });
}

void CreateInvoiceKabalaReceiptLineBase(int32_t InvoiceNumber, int32_t PaymentTypesID, std::string AccountNumber,
                                        std::string Branch, int32_t Bank, std::string Check, Date CheckDate,
                                        Currency Amount, bool& DebugMode) {
    passOn("modKovrinBase.CreateInvoiceKabalaReceiptLineBase", [&](Line& line) {
        line(10);
        if (DebugMode) modUtils::LogDebug("modKovrinBase.CreateInvoiceKabalaReceiptLineBase", "");
        line(20);
        const int32_t key = documentKey(std::string("SELECT ") + kabala.key + " FROM " + kabala.header + " WHERE " +
                                        kabala.numberColumn + "=" + std::to_string(InvoiceNumber) +
                                        " AND iBusinessID=" + core::businessIdText());
        line(30);
        const std::string sql = paymentLineInsert(kabala.payments, key, PaymentTypesID, AccountNumber,
                                                  Branch, Bank, Check, CheckDate, Amount);
        line(40);
        core::execute(sql);
    });
}

}  // namespace kovrin::modKovrinBase

namespace kovrin::modKovrin {

int32_t CreateReceipt(int32_t& iCustomersID, Date& datReceiptDate, Currency& curTotal, Currency& curTax,
                      Currency& curNetPmt, std::string& strDetails, std::string& strInvoiceNumbers,
                      Variant& varReceiptLineItems, std::string& strCurrency, Currency& curRate, bool& DebugMode) {
    return passOn("modKovrin.CreateReceipt", [&](Line& line) {
        line(10);
        if (DebugMode) modUtils::LogDebug("modKovrin.CreateReceipt", "");
        line(20);
        return modKovrinBase::CreateReceiptBase(documents::number(ObjectType::RECEIPT), iCustomersID, datReceiptDate,
                                                curTotal, curTax, curNetPmt, strDetails, strInvoiceNumbers,
                                                varReceiptLineItems, strCurrency, curRate, DebugMode);
    });
}

int32_t CreateRefund(int32_t& iCustomersID, Date& datRefundDate, Currency& curTotal, std::string& strDetails,
                     Variant& varReceiptLineItems, bool& DebugMode) {
    return passOn("modKovrin.CreateRefund", [&](Line& line) {
        line(10);
        if (DebugMode) modUtils::LogDebug("modKovrin.CreateRefund", "");
        line(20);
        Currency tax;
        std::string invoiceNumbers, currency = "NIS";
        Currency rate(1);
        // The one total stands for both the total and the net payment.
        return modKovrinBase::CreateReceiptBase(documents::number(ObjectType::REFUND), iCustomersID, datRefundDate,
                                                curTotal, tax, curTotal, strDetails, invoiceNumbers,
                                                varReceiptLineItems, currency, rate, DebugMode);
    });
}

int32_t CreateInvoiceKabala(int32_t& iCustomersID, Date& datInvoiceDate, std::string& strComments,
                            double& fltRebatePercent, Currency& curRebateAmount, bool& blnRoundTotal, double& fltVAT,
                            bool& blnChargeVAT, std::string& strInvoiceDetails, int32_t& iTrxCodesID,
                            Variant& varLineItems, Currency& curTotal, Currency& curTax, Currency& curNetPmt,
                            Variant& varReceiptLineItems, bool& DebugMode) {
    return passOn("modKovrin.CreateInvoiceKabala", [&](Line& line) {
        line(10);
        return modKovrinBase::CreateInvoiceKabalaBase(iCustomersID, datInvoiceDate, strComments, fltRebatePercent,
                                                      curRebateAmount, blnRoundTotal, fltVAT, blnChargeVAT,
                                                      strInvoiceDetails, iTrxCodesID, varLineItems, curTotal, curTax,
                                                      curNetPmt, varReceiptLineItems, DebugMode);
    });
}

std::shared_ptr<ReceiptLineItem> PopulateReceiptLine(const db::Recordset& rs) {
    return passOn("modKovrin.PopulateReceiptLine", [&](Line& line) -> std::shared_ptr<ReceiptLineItem> {
        line(10);
        if (rs.Eof()) return nullptr;
        line(20);
        auto item = std::make_shared<ReceiptLineItem>();
        item->AccountNumber(core::textOf(rs.Fields("vcAccountNumber")));
        item->Amount(CCur(modUtils::MyNz(rs.Fields("curAmount"), Variant(0))));
        item->Bank(CLng(modUtils::MyNz(rs.Fields("vcDetails2"), Variant(0))));
        item->Check(core::textOf(rs.Fields("vcDetails1")));
        line(30);
        const Variant checkDate = rs.Fields("vcDetails4");
        if (!checkDate.isNull() && IsDate(checkDate)) item->CheckDate(CDate(checkDate));
        line(40);
        item->PaymentTypesID(CLng(modUtils::MyNz(rs.Fields("iPaymentTypesID"), Variant(0))));
        return item;
    });
}

}  // namespace kovrin::modKovrin
