// Customer: a plain property bag for one customer or supplier. Every set marks the record changed;
// IsChanged never returns to false.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include <KovrinAPI/Enums.h>
#include <KovrinAPI/runtime/Variant.h>

namespace kovrin {

class KOVRIN_API Customer : public Object {
public:
    int32_t CustomersID() const { return customersId_; }
    void CustomersID(int32_t v) { set(customersId_, v); }
    int32_t CustomersNumber() const { return customersNumber_; }
    void CustomersNumber(int32_t v) { set(customersNumber_, v); }
    std::string ForeignKey() const { return foreignKey_; }
    void ForeignKey(std::string v) { set(foreignKey_, std::move(v)); }
    std::string BusinessName() const { return businessName_; }
    void BusinessName(std::string v) { set(businessName_, std::move(v)); }
    std::string OsekMorshe() const { return osekMorshe_; }
    void OsekMorshe(std::string v) { set(osekMorshe_, std::move(v)); }
    std::string Address1() const { return address1_; }
    void Address1(std::string v) { set(address1_, std::move(v)); }
    std::string Address2() const { return address2_; }
    void Address2(std::string v) { set(address2_, std::move(v)); }
    std::string City() const { return city_; }
    void City(std::string v) { set(city_, std::move(v)); }
    std::string PostalCode() const { return postalCode_; }
    void PostalCode(std::string v) { set(postalCode_, std::move(v)); }
    std::string ContactFirstName() const { return contactFirstName_; }
    void ContactFirstName(std::string v) { set(contactFirstName_, std::move(v)); }
    std::string ContactLastName() const { return contactLastName_; }
    void ContactLastName(std::string v) { set(contactLastName_, std::move(v)); }
    std::string Phone1() const { return phone1_; }
    void Phone1(std::string v) { set(phone1_, std::move(v)); }
    std::string Phone2() const { return phone2_; }
    void Phone2(std::string v) { set(phone2_, std::move(v)); }
    std::string Fax() const { return fax_; }
    void Fax(std::string v) { set(fax_, std::move(v)); }
    std::string EMail() const { return email_; }
    void EMail(std::string v) { set(email_, std::move(v)); }
    std::string BankAccountNumber() const { return bankAccountNumber_; }
    void BankAccountNumber(std::string v) { set(bankAccountNumber_, std::move(v)); }
    std::string BankBranchNumber() const { return bankBranchNumber_; }
    void BankBranchNumber(std::string v) { set(bankBranchNumber_, std::move(v)); }
    int32_t BankID() const { return bankId_; }
    void BankID(int32_t v) { set(bankId_, v); }
    Currency Charge() const { return charge_; }
    void Charge(Currency v) { set(charge_, v); }
    // A currency name ("NIS", "USD", ...); setting the empty text stores "NIS".
    std::string ChargeCurrency() const { return chargeCurrency_; }
    void ChargeCurrency(const std::string& v) { set(chargeCurrency_, v.empty() ? std::string("NIS") : v); }
    int32_t PriceListNum() const { return priceListNum_; }
    void PriceListNum(int32_t v) { set(priceListNum_, v); }
    kovrin::PaymentTerms PaymentTerms() const { return paymentTerms_; }
    void PaymentTerms(kovrin::PaymentTerms v) { set(paymentTerms_, v); }
    int32_t PaymentDays() const { return paymentDays_; }
    void PaymentDays(int32_t v) { set(paymentDays_, v); }
    std::string Extra1() const { return extra1_; }
    void Extra1(std::string v) { set(extra1_, std::move(v)); }
    std::string Extra2() const { return extra2_; }
    void Extra2(std::string v) { set(extra2_, std::move(v)); }
    // True once any property was set, by the caller or by a lookup that filled the record.
    bool IsChanged() const { return changed_; }

private:
    template <class T, class V>
    void set(T& field, V&& value) {
        field = std::forward<V>(value);
        changed_ = true;
    }

    int32_t customersId_ = 0;
    int32_t customersNumber_ = 0;
    std::string foreignKey_, businessName_, osekMorshe_, address1_, address2_, city_, postalCode_;
    std::string contactFirstName_, contactLastName_, phone1_, phone2_, fax_, email_;
    std::string bankAccountNumber_, bankBranchNumber_;
    int32_t bankId_ = 0;
    Currency charge_;
    std::string chargeCurrency_ = "NIS";
    int32_t priceListNum_ = 0;
    kovrin::PaymentTerms paymentTerms_ = static_cast<kovrin::PaymentTerms>(0);
    int32_t paymentDays_ = 0;
    std::string extra1_, extra2_;
    bool changed_ = false;
};

}  // namespace kovrin
