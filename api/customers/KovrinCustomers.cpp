// The customer operations of Kovrin: each logs its entry and calls its data procedure.
#include <KovrinAPI/Customer.h>
#include <KovrinAPI/Kovrin.h>

#include "CustomerStore.h"
#include "api/core/Operation.h"

namespace kovrin {

using core::logAndPassOn;
using core::logEntry;

int32_t Kovrin::CreateCustomer(const std::string& strBusinessName, const std::string& strOsekMorshe,
                               const std::string& strContactFirstName, const std::string& strContactLastName,
                               const std::string& strAddress1, const std::string& strAddress2, const std::string& strCity,
                               const std::string& strPostalCode, const std::string& strPhone1,
                               const std::string& strPhone2, const std::string& strFax, const std::string& strEMail,
                               const std::string& strComments, Currency curOpenBalance,
                               const std::string& strBankAccountNumber, const std::string& strBankBranch,
                               int32_t iBankID, int32_t iListNum, Currency curCharge,
                               const std::string& strCurrencyName, const std::string& strForeignKey,
                               std::optional<kovrin::PaymentTerms> iPaymentTermsID, std::optional<int32_t> iPaymentDays,
                               std::optional<int32_t> lngCustomerNumber, std::optional<std::string> strExtra1,
                               std::optional<std::string> strExtra2) {
    return logAndPassOn(debugMode_, "Kovrin.CreateCustomer", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.CreateCustomer");
        modKovrin::NewCustomer c{strBusinessName, strOsekMorshe, strContactFirstName, strContactLastName, strAddress1,
                                 strAddress2, strCity, strPostalCode, strPhone1, strPhone2, strFax, strEMail,
                                 strComments, curOpenBalance, strBankAccountNumber, strBankBranch, iBankID, iListNum,
                                 curCharge, strCurrencyName, strForeignKey,
                                 static_cast<int32_t>(iPaymentTermsID.value_or(static_cast<kovrin::PaymentTerms>(0))),
                                 iPaymentDays.value_or(0), lngCustomerNumber.value_or(0), strExtra1.value_or(""),
                                 strExtra2.value_or("")};
        line(50);
        return modKovrin::CreateCustomer(c, debugMode_);
    });
}

Variant Kovrin::UpdateCustomerByForeignKey(
    const std::string& strBusinessName, const std::string& strOsekMorshe, const std::string& strContactFirstName,
    const std::string& strContactLastName, const std::string& strForeignKey, std::optional<std::string> strAddress1,
    std::optional<std::string> strAddress2, std::optional<std::string> strCity, std::optional<std::string> strPostalCode,
    std::optional<std::string> strPhone1, std::optional<std::string> strPhone2, std::optional<std::string> strFax,
    std::optional<std::string> strEMail, std::optional<std::string> strBankAccountNumber,
    std::optional<std::string> strBankBranch, std::optional<int32_t> iBankID, std::optional<int32_t> iListNum,
    std::optional<Currency> curCharge, std::optional<std::string> strCurrencyName) {
    return logAndPassOn(debugMode_, "Kovrin.UpdateCustomerByForeignKey", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.UpdateCustomerByForeignKey");
        // Whatever is left out is written too: texts as NULL, keys as NULL, the charge as 0, and a
        // missing currency name fails as an unknown one.
        modKovrin::ForeignKeyUpdate u{strBusinessName,
                                      strOsekMorshe,
                                      strContactFirstName,
                                      strContactLastName,
                                      strForeignKey,
                                      strAddress1.value_or(""),
                                      strAddress2.value_or(""),
                                      strCity.value_or(""),
                                      strPostalCode.value_or(""),
                                      strPhone1.value_or(""),
                                      strPhone2.value_or(""),
                                      strFax.value_or(""),
                                      strEMail.value_or(""),
                                      strBankAccountNumber.value_or(""),
                                      strBankBranch.value_or(""),
                                      iBankID.value_or(0),
                                      iListNum.value_or(0),
                                      curCharge.value_or(Currency()),
                                      strCurrencyName.value_or("")};
        line(50);
        return modKovrin::UpdateCustomerByForeignKey(u, debugMode_);
    });
}

void Kovrin::UpdateCustomer(const std::shared_ptr<Customer>& objCustomer) {
    logAndPassOn(debugMode_, "Kovrin.UpdateCustomer", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.UpdateCustomer");
        if (!objCustomer) raiseError(91, "Object variable or With block variable not set");
        line(50);
        modKovrin::UpdateCustomer(*objCustomer, debugMode_);
    });
}

Variant Kovrin::GetCustomers() {
    return logAndPassOn(debugMode_, "Kovrin.GetCustomers", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.GetCustomers");
        line(50);
        return modKovrin::GetCustomers(debugMode_);
    });
}

Variant Kovrin::GetSuppliers() {
    return logAndPassOn(debugMode_, "Kovrin.GetSuppliers", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.GetSuppliers");
        line(50);
        return modKovrin::GetSuppliers(debugMode_);
    });
}

std::shared_ptr<Customer> Kovrin::GetCustomerByID(int32_t lngCustomerID) {
    return logAndPassOn(debugMode_, "Kovrin.GetCustomerByID", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.GetCustomerByID", "lngCustomerID", Variant(lngCustomerID));
        line(50);
        return modKovrin::GetCustomerByID(lngCustomerID, debugMode_);
    });
}

std::shared_ptr<Customer> Kovrin::GetCustomerByForeignKey(const std::string& strForeignKey) {
    return logAndPassOn(debugMode_, "Kovrin.GetCustomerByForeignKey", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.GetCustomerByForeignKey", "Foreign Key", Variant(strForeignKey));
        line(50);
        return modKovrin::GetCustomerByForeignKey(strForeignKey, debugMode_);
    });
}

}  // namespace kovrin
