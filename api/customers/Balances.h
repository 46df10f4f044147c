// Customer balances: one customer's balance from the front-end's balance queries, and the balance
// report of all customers from the tables the front-end's balance refresh fills.
#pragma once

#include <cstdint>
#include <string>

#include "platform/db/Database.h"

namespace kovrin::modKovrin {

// curBalance of the customer from qryComputeCustomerBalance, or from qryComputeCustomerBalanceHiyuv
// when the debit ("Iska") invoices count too. No row: 3021; a NULL balance: 94.
double GetCustomerBalanceByID(int32_t iCustomerID, bool blnIncludingInvoicesIska, bool& blnDebug);

// The report: "<Kovrin>", "<ToDate>", "<IncludesIska>", "<Customers>" with one balance record per
// row of tblCustomerBalance (or tblCustomerBalanceIska) ordered by name, each on its own CR LF
// line.
std::string GetCustomersBalance(bool blnIncludingInvoicesIska, bool& blnDebug);

// The balance record of the recordset's current row (<Customer> with CustomersID, CustomerNumber,
// BusinessName, Balance); the empty text at the end of the recordset.
std::string PopulateCustomerBalanceXML(const db::Recordset& rs);

}  // namespace kovrin::modKovrin
