// The customer store: creating, updating, listing and finding customers and suppliers of the
// current business in the Customers table.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include <KovrinAPI/Customer.h>

#include "platform/db/Database.h"

namespace kovrin::modKovrin {

struct NewCustomer {
    std::string businessName, osekMorshe, contactFirstName, contactLastName, address1, address2, city, postalCode;
    std::string phone1, phone2, fax, email, comments;
    Currency openBalance;
    std::string bankAccountNumber, bankBranch;
    int32_t bankId = 0, listNum = 0;
    Currency charge;
    std::string currencyName, foreignKey;
    int32_t paymentTermsId = 0, paymentDays = 0, customerNumber = 0;
    std::string extra1, extra2;
};

struct ForeignKeyUpdate {
    std::string businessName, osekMorshe, contactFirstName, contactLastName, foreignKey;
    std::string address1, address2, city, postalCode, phone1, phone2, fax, email, bankAccountNumber, bankBranch;
    int32_t bankId = 0, listNum = 0;
    Currency charge;
    std::string currencyName;
};

int32_t CreateCustomer(const NewCustomer& c, bool& blnDebug);
Variant UpdateCustomerByForeignKey(const ForeignKeyUpdate& u, bool& blnDebug);
void UpdateCustomer(const Customer& objCustomer, bool& blnDebug);
Variant GetCustomers(bool& blnDebug);
Variant GetSuppliers(bool& blnDebug);
// Leaves the connection open: document creation and time bills call it between their statements.
std::shared_ptr<Customer> GetCustomerByID(int32_t lngCustomerID, bool& blnDebug);
std::shared_ptr<Customer> GetCustomerByForeignKey(const std::string& strForeignKey, bool& blnDebug);
// Fills the record from the recordset's current row; nothing when the recordset is at its end.
void PopulateCustomer(Customer& customer, const db::Recordset& rs, bool& blnDebug);

}  // namespace kovrin::modKovrin
