// Invoice: an invoice as read back from the database, its properties mirroring the header columns.
// A plain property bag; nothing is checked on assignment.
#pragma once

#include <cstdint>
#include <string>

#include <KovrinAPI/runtime/Variant.h>

namespace kovrin {

class KOVRIN_API Invoice : public Object {
public:
    // The lines, an array of LineItem (Empty on a new record). Reading gives a copy of the array
    // (the LineItem records in it are shared); assigning stores a copy of the value; the set form
    // stores a reference to the object given.
    Variant varInvoiceLines() const;
    void varInvoiceLines(const Variant& v);
    void setVarInvoiceLines(const ObjectRef& v);

    Date datDueDate() const { return datDueDate_; }
    void datDueDate(Date v) { datDueDate_ = v; }
    int32_t iCasesID() const { return iCasesID_; }
    void iCasesID(int32_t v) { iCasesID_ = v; }
    int32_t iTrxCodesID() const { return iTrxCodesID_; }
    void iTrxCodesID(int32_t v) { iTrxCodesID_ = v; }
    std::string strReceiptNumbers() const { return strReceiptNumbers_; }
    void strReceiptNumbers(const std::string& v) { strReceiptNumbers_ = v; }
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
    // The taxable sum before rebate, carried as text.
    std::string curTotal1() const { return curTotal1_; }
    void curTotal1(const std::string& v) { curTotal1_ = v; }
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
    int32_t iInvoiceNumber() const { return iInvoiceNumber_; }
    void iInvoiceNumber(int32_t v) { iInvoiceNumber_ = v; }
    std::string vcOsekMorshe() const { return vcOsekMorshe_; }
    void vcOsekMorshe(const std::string& v) { vcOsekMorshe_ = v; }
    // The Tax Authority's allocation number (nine digits); empty while the document has none.
    std::string AllocationNumber() const { return AllocationNumber_; }
    void AllocationNumber(const std::string& v) { AllocationNumber_ = v; }

private:
    Variant varInvoiceLines_;
    Date datDueDate_;
    int32_t iCasesID_ = 0;
    int32_t iTrxCodesID_ = 0;
    std::string strReceiptNumbers_;
    int16_t iStatusID_ = 0;
    bool blnChargeVAT_ = false;
    Currency curGrandTotal_, curVAT_, curTotalNoVat_, curTotalBeforeVat_, curRebateRoundAmount_;
    bool blnRebateRound_ = false;
    Currency curRebateAmount_;
    double fltRebatePrcnt_ = 0;
    std::string curTotal1_;
    std::string vcComments_, vcDetails_, vcFax1_, vcPhone2_, vcPhone1_, vcContactDetails_, vcPostalCode_, vcCity_,
        vcAddress2_, vcAddress1_, vcBusinessName_;
    int32_t iCustomersID_ = 0;
    Date datxDate_;
    int32_t iInvoiceNumber_ = 0;
    std::string vcOsekMorshe_;
    std::string AllocationNumber_;
};

}  // namespace kovrin
