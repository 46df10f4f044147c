// InvoiceKabala: an invoice-receipt as read back from the database: the invoice header, its goods
// lines, its payment lines and its three payment totals. A plain property bag.
#pragma once

#include <cstdint>
#include <string>

#include <KovrinAPI/runtime/Variant.h>

namespace kovrin {

class KOVRIN_API InvoiceKabala : public Object {
public:
    Currency curNetPmt() const { return curNetPmt_; }
    void curNetPmt(Currency v) { curNetPmt_ = v; }
    Currency curTax() const { return curTax_; }
    void curTax(Currency v) { curTax_ = v; }
    // The payments, an array of ReceiptLineItem, and the goods lines, an array of LineItem. Reading
    // gives the stored object itself when one was set, else a copy of the array; assigning stores a
    // copy; the set form stores a reference to the object given.
    Variant varReceiptLines() const { return varReceiptLines_; }
    void varReceiptLines(const Variant& v) { varReceiptLines_ = v; }
    void setVarReceiptLines(const ObjectRef& v) { varReceiptLines_ = Variant(v); }
    Variant varInvoiceLines() const { return varInvoiceLines_; }
    void varInvoiceLines(const Variant& v) { varInvoiceLines_ = v; }
    void setVarInvoiceLines(const ObjectRef& v) { varInvoiceLines_ = Variant(v); }
    int32_t iCasesID() const { return iCasesID_; }
    void iCasesID(int32_t v) { iCasesID_ = v; }
    int32_t iTrxCodesID() const { return iTrxCodesID_; }
    void iTrxCodesID(int32_t v) { iTrxCodesID_ = v; }
    int16_t iStatusID() const { return iStatusID_; }
    void iStatusID(int16_t v) { iStatusID_ = v; }
    bool blnChargeVAT() const { return blnChargeVAT_; }
    void blnChargeVAT(bool v) { blnChargeVAT_ = v; }
    Currency curGrandTotal() const { return curGrandTotal_; }
    void curGrandTotal(Currency v) { curGrandTotal_ = v; }
    Currency curVAT() const { return curVAT_; }
    void curVAT(Currency v) { curVAT_ = v; }
    Currency curTotalNoVat() const { return curTotalNoVat_; }
    void curTotalNoVat(Currency v) { curTotalNoVat_ = v; }
    Currency curTotalBeforeVat() const { return curTotalBeforeVat_; }
    void curTotalBeforeVat(Currency v) { curTotalBeforeVat_ = v; }
    Currency curRebateRoundAmount() const { return curRebateRoundAmount_; }
    void curRebateRoundAmount(Currency v) { curRebateRoundAmount_ = v; }
    bool blnRebateRound() const { return blnRebateRound_; }
    void blnRebateRound(bool v) { blnRebateRound_ = v; }
    Currency curRebateAmount() const { return curRebateAmount_; }
    void curRebateAmount(Currency v) { curRebateAmount_ = v; }
    double fltRebatePrcnt() const { return fltRebatePrcnt_; }
    void fltRebatePrcnt(double v) { fltRebatePrcnt_ = v; }
    // The taxable sum before rebate and the payment total, carried as text.
    std::string curTotal1() const { return curTotal1_; }
    void curTotal1(const std::string& v) { curTotal1_ = v; }
    std::string curTotal() const { return curTotal_; }
    void curTotal(const std::string& v) { curTotal_ = v; }
    std::string vcComments() const { return vcComments_; }
    void vcComments(const std::string& v) { vcComments_ = v; }
    std::string vcDetails() const { return vcDetails_; }
    void vcDetails(const std::string& v) { vcDetails_ = v; }
    std::string vcFax1() const { return vcFax1_; }
    void vcFax1(const std::string& v) { vcFax1_ = v; }
    std::string vcPhone2() const { return vcPhone2_; }
    void vcPhone2(const std::string& v) { vcPhone2_ = v; }
    std::string vcPhone1() const { return vcPhone1_; }
    void vcPhone1(const std::string& v) { vcPhone1_ = v; }
    std::string vcContactDetails() const { return vcContactDetails_; }
    void vcContactDetails(const std::string& v) { vcContactDetails_ = v; }
    std::string vcPostalCode() const { return vcPostalCode_; }
    void vcPostalCode(const std::string& v) { vcPostalCode_ = v; }
    std::string vcCity() const { return vcCity_; }
    void vcCity(const std::string& v) { vcCity_ = v; }
    std::string vcAddress2() const { return vcAddress2_; }
    void vcAddress2(const std::string& v) { vcAddress2_ = v; }
    std::string vcAddress1() const { return vcAddress1_; }
    void vcAddress1(const std::string& v) { vcAddress1_ = v; }
    std::string vcBusinessName() const { return vcBusinessName_; }
    void vcBusinessName(const std::string& v) { vcBusinessName_ = v; }
    int32_t iCustomersID() const { return iCustomersID_; }
    void iCustomersID(int32_t v) { iCustomersID_ = v; }
    Date datxDate() const { return datxDate_; }
    void datxDate(Date v) { datxDate_ = v; }
    Date datDueDate() const { return datDueDate_; }
    void datDueDate(Date v) { datDueDate_ = v; }
    int32_t iInvoiceKabalaNumber() const { return iInvoiceKabalaNumber_; }
    void iInvoiceKabalaNumber(int32_t v) { iInvoiceKabalaNumber_ = v; }
    std::string vcOsekMorshe() const { return vcOsekMorshe_; }
    void vcOsekMorshe(const std::string& v) { vcOsekMorshe_ = v; }
    // The Tax Authority's allocation number (nine digits); empty while the document has none.
    std::string AllocationNumber() const { return AllocationNumber_; }
    void AllocationNumber(const std::string& v) { AllocationNumber_ = v; }

private:
    Currency curNetPmt_, curTax_;
    Variant varReceiptLines_, varInvoiceLines_;
    int32_t iCasesID_ = 0;
    int32_t iTrxCodesID_ = 0;
    int16_t iStatusID_ = 0;
    bool blnChargeVAT_ = false;
    Currency curGrandTotal_, curVAT_, curTotalNoVat_, curTotalBeforeVat_, curRebateRoundAmount_;
    bool blnRebateRound_ = false;
    Currency curRebateAmount_;
    double fltRebatePrcnt_ = 0;
    std::string curTotal1_, curTotal_;
    std::string vcComments_, vcDetails_, vcFax1_, vcPhone2_, vcPhone1_, vcContactDetails_, vcPostalCode_, vcCity_,
        vcAddress2_, vcAddress1_, vcBusinessName_;
    int32_t iCustomersID_ = 0;
    Date datxDate_, datDueDate_;
    int32_t iInvoiceKabalaNumber_ = 0;
    std::string vcOsekMorshe_;
    std::string AllocationNumber_;
};

}  // namespace kovrin
