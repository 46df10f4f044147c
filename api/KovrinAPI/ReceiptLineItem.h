// ReceiptLineItem: one payment of a receipt, refund or invoice-receipt. A plain property bag.
#pragma once

#include <cstdint>
#include <string>

#include <KovrinAPI/runtime/Variant.h>

namespace kovrin {

class KOVRIN_API ReceiptLineItem : public Object {
public:
    // Payment type key (GetPaymentTypes).
    int32_t PaymentTypesID() const { return paymentTypesId_; }
    void PaymentTypesID(int32_t v) { paymentTypesId_ = v; }
    std::string AccountNumber() const { return accountNumber_; }
    void AccountNumber(const std::string& v) { accountNumber_ = v; }
    // Branch number as text; "0", "000" and the empty text all mean no branch. Not read back.
    std::string Branch() const { return branch_; }
    void Branch(const std::string& v) { branch_ = v; }
    // Bank key (GetBanks); 0 means no bank.
    int32_t Bank() const { return bank_; }
    void Bank(int32_t v) { bank_ = v; }
    // Cheque or card number.
    std::string Check() const { return check_; }
    void Check(const std::string& v) { check_ = v; }
    // Date of the cheque; the zero date means none.
    Date CheckDate() const { return checkDate_; }
    void CheckDate(Date v) { checkDate_ = v; }
    Currency Amount() const { return amount_; }
    void Amount(Currency v) { amount_ = v; }

private:
    int32_t paymentTypesId_ = 0;
    std::string accountNumber_;
    std::string branch_;
    int32_t bank_ = 0;
    std::string check_;
    Date checkDate_;
    Currency amount_;
};

}  // namespace kovrin
